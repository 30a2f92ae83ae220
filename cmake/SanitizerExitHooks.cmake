# In a sanitizer build every executable of the project (the program, vrsim,
# its test clients, the tests) gets the hooks of tools/sanitizer/ExitHooks.cpp.
# They must sit in each executable, not in a library: nothing references them,
# so a linker would drop them from an archive.
add_library(voltaro_sanitizer_exit_hooks OBJECT ${PROJECT_SOURCE_DIR}/tools/sanitizer/ExitHooks.cpp)

function(voltaro_add_exit_hooks directory)
    get_property(targets DIRECTORY ${directory} PROPERTY BUILDSYSTEM_TARGETS)
    foreach(target IN LISTS targets)
        get_target_property(type ${target} TYPE)
        if(type STREQUAL "EXECUTABLE")
            target_sources(${target} PRIVATE $<TARGET_OBJECTS:voltaro_sanitizer_exit_hooks>)
        endif()
    endforeach()
    get_property(subdirectories DIRECTORY ${directory} PROPERTY SUBDIRECTORIES)
    foreach(subdirectory IN LISTS subdirectories)
        voltaro_add_exit_hooks(${subdirectory})
    endforeach()
endfunction()

voltaro_add_exit_hooks(${PROJECT_SOURCE_DIR})
