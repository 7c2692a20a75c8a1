# Fuzzing build: every library is instrumented for libFuzzer's coverage feedback and runs under
# AddressSanitizer and UndefinedBehaviorSanitizer; only the fuzz targets link libFuzzer's main.
if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
  message(FATAL_ERROR "QUORVEL_FUZZ needs clang: configure with the fuzz preset or CXX=clang++")
endif()
add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer
                    -fno-sanitize-recover=undefined)
add_link_options(-fsanitize=address,undefined)
