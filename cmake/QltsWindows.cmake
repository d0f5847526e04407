# Windows trees (x64 runs under Wine, x86 is compiled and linked only).
add_compile_definitions(STRSAFE_NO_DEPRECATE _WIN32_WINNT=0x0601 WINVER=0x0601)
add_compile_options(-Wall -Wextra -Wno-unused-parameter -Wno-missing-field-initializers -Werror=switch)
set(CMAKE_EXE_LINKER_FLAGS "${CMAKE_EXE_LINKER_FLAGS} -static")
set(CMAKE_SHARED_LINKER_FLAGS "${CMAKE_SHARED_LINKER_FLAGS} -static")

# Everything of the program but its entry point, so that tests link the same code.
add_library(qlts_win STATIC)
target_include_directories(qlts_win PUBLIC ${CMAKE_SOURCE_DIR})
target_link_libraries(qlts_win PUBLIC qlts_pure strmiids ksguid ole32 oleaut32 uuid
  comctl32 comdlg32 winmm advapi32 user32 gdi32 kernel32)

set(QLTS_WINEPREFIX ${CMAKE_BINARY_DIR}/wineprefix)
set(QLTS_RUNNABLE ON)
if(CMAKE_SYSTEM_PROCESSOR STREQUAL "x86")
  set(QLTS_RUNNABLE OFF)   # this kernel cannot run 32-bit code
endif()

enable_language(RC)

# Gives a shipped file its resource script (tests/win/release reads the results back): the
# script includes the one version block and, for programs, the one manifest.
configure_file(${CMAKE_SOURCE_DIR}/cmake/QltsVersion.h.in ${CMAKE_BINARY_DIR}/generated/QltsVersion.h)
function(qlts_file_resources target rc)
  set(rc ${CMAKE_CURRENT_SOURCE_DIR}/${rc})
  target_sources(${target} PRIVATE ${rc})
  set_source_files_properties(${rc} PROPERTIES
    INCLUDE_DIRECTORIES "${CMAKE_BINARY_DIR}/generated;${CMAKE_SOURCE_DIR}/cmake"
    OBJECT_DEPENDS "${CMAKE_SOURCE_DIR}/cmake/QltsVersionInfo.rc;${CMAKE_SOURCE_DIR}/cmake/QltsDesktop.manifest")
endfunction()

include(GoogleTestMingw)
