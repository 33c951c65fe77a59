# Installs libqzsystem and the platform stand-ins as the CMake package QzSystem and as pkg-config
# modules. Test seams (backend_p.h, tests/support) are never installed.
include(CMakePackageConfigHelpers)

install(TARGETS qzsystem qzplatform EXPORT QzSystemTargets
        LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
        ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
        RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
        INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})

install(DIRECTORY ${PROJECT_SOURCE_DIR}/include/qz DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(FILES ${PROJECT_BINARY_DIR}/src/include/qz/system/qzsystem_export.h
        DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/qz/system)
install(FILES ${PROJECT_BINARY_DIR}/platform/include/qz/qzplatform_export.h
        DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/qz)
# The platform's public headers: framework classes and C APIs, not its private seams.
install(DIRECTORY ${PROJECT_SOURCE_DIR}/platform/
        DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}
        FILES_MATCHING
            PATTERN "*_p.h" EXCLUDE
            PATTERN "pps/ppsserver.h" EXCLUDE
            PATTERN "pps/ppsprotocol.h" EXCLUDE
            PATTERN "pps/ppspath.h" EXCLUDE
            PATTERN "*.h"
            PATTERN "qz/[A-Z]*")

install(EXPORT QzSystemTargets NAMESPACE QzSystem::
        DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/QzSystem)
configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/QzSystemConfig.cmake.in
    ${PROJECT_BINARY_DIR}/QzSystemConfig.cmake
    INSTALL_DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/QzSystem)
write_basic_package_version_file(${PROJECT_BINARY_DIR}/QzSystemConfigVersion.cmake
    COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/QzSystemConfig.cmake ${PROJECT_BINARY_DIR}/QzSystemConfigVersion.cmake
        DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/QzSystem)

configure_file(${PROJECT_SOURCE_DIR}/cmake/qzsystem.pc.in ${PROJECT_BINARY_DIR}/qzsystem.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/qzsystem.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
