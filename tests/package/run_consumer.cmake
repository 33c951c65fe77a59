# Run by ctest: install, then configure, build and run the consumer against the installed files.
file(REMOVE_RECURSE ${WORK_DIR})
set(prefix ${WORK_DIR}/prefix)

function(run)
    execute_process(COMMAND ${ARGN} RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
    if(NOT status EQUAL 0)
        message(FATAL_ERROR "Failed (${status}): ${ARGN}\n${out}\n${err}")
    endif()
    set(last_output "${out}" PARENT_SCOPE)
endfunction()

run(${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${prefix})

# Nothing that exists only for tests may be installed.
file(GLOB_RECURSE private_headers ${prefix}/include/*_p.h ${prefix}/include/*ppsserver.h
     ${prefix}/include/*recordingbackend*)
if(private_headers)
    message(FATAL_ERROR "Test seams were installed: ${private_headers}")
endif()

set(flags "")
if(SANITIZE)
    set(flags "-fsanitize=address,undefined")
endif()
run(${CMAKE_COMMAND} -S ${CONSUMER_DIR} -B ${WORK_DIR}/build -G ${GENERATOR}
    -DCMAKE_PREFIX_PATH=${prefix} -DCMAKE_CXX_FLAGS=${flags}
    -DCMAKE_EXE_LINKER_FLAGS=${flags})
run(${CMAKE_COMMAND} --build ${WORK_DIR}/build)

set(ENV{LD_LIBRARY_PATH} "${prefix}/lib:$ENV{LD_LIBRARY_PATH}")
foreach(consumer consumer_cmake consumer_pkgconfig)
    run(${WORK_DIR}/build/${consumer})
    if(NOT last_output MATCHES "libqzsystem 0\\.1\\.0: k::v")
        message(FATAL_ERROR "${consumer} printed: ${last_output}")
    endif()
    message(STATUS "${consumer}: ${last_output}")
endforeach()

# The QML module, found through QML_IMPORT_PATH in the installed prefix.
set(ENV{QML_IMPORT_PATH} "${prefix}/lib/qt6/qml")
run(${WORK_DIR}/build/consumer_qml ${CONSUMER_DIR}/consumer.qml)
if(NOT last_output STREQUAL "qz::system::SystemToast: bottom")
    message(FATAL_ERROR "consumer_qml printed: ${last_output}")
endif()
message(STATUS "consumer_qml: ${last_output}")
