# GoogleTest for the test programs: the installed one where a package provides it, else built from
# its sources (Debian's googletest package puts them in /usr/src/googletest). A cross build always
# builds it from the sources: an installed GoogleTest is built for this machine, not the target.
if(NOT CMAKE_CROSSCOMPILING)
  find_package(GTest QUIET)
endif()
if(NOT TARGET GTest::gtest OR NOT TARGET GTest::gtest_main)
  set(PIXFERRY_GTEST_SOURCE "/usr/src/googletest" CACHE PATH "GoogleTest source tree")
  if(NOT EXISTS ${PIXFERRY_GTEST_SOURCE}/CMakeLists.txt)
    message(FATAL_ERROR "GoogleTest not found: install it (Debian: libgtest-dev googletest), "
                        "set PIXFERRY_GTEST_SOURCE to its sources, or PIXFERRY_BUILD_TESTS=OFF")
  endif()
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
  add_subdirectory(${PIXFERRY_GTEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  message(STATUS "GoogleTest: built from ${PIXFERRY_GTEST_SOURCE}")
else()
  message(STATUS "GoogleTest: the installed one (${GTest_DIR}${GTEST_INCLUDE_DIRS})")
endif()
include(GoogleTest)
