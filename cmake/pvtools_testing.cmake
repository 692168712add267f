# A path of the build machine as the test programs see it, ready to go into
# a C string literal: unchanged natively; for the Windows tree, which runs
# under Wine, on drive Z: with (escaped) backslashes.
function(pvtools_test_path out path)
  if(WIN32)
    string(REPLACE "/" "\\\\" path "Z:${path}")
  endif()
  set(${out} "${path}" PARENT_SCOPE)
endfunction()

# Registers the cases of a GoogleTest program with CTest; extra arguments go
# to gtest_discover_tests. Natively each case is a test of its own, so that
# a failure names its case. The Windows programs are registered one test per
# program: listing their cases would run each under Wine once more, and
# their listing comes with CR LF line ends, which the discovery does not
# expect.
include(GoogleTest)
function(pvtools_test_discover target)
  if(CMAKE_CROSSCOMPILING)
    add_test(NAME ${target} COMMAND ${target})
  else()
    gtest_discover_tests(${target} ${ARGN} DISCOVERY_TIMEOUT 60)
  endif()
endfunction()
