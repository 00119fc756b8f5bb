# The desktop application checks itself in a real window on a virtual X server with
# Mesa's software OpenGL, and leaves its screenshot in the build folder.
add_test(NAME app_selftest
         COMMAND bash "${CMAKE_CURRENT_LIST_DIR}/selftest.sh" $<TARGET_FILE:varnel>
                 "${CMAKE_CURRENT_BINARY_DIR}/app_selftest.png")
set_tests_properties(app_selftest PROPERTIES
  TIMEOUT 1200
  ENVIRONMENT "LIBGL_ALWAYS_SOFTWARE=1;LSAN_OPTIONS=suppressions=${CMAKE_CURRENT_LIST_DIR}/lsan.supp:print_suppressions=0")
# A second launch with a project path hands it to the running window.
add_test(NAME app_second_launch
         COMMAND bash "${CMAKE_CURRENT_LIST_DIR}/second_launch.sh" $<TARGET_FILE:varnel>)
set_tests_properties(app_second_launch PROPERTIES
  TIMEOUT 600
  ENVIRONMENT "LIBGL_ALWAYS_SOFTWARE=1;LSAN_OPTIONS=suppressions=${CMAKE_CURRENT_LIST_DIR}/lsan.supp:print_suppressions=0")
