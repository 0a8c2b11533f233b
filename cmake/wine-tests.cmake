# Tests that run under Wine. They share one prefix per ctest run: the fixture "wine" prepares
# it with tools/wine-env.sh before the first of them (a fresh prefix, Japanese locale and
# fonts, a display for the end-to-end tests) and stops it after the last. Their time-outs only
# catch a hang: in the emulated machine of the 32-bit build, on a loaded machine, a test takes
# several times as long as natively.
set(TOLVANE_WINE_DIR ${CMAKE_BINARY_DIR}/wine CACHE PATH "Folder of the Wine prefix the tests run in")
set(TOLVANE_WINE_DESKTOP 1024x768 CACHE STRING
    "Size of the virtual desktop the programs run in (it draws captions and the tray); empty: none")
set(TOLVANE_WINE_ENV ${CMAKE_SOURCE_DIR}/tools/wine-env.sh)

if(NOT TOLVANE_WINE_ARCH)
  set(TOLVANE_WINE_ARCH win32)
endif()
# The simulated remote access service is installed as the prefix's own rasapi32.dll, in its
# system folder: the programs load that library from there and nowhere else.
set(prepare_options --arch ${TOLVANE_WINE_ARCH} --display --system-dll $<TARGET_FILE:sim_rasapi32>)
if(TOLVANE_WINE_DESKTOP)
  list(APPEND prepare_options --desktop ${TOLVANE_WINE_DESKTOP})
endif()
add_test(NAME wine_prepare COMMAND ${TOLVANE_WINE_ENV} prepare ${TOLVANE_WINE_DIR} ${prepare_options})
set_tests_properties(wine_prepare PROPERTIES FIXTURES_SETUP wine LABELS wine-env TIMEOUT 900)
add_test(NAME wine_stop COMMAND ${TOLVANE_WINE_ENV} stop ${TOLVANE_WINE_DIR})
set_tests_properties(wine_stop PROPERTIES FIXTURES_CLEANUP wine LABELS wine-env TIMEOUT 60)

# GoogleTest programs leave their results in test-results/NAME.xml, for the test command's
# count of cases (a Windows path: the programs run under Wine).
set(TOLVANE_TEST_RESULTS ${CMAKE_BINARY_DIR}/test-results)
function(gtest_results_environment name out)
  set(${out} "GTEST_OUTPUT=xml:Z:${TOLVANE_TEST_RESULTS}/${name}.xml" PARENT_SCOPE)
endfunction()

# A Windows-built test program that needs no display, run by the emulator (wine). TZ is set
# from the start: msvcrt that once ran without it keeps no daylight saving for later zones.
function(add_wine_test name target)
  add_test(NAME ${name} COMMAND ${target} ${ARGN})
  gtest_results_environment(${name} results)
  set_tests_properties(${name} PROPERTIES
    FIXTURES_REQUIRED wine
    LABELS wine
    ENVIRONMENT "WINEPREFIX=${TOLVANE_WINE_DIR}/prefix;LANG=ja_JP.UTF-8;LC_ALL=ja_JP.UTF-8;WINEARCH=${TOLVANE_WINE_ARCH};WINELOADER=${CMAKE_CROSSCOMPILING_EMULATOR};WINEDEBUG=-all;WINEDLLOVERRIDES=rasapi32=n;TZ=JST-9;${results}"
    TIMEOUT 900)
endfunction()

# An end-to-end test program: it runs on the display the fixture chose, one at a time, and the
# screenshots it leaves in build/e2e-out/NAME are converted to PNG afterwards.
function(add_e2e_test name target)
  add_test(NAME ${name}
    COMMAND ${TOLVANE_WINE_ENV} e2e ${TOLVANE_WINE_DIR} ${CMAKE_BINARY_DIR}/e2e-out/${name}
            $<TARGET_FILE:${target}> ${ARGN})
  gtest_results_environment(${name} results)
  set_tests_properties(${name} PROPERTIES
    FIXTURES_REQUIRED wine
    LABELS e2e
    RESOURCE_LOCK wine_desktop
    ENVIRONMENT "${results}"
    TIMEOUT 1800)
endfunction()
