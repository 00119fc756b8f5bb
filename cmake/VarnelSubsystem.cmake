# One static library per subsystem folder. Sources are picked up by glob so that
# adding a file never means editing a shared list. Product code includes from src/
# only, so "builder/..." or "tools/..." can mean one folder and test helpers stay out
# of reach.
function(varnel_subsystem name)
  cmake_parse_arguments(ARG "" "" "DEPS;PRIVATE_DEPS" ${ARGN})
  file(GLOB _sources CONFIGURE_DEPENDS
       "${CMAKE_CURRENT_SOURCE_DIR}/*.cpp" "${CMAKE_CURRENT_SOURCE_DIR}/*/*.cpp")
  if(NOT _sources)
    # A subsystem whose code has not landed yet still offers its headers.
    add_library(varnel_${name} INTERFACE)
    target_include_directories(varnel_${name} INTERFACE "${CMAKE_SOURCE_DIR}/src")
    target_link_libraries(varnel_${name} INTERFACE ${ARG_DEPS} ${ARG_PRIVATE_DEPS})
    return()
  endif()
  add_library(varnel_${name} STATIC ${_sources})
  target_include_directories(varnel_${name} PUBLIC "${CMAKE_SOURCE_DIR}/src")
  target_compile_options(varnel_${name} PRIVATE -Wall -Wextra)
  target_link_libraries(varnel_${name} PUBLIC ${ARG_DEPS} PRIVATE ${ARG_PRIVATE_DEPS})
endfunction()

# One GoogleTest program per test folder.
function(varnel_test_suite name)
  cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
  file(GLOB _sources CONFIGURE_DEPENDS "${CMAKE_CURRENT_SOURCE_DIR}/${name}/*.cpp")
  if(NOT _sources)
    return()
  endif()
  add_executable(test_${name} ${_sources})
  target_compile_options(test_${name} PRIVATE -Wall -Wextra)
  target_include_directories(test_${name} PRIVATE "${CMAKE_CURRENT_SOURCE_DIR}")
  target_link_libraries(test_${name} PRIVATE ${ARG_DEPS} varnel_testsupport GTest::gtest_main GTest::gmock)
  gtest_discover_tests(test_${name} DISCOVERY_MODE PRE_TEST
                       PROPERTIES ENVIRONMENT "VN_TEST_DATA=${CMAKE_BINARY_DIR}/testdata")
endfunction()
