# voltaro_add_test(NAME SOURCES a.cpp b.cpp [LABELS unit|render|e2e ...] [LIBS ...] [TIMEOUT s])
#
# One QtTest executable, one CTest entry. Tests link the same library as the
# program. Labels pick what runs where: `unit` needs no display, `render` and
# `e2e` run under Xvfb.
function(voltaro_add_test name)
    cmake_parse_arguments(T "" "TIMEOUT" "SOURCES;LABELS;LIBS" ${ARGN})
    if(NOT T_LABELS)
        set(T_LABELS unit)
    endif()
    if(NOT T_TIMEOUT)
        set(T_TIMEOUT 300)
    endif()
    add_executable(${name} ${T_SOURCES})
    set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests/bin)
    target_link_libraries(${name} PRIVATE voltaro_core voltaro_test_support Qt5::Test ${T_LIBS})
    add_test(NAME ${name} COMMAND ${name})
    set_tests_properties(${name} PROPERTIES LABELS "${T_LABELS}" TIMEOUT ${T_TIMEOUT})
    if(NOT "render" IN_LIST T_LABELS AND NOT "e2e" IN_LIST T_LABELS)
        # Logic tests must not need a display, wherever they run.
        set_property(TEST ${name} APPEND PROPERTY ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
    endif()
endfunction()
