# Warnings and sanitizers for every target of this tree (not exported to consumers).
add_compile_definitions(QT_NO_KEYWORDS QT_NO_CAST_FROM_ASCII QT_NO_CAST_TO_ASCII
                        QT_NO_URL_CAST_FROM_STRING QT_USE_QSTRINGBUILDER)
add_compile_options(-Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Wcast-align
                    -Woverloaded-virtual -Wno-missing-field-initializers)
if(QZ_WERROR)
    add_compile_options(-Werror)
endif()
if(QZ_BUILD_FUZZERS)
    # Coverage for libFuzzer on every target; the fuzz executables link the engine itself.
    add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer
                        -fno-sanitize-recover=undefined -Wno-gnu-zero-variadic-macro-arguments)
    add_link_options(-fsanitize=address,undefined)
elseif(QZ_SANITIZE)
    add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer
                        -fno-sanitize-recover=undefined)
    add_link_options(-fsanitize=address,undefined)
endif()
