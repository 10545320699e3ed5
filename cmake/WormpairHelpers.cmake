# wormpair_add_test(NAME name SOURCES a.cpp ... LIBS lib ... [LABELS label ...] [TIMEOUT seconds])
# One GoogleTest executable per test file; the executables live in tests/ of
# the build tree, away from the program directory.
#
# Labels sort the tests into tiers: unit (no window, no other program), gui
# (a window, offscreen), office (LibreOffice), slow (long checks, independent
# readers). Without LABELS a test linking the window library is gui, any other
# unit. Each tier has its own time-out.
set(WORMPAIR_TEST_TIMEOUT_unit 60)
set(WORMPAIR_TEST_TIMEOUT_gui 120)
set(WORMPAIR_TEST_TIMEOUT_office 300)
set(WORMPAIR_TEST_TIMEOUT_slow 900)

# Labels and time-out of a test added by add_test directly.
function(wormpair_label_test name label)
  set_tests_properties(${name} PROPERTIES LABELS ${label} TIMEOUT ${WORMPAIR_TEST_TIMEOUT_${label}})
endfunction()

function(wormpair_add_test)
  cmake_parse_arguments(T "" "NAME;TIMEOUT" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${T_NAME} ${T_SOURCES})
  target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} GTest::gtest GTest::gtest_main)
  target_compile_definitions(${T_NAME} PRIVATE
    WORMPAIR_PROGRAM_DIR="${WORMPAIR_PROGRAM_DIR}/"
    WORMPAIR_SOURCE_DIR="${PROJECT_SOURCE_DIR}/"
    WORMPAIR_SHARED_DIR="${PROJECT_SOURCE_DIR}/../shared/")
  set_target_properties(${T_NAME} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  add_test(NAME ${T_NAME} COMMAND ${T_NAME})
  set_tests_properties(${T_NAME} PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen;LC_ALL=C.UTF-8")
  if(NOT T_LABELS)
    if("wormpair_gui" IN_LIST T_LIBS)
      set(T_LABELS gui)
    else()
      set(T_LABELS unit)
    endif()
  endif()
  list(GET T_LABELS 0 tier)
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT ${WORMPAIR_TEST_TIMEOUT_${tier}})
  endif()
  set_tests_properties(${T_NAME} PROPERTIES LABELS "${T_LABELS}" TIMEOUT ${T_TIMEOUT})
endfunction()
