# kalamora_add_test(NAME <name> SOURCES <files...> LIBS <targets...> [GUI])
#
# Builds one GoogleTest executable and registers it with CTest. Every test runs
# with its own scratch home, config and data folders, so no test ever reads or
# writes the user's own settings. GUI tests get a QApplication on the
# offscreen platform; the others a QCoreApplication-free gtest main.
function(kalamora_add_test)
  cmake_parse_arguments(T "GUI;NO_MAIN" "NAME;TIMEOUT" "SOURCES;LIBS" ${ARGN})
  add_executable(${T_NAME} ${T_SOURCES})
  target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} GTest::gtest GTest::gmock)
  if(T_GUI)
    target_link_libraries(${T_NAME} PRIVATE kalamora_testsupport_gui)
  elseif(NOT T_NO_MAIN)
    target_link_libraries(${T_NAME} PRIVATE GTest::gtest_main)
  endif()
  set_target_properties(${T_NAME} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  add_test(NAME ${T_NAME} COMMAND ${T_NAME} WORKING_DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR})
  set(scratch ${CMAKE_BINARY_DIR}/test-scratch/${T_NAME})
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 300)
  endif()
  set_tests_properties(${T_NAME} PROPERTIES
    TIMEOUT ${T_TIMEOUT}
    ENVIRONMENT "HOME=${scratch}/home;XDG_CONFIG_HOME=${scratch}/config;XDG_DATA_HOME=${scratch}/data;XDG_CACHE_HOME=${scratch}/cache;XDG_RUNTIME_DIR=${scratch}/runtime;QT_QPA_PLATFORM=offscreen;KALAMORA_PROGRAM_DIR=${KALAMORA_PROGRAM_DIR};KALAMORA_SOURCE_DIR=${CMAKE_SOURCE_DIR}")
  file(MAKE_DIRECTORY ${scratch}/home ${scratch}/config ${scratch}/data ${scratch}/cache ${scratch}/runtime)
endfunction()
