# Folder CMakeLists files declare their sources with these two functions, so that the
# native tree takes only the pure logic and the Windows trees take everything.
function(qlts_pure_sources)
  list(TRANSFORM ARGN PREPEND ${CMAKE_CURRENT_SOURCE_DIR}/)
  target_sources(qlts_pure PRIVATE ${ARGN})
endfunction()

function(qlts_win_sources)
  if(WIN32)
    list(TRANSFORM ARGN PREPEND ${CMAKE_CURRENT_SOURCE_DIR}/)
    target_sources(qlts_win PRIVATE ${ARGN})
  endif()
endfunction()
