# Native Linux tree of the pure logic, with AddressSanitizer and UndefinedBehaviorSanitizer.
add_compile_options(-Wall -Wextra -g -fno-omit-frame-pointer)
option(QLTS_SANITIZE "Build with ASan and UBSan" ON)
if(QLTS_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()
find_package(GTest REQUIRED)
find_package(Threads REQUIRED)
