# Run by ctest (through the file pixferry_discover_qtests generates): lists the program's test
# functions and adds one entry for each. The listing runs on the offscreen platform, whatever
# platform the entries themselves use.
if(NOT EXISTS "${PIXFERRY_QTEST_PROGRAM}")
  # Not built yet: one entry that fails and says so, rather than a suite that silently vanishes.
  add_test("${PIXFERRY_QTEST_PREFIX}_NOT_BUILT" "${PIXFERRY_QTEST_PROGRAM}")
  return()
endif()

execute_process(COMMAND "${PIXFERRY_QTEST_CMAKE}" -E env QT_QPA_PLATFORM=offscreen
                        "${PIXFERRY_QTEST_PROGRAM}" -functions
                OUTPUT_VARIABLE listing ERROR_VARIABLE errors RESULT_VARIABLE status
                TIMEOUT 60)
string(REGEX MATCHALL "[A-Za-z_][A-Za-z_0-9]*\\(\\)" functions "${listing}")
if(NOT status EQUAL 0 OR NOT functions)
  message(FATAL_ERROR "${PIXFERRY_QTEST_PROGRAM} -functions listed no test functions "
                      "(exit status ${status}):\n${listing}${errors}")
endif()

foreach(function IN LISTS functions)
  string(REPLACE "()" "" function "${function}")
  set(name "${PIXFERRY_QTEST_PREFIX}.${function}")
  add_test("${name}" ${PIXFERRY_QTEST_LAUNCHER} "${PIXFERRY_QTEST_PROGRAM}" "${function}")
  if(PIXFERRY_QTEST_PROPERTIES)
    set_tests_properties("${name}" PROPERTIES ${PIXFERRY_QTEST_PROPERTIES})
  endif()
endforeach()
