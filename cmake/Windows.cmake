# The Windows build: the layers that need no Qt, the automation layer's COM
# backend, the stand-in Visio as a COM local server (tarvel-visio.exe), and
# the COM backend's test program (run under Wine by
# scripts/run-windows-tests.sh). Included from the top-level CMakeLists.txt.
#
# Where Qt 6 is found (CMAKE_PREFIX_PATH naming it), the windows and
# Tarvel itself (tarvel.exe) are made too, attached to Visio through COM.
# Debian has no Qt for mingw-w64: the cross-build makes neither.
find_package(Qt6 QUIET COMPONENTS Core Gui Widgets)
set(TARVEL_WINDOWS_QT ${Qt6_FOUND})

# The stand-in reads packages with libzip and pugixml, which Debian has no
# mingw-w64 packages of: they are built here from Debian's own source
# packages (scripts/fetch-windows-sources.sh puts them in this folder), on
# zlib from libz-mingw-w64-dev.
set(TARVEL_WINDOWS_SOURCES ${CMAKE_BINARY_DIR}/third-party CACHE PATH
    "Where scripts/fetch-windows-sources.sh unpacked pugixml and libzip")
foreach(dep pugixml libzip)
  if(NOT EXISTS ${TARVEL_WINDOWS_SOURCES}/${dep}/CMakeLists.txt)
    message(FATAL_ERROR "No ${dep} sources in ${TARVEL_WINDOWS_SOURCES}: run "
                        "scripts/fetch-windows-sources.sh ${TARVEL_WINDOWS_SOURCES}")
  endif()
endforeach()
# Static, linked into the programs; zlib's static library, not its DLL.
set(BUILD_SHARED_LIBS OFF CACHE BOOL "" FORCE)
# (A build on Windows itself finds zlib as CMake finds it.)
if(CMAKE_CROSSCOMPILING)
  set(ZLIB_LIBRARY ${CMAKE_FIND_ROOT_PATH}/lib/libz.a CACHE FILEPATH "")
  set(ZLIB_INCLUDE_DIR ${CMAKE_FIND_ROOT_PATH}/include CACHE PATH "")
endif()
# Only the library: no tools, tests or documents, and no codecs or
# encryption a drawing does not use.
foreach(option BUILD_TOOLS BUILD_REGRESS BUILD_EXAMPLES BUILD_DOC LIBZIP_DO_INSTALL ENABLE_BZIP2
               ENABLE_LZMA ENABLE_COMMONCRYPTO ENABLE_GNUTLS ENABLE_MBEDTLS ENABLE_OPENSSL
               ENABLE_WINDOWS_CRYPTO)
  set(${option} OFF CACHE BOOL "" FORCE)
endforeach()
# Not our code: built without our warnings (a subfolder takes the folder's
# options as they are when it is added).
get_directory_property(tarvel_options COMPILE_OPTIONS)
set_directory_properties(PROPERTIES COMPILE_OPTIONS -w)
add_subdirectory(${TARVEL_WINDOWS_SOURCES}/pugixml ${CMAKE_BINARY_DIR}/pugixml EXCLUDE_FROM_ALL)
add_subdirectory(${TARVEL_WINDOWS_SOURCES}/libzip ${CMAKE_BINARY_DIR}/libzip EXCLUDE_FROM_ALL)
set_directory_properties(PROPERTIES COMPILE_OPTIONS "${tarvel_options}")
# Their headers too, as the system's would be on Linux.
foreach(dep libzip::zip pugixml::pugixml)
  get_target_property(target ${dep} ALIASED_TARGET)
  set_target_properties(${target} PROPERTIES SYSTEM TRUE)
endforeach()

# Resources (windres): the type library the programs carry.
enable_language(RC)
add_subdirectory(automation)
add_subdirectory(lut)
add_subdirectory(standin)
add_subdirectory(visio)
add_subdirectory(tree)
add_subdirectory(cli)
if(TARVEL_WINDOWS_QT)
  add_subdirectory(tools)
  add_subdirectory(app)
endif()

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
