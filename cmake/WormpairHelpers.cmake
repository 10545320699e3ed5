# wormpair_add_test(NAME name SOURCES a.cpp ... LIBS lib ...)
# One GoogleTest executable per test file; the executables live in tests/ of
# the build tree, away from the program directory.
function(wormpair_add_test)
  cmake_parse_arguments(T "" "NAME" "SOURCES;LIBS" ${ARGN})
  add_executable(${T_NAME} ${T_SOURCES})
  target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} GTest::gtest GTest::gtest_main)
  target_compile_definitions(${T_NAME} PRIVATE
    WORMPAIR_PROGRAM_DIR="${WORMPAIR_PROGRAM_DIR}/"
    WORMPAIR_SOURCE_DIR="${PROJECT_SOURCE_DIR}/"
    WORMPAIR_SHARED_DIR="${PROJECT_SOURCE_DIR}/../shared/")
  set_target_properties(${T_NAME} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  add_test(NAME ${T_NAME} COMMAND ${T_NAME})
  set_tests_properties(${T_NAME} PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen;LC_ALL=C.UTF-8")
endfunction()
