# orvel_add_library(NAME LINKS...) : a static library made of every source
# in the calling folder, public to the folders that depend on it.
function(orvel_add_library name)
  file(GLOB _src CONFIGURE_DEPENDS
    ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
  list(FILTER _src EXCLUDE REGEX "/main\\.cpp$")
  add_library(${name} STATIC ${_src})
  target_include_directories(${name} PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
  target_link_libraries(${name} PUBLIC ${ARGN})
endfunction()
