pkg_check_modules(NETTLE REQUIRED IMPORTED_TARGET nettle)
add_executable(cipher_bench ${CMAKE_CURRENT_LIST_DIR}/cipher_bench.cpp)
target_link_libraries(cipher_bench PRIVATE blowfish zemplatform PkgConfig::NETTLE benchmark::benchmark)
