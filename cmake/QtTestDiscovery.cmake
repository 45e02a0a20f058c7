# Each test function of a QTest program as a ctest entry of its own, so that a failure names its
# case. The functions are asked of the program itself (-functions) when ctest starts, in the
# manner of gtest_discover_tests(... DISCOVERY_MODE PRE_TEST): a function added to a suite needs
# no edit here.
#
#   pixferry_discover_qtests(TARGET [PREFIX name] [LAUNCHER command...]
#                            [PROPERTIES name value...])
#
# Each entry is PREFIX.function (PREFIX defaults to TARGET) and runs LAUNCHER, the program and
# the function's name; PROPERTIES are set on every entry.
set(PIXFERRY_QTEST_ADD_TESTS ${CMAKE_CURRENT_LIST_DIR}/QtTestAddTests.cmake)

function(pixferry_discover_qtests target)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "PREFIX" "LAUNCHER;PROPERTIES")
  if(NOT arg_PREFIX)
    set(arg_PREFIX ${target})
  endif()
  set(include_file ${CMAKE_CURRENT_BINARY_DIR}/${arg_PREFIX}_include.cmake)
  file(GENERATE OUTPUT ${include_file}
       CONTENT "set(PIXFERRY_QTEST_CMAKE [==[${CMAKE_COMMAND}]==])
set(PIXFERRY_QTEST_PROGRAM [==[$<TARGET_FILE:${target}>]==])
set(PIXFERRY_QTEST_PREFIX [==[${arg_PREFIX}]==])
set(PIXFERRY_QTEST_LAUNCHER [==[${arg_LAUNCHER}]==])
set(PIXFERRY_QTEST_PROPERTIES [==[${arg_PROPERTIES}]==])
include([==[${PIXFERRY_QTEST_ADD_TESTS}]==])
")
  set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${include_file})
endfunction()
