# A path of the build machine as the test programs see it, ready to go into
# a C string literal: unchanged natively; for the Windows tree, which runs
# under Wine, on drive Z: with (escaped) backslashes. The build-time twin of
# testsupport::programPath, kept because these paths are string literals
# compiled into the test programs.
function(pvtools_test_path out path)
  if(WIN32)
    string(REPLACE "/" "\\\\" path "Z:${path}")
  endif()
  set(${out} "${path}" PARENT_SCOPE)
endfunction()

# Every test carries one of these labels, by what it needs:
#   unit     in-process, no child process
#   e2e      runs programs natively
#   jvm      the Java virtual machine
#   wine     the Windows tree: its programs under Wine, or its files
#   package  the packages users install
#   fuzz     the fuzz targets' corpora
set(PVTOOLS_TEST_LABELS unit e2e jvm wine package fuzz)

# Wine's programs share one display per prefix: the fixture "display"
# starts a virtual display (Xvfb) for the tests that run Windows programs,
# and scripts/wine-run takes it from this file. Without Xvfb the fixture and
# those tests are skipped, with the reason, under this return code.
set(PVTOOLS_TEST_DISPLAY_FILE ${CMAKE_BINARY_DIR}/testdisplay/display)
set(PVTOOLS_SKIP_RETURN_CODE 77)

function(pvtools_check_label label)
  if(NOT label IN_LIST PVTOOLS_TEST_LABELS)
    message(FATAL_ERROR "a test needs LABEL, one of: ${PVTOOLS_TEST_LABELS} (got '${label}')")
  endif()
endfunction()

# The display fixture, added once by the first test that needs it.
function(pvtools_add_display_fixture)
  get_property(added GLOBAL PROPERTY pvtools_display_fixture)
  if(added)
    return()
  endif()
  set_property(GLOBAL PROPERTY pvtools_display_fixture TRUE)
  get_filename_component(state "${PVTOOLS_TEST_DISPLAY_FILE}" DIRECTORY)
  foreach(step start stop)
    add_test(NAME display_${step}
             COMMAND ${PROJECT_SOURCE_DIR}/testing/testdisplay ${step} ${state})
  endforeach()
  # The first start of a Wine prefix takes a while.
  set_tests_properties(display_start PROPERTIES FIXTURES_SETUP display LABELS wine
    SKIP_RETURN_CODE ${PVTOOLS_SKIP_RETURN_CODE} TIMEOUT 600)
  set_tests_properties(display_stop PROPERTIES FIXTURES_CLEANUP display LABELS wine)
endfunction()

# Properties of a test by what it needs: its LABEL; WINE for Windows
# programs (the display fixture, a skip when there is none); DESKTOP for
# tests that start the simulator, search its window or press keys, which
# share the desktop, the keyboard and the simulator's recent-files value
# with every other program and so run one at a time.
function(pvtools_test_properties out label wine desktop)
  pvtools_check_label("${label}")
  set(properties LABELS ${label})
  if(wine)
    pvtools_add_display_fixture()
    list(APPEND properties FIXTURES_REQUIRED display SKIP_RETURN_CODE ${PVTOOLS_SKIP_RETURN_CODE}
         ENVIRONMENT PVTOOLS_TEST_DISPLAY=${PVTOOLS_TEST_DISPLAY_FILE})
  endif()
  if(desktop)
    list(APPEND properties RESOURCE_LOCK desktop)
  endif()
  set(${out} ${properties} PARENT_SCOPE)
endfunction()

# Registers each GoogleTest case of a test program with CTest, so that a
# failure names its case:
#   pvtools_test_discover(target LABEL label [WINE] [DESKTOP] [FILTER expr]
#                         [other arguments of gtest_discover_tests])
# FILTER picks the cases (gtest's --gtest_filter), so that one program's
# cases can be registered with different needs. In the Windows tree every
# test runs under Wine and is labelled wine. The Windows programs are
# listed under Wine (the cross-compiling emulator) when the tests start, so
# building needs no Wine.
include(GoogleTest)
function(pvtools_test_discover target)
  cmake_parse_arguments(arg "WINE;DESKTOP" "LABEL;FILTER" "" ${ARGN})
  pvtools_check_label("${arg_LABEL}")
  set(label ${arg_LABEL})
  set(wine ${arg_WINE})
  if(CMAKE_CROSSCOMPILING)
    set(label wine)
    set(wine TRUE)
  endif()
  pvtools_test_properties(properties ${label} "${wine}" "${arg_DESKTOP}")
  set(filter "")
  if(arg_FILTER)
    set(filter TEST_FILTER ${arg_FILTER})
  endif()
  if(CMAKE_CROSSCOMPILING)
    gtest_discover_tests(${target} ${arg_UNPARSED_ARGUMENTS} ${filter} PROPERTIES ${properties}
                         DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 300)
  else()
    gtest_discover_tests(${target} ${arg_UNPARSED_ARGUMENTS} ${filter} PROPERTIES ${properties}
                         DISCOVERY_TIMEOUT 60)
  endif()
endfunction()

# A test that is not registered case by case: add_test's arguments, then
# LABEL and optionally WINE and DESKTOP as above, and its ENVIRONMENT.
# A GoogleTest program's skipped case skips the whole test.
function(pvtools_add_test name)
  cmake_parse_arguments(arg "WINE;DESKTOP" "LABEL" "ENVIRONMENT" ${ARGN})
  add_test(NAME ${name} ${arg_UNPARSED_ARGUMENTS})
  pvtools_test_properties(properties "${arg_LABEL}" "${arg_WINE}" "${arg_DESKTOP}")
  set(environment ${arg_ENVIRONMENT})
  list(FIND properties ENVIRONMENT at)
  if(at GREATER -1)
    math(EXPR at "${at} + 1")
    list(GET properties ${at} display)
    list(APPEND environment ${display})
    list(REMOVE_AT properties ${at})
    list(REMOVE_ITEM properties ENVIRONMENT)
  endif()
  set_tests_properties(${name} PROPERTIES ${properties} SKIP_REGULAR_EXPRESSION "\\[  SKIPPED \\]")
  if(environment)
    set_tests_properties(${name} PROPERTIES ENVIRONMENT "${environment}")
  endif()
endfunction()
