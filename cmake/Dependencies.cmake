# Third-party libraries, all from Debian's packages.

# nlohmann-json (header only). Debian's package config adds -isystem /usr/include,
# which breaks the mingw cross build; there an include folder that holds only a
# link to the library's headers is used instead.
add_library(quellora_json INTERFACE)
if(QUELLORA_WINDOWS)
  find_path(QUELLORA_NLOHMANN_DIR nlohmann/json.hpp PATHS /usr/include NO_CMAKE_FIND_ROOT_PATH REQUIRED)
  set(json_root ${CMAKE_BINARY_DIR}/third_party/include)
  file(MAKE_DIRECTORY ${json_root})
  file(CREATE_LINK ${QUELLORA_NLOHMANN_DIR}/nlohmann ${json_root}/nlohmann SYMBOLIC)
  target_include_directories(quellora_json SYSTEM INTERFACE ${json_root})
else()
  find_package(nlohmann_json 3.10 REQUIRED)
  target_link_libraries(quellora_json INTERFACE nlohmann_json::nlohmann_json)
endif()

# tinyxml2 (the XML of Windows event log entries). The host links Debian's
# libtinyxml2-dev; the Windows build compiles Debian's source package, which
# tools/tinyxml2-source.sh unpacks into /usr/src/tinyxml2 (as Debian keeps
# GoogleTest's sources in /usr/src/googletest).
if(QUELLORA_WINDOWS)
  set(QUELLORA_TINYXML2_SOURCE_DIR /usr/src/tinyxml2 CACHE PATH "Debian's tinyxml2 sources")
  if(NOT EXISTS ${QUELLORA_TINYXML2_SOURCE_DIR}/tinyxml2.cpp)
    message(FATAL_ERROR "tinyxml2 sources missing in ${QUELLORA_TINYXML2_SOURCE_DIR}: run tools/tinyxml2-source.sh")
  endif()
  add_library(quellora_xml STATIC ${QUELLORA_TINYXML2_SOURCE_DIR}/tinyxml2.cpp)
  target_include_directories(quellora_xml SYSTEM PUBLIC ${QUELLORA_TINYXML2_SOURCE_DIR})
else()
  find_package(tinyxml2 REQUIRED)
  add_library(quellora_xml INTERFACE)
  target_link_libraries(quellora_xml INTERFACE tinyxml2::tinyxml2)
endif()

# GoogleTest: the host uses Debian's libraries; the Windows build compiles
# Debian's sources with mingw so the Win32 tests can run under Wine.
if(QUELLORA_TESTS)
  if(QUELLORA_WINDOWS)
    set(gtest_disable_pthreads OFF CACHE BOOL "" FORCE)
    set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
    set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
    add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/third_party/googletest EXCLUDE_FROM_ALL)
    if(NOT TARGET GTest::gtest)
      add_library(GTest::gtest ALIAS gtest)
    endif()
    if(NOT TARGET GTest::gtest_main)
      add_library(GTest::gtest_main ALIAS gtest_main)
    endif()
  else()
    find_package(GTest REQUIRED)
  endif()
endif()
