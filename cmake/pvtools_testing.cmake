# A path of the build machine as the test programs see it, ready to go into
# a C string literal: unchanged natively; for the Windows tree, which runs
# under Wine, on drive Z: with (escaped) backslashes.
function(pvtools_test_path out path)
  if(WIN32)
    string(REPLACE "/" "\\\\" path "Z:${path}")
  endif()
  set(${out} "${path}" PARENT_SCOPE)
endfunction()

# Registers each GoogleTest case of a test program with CTest, so that a
# failure names its case; extra arguments go to gtest_discover_tests. The
# Windows programs are listed under Wine (the cross-compiling emulator)
# when the tests run, so building needs no Wine.
include(GoogleTest)
function(pvtools_test_discover target)
  if(CMAKE_CROSSCOMPILING)
    gtest_discover_tests(${target} ${ARGN} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 300)
  else()
    gtest_discover_tests(${target} ${ARGN} DISCOVERY_TIMEOUT 60)
  endif()
endfunction()
