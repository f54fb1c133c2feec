# Warnings every target of the project is built with.
add_compile_options(-Wall -Wextra -Wpedantic -Wnon-virtual-dtor)
# clang (the fuzz build) has no local-only shadowing warning.
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
  add_compile_options(-Wshadow=local)
endif()
