# voltaro_add_test(NAME SOURCES a.cpp b.cpp [LABELS unit|render|e2e|bench ...] [LIBS ...] [TIMEOUT s]
#                  [NEEDS vrsim|fake_openvr ...] [DISPLAY])
#
# One QtTest executable, one CTest entry. Tests link the same library as the
# program. Labels pick what runs where: `unit` needs no display, `render` and
# `e2e` run under Xvfb, `bench` marks a benchmark, whose figures are printed
# (`ctest -L bench`). A test that needs a display without `render` or `e2e`
# (a benchmark that draws) says DISPLAY.
#
# NEEDS names what only the simulated runtime's build has: `vrsim` (a runtime
# process to talk to) or `fake_openvr` (in-process fakes derived from the
# OpenVR interface classes, which in the real SDK's header have many more pure
# virtual methods). Built against the real SDK, such a test is left out and
# listed by voltaro_report_skipped_tests(); otherwise it links what it needs.
function(voltaro_add_test name)
    cmake_parse_arguments(T "DISPLAY" "TIMEOUT" "SOURCES;LABELS;LIBS;NEEDS" ${ARGN})
    if(T_NEEDS AND VOLTARO_USE_OPENVR_SDK)
        set_property(GLOBAL APPEND PROPERTY VOLTARO_SKIPPED_TESTS ${name})
        return()
    endif()
    if(NOT T_LABELS)
        set(T_LABELS unit)
    endif()
    if(NOT T_TIMEOUT)
        set(T_TIMEOUT 300)
    endif()
    add_executable(${name} ${T_SOURCES})
    set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests/bin)
    target_link_libraries(${name} PRIVATE voltaro_core voltaro_test_support Qt5::Test ${T_LIBS})
    if("fake_openvr" IN_LIST T_NEEDS)
        target_link_libraries(${name} PRIVATE voltaro_fake_openvr)
    endif()
    if("vrsim" IN_LIST T_NEEDS)
        target_link_libraries(${name} PRIVATE voltaro_test_runtime)
    endif()
    if(VOLTARO_USE_OPENVR_SDK AND WIN32)
        # Windows looks for the SDK's DLL beside the test.
        add_custom_command(TARGET ${name} POST_BUILD
            COMMAND ${CMAKE_COMMAND} -E copy_if_different $<TARGET_FILE:openvr_api> $<TARGET_FILE_DIR:${name}>
            VERBATIM)
    endif()
    add_test(NAME ${name} COMMAND ${name})
    set_tests_properties(${name} PROPERTIES LABELS "${T_LABELS}" TIMEOUT ${T_TIMEOUT})
    if(NOT T_DISPLAY AND NOT "render" IN_LIST T_LABELS AND NOT "e2e" IN_LIST T_LABELS)
        # Logic tests must not need a display, wherever they run.
        set_property(TEST ${name} APPEND PROPERTY ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
    endif()
endfunction()

# One status line for everything voltaro_add_test() left out (and `extra`, for
# whole folders left out by the caller).
function(voltaro_report_skipped_tests)
    get_property(skipped GLOBAL PROPERTY VOLTARO_SKIPPED_TESTS)
    list(APPEND skipped ${ARGN})
    if(skipped)
        list(JOIN skipped ", " names)
        message(STATUS "Built against the OpenVR SDK, so without the tests that need vrsim or fake the OpenVR "
                       "interfaces: ${names}")
    endif()
endfunction()
