# The Windows build: the layers that need no Qt, the automation layer's COM
# backend, and the COM backend's test program (run under Wine by
# scripts/run-windows-tests.sh). Included from the top-level CMakeLists.txt.
# The command-line commands (cli/) wait on an event loop of Qt's: they are
# left out.
add_subdirectory(automation)
add_subdirectory(lut)
add_subdirectory(visio)
add_subdirectory(tree)

if(TARVEL_BUILD_TESTS)
  enable_testing()
  # Debian ships GoogleTest as sources (package googletest); they are built
  # here with the tests, by the cross-compiler.
  set(TARVEL_GTEST_SOURCE_DIR /usr/src/googletest CACHE PATH "GoogleTest's sources")
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  add_subdirectory(${TARVEL_GTEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  # Not our code: its warnings are not ours to fail on.
  target_compile_options(gtest PRIVATE -w)
  target_compile_options(gtest_main PRIVATE -w)
  add_subdirectory(tests/com)
endif()
