# Hooks the benchmark programs into a configuration of the whole tree without the tree's own
# CMake files knowing about them: bench/run passes this file as CMAKE_PROJECT_INCLUDE, and the
# deferred include defines them once the top directory (and so every library target) is
# complete. EVAL fixes the path now: deferred arguments are otherwise expanded at call time.
include_guard(GLOBAL)
cmake_language(EVAL CODE
  "cmake_language(DEFER DIRECTORY [[${CMAKE_SOURCE_DIR}]] CALL include [[${CMAKE_CURRENT_LIST_DIR}/targets.cmake]])")
