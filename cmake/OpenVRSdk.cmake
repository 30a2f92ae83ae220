# The OpenVR SDK as an imported `openvr_api`, from the SDK's own layout:
#   headers/openvr.h
#   lib/linux64/libopenvr_api.so                          (Linux)
#   lib/win64/openvr_api.lib and bin/win64/openvr_api.dll (Windows)
# The program links it and carries a copy beside itself (src/CMakeLists.txt).

if(NOT EXISTS "${OPENVR_SDK_DIR}/headers/openvr.h")
    message(FATAL_ERROR "VOLTARO_USE_OPENVR_SDK is on, but OPENVR_SDK_DIR (\"${OPENVR_SDK_DIR}\") "
                        "holds no headers/openvr.h: set it to the root of the OpenVR SDK.")
endif()

# Found files are cached; pointed at another SDK, look again.
if(NOT "${VOLTARO_OPENVR_SDK_SEARCHED}" STREQUAL "${OPENVR_SDK_DIR}")
    unset(OPENVR_API_LIBRARY CACHE)
    unset(OPENVR_API_IMPLIB CACHE)
    unset(OPENVR_API_DLL CACHE)
endif()
set(VOLTARO_OPENVR_SDK_SEARCHED "${OPENVR_SDK_DIR}" CACHE INTERNAL "The SDK folder the openvr_api files were found in")

add_library(openvr_api SHARED IMPORTED GLOBAL)
set_target_properties(openvr_api PROPERTIES INTERFACE_INCLUDE_DIRECTORIES "${OPENVR_SDK_DIR}/headers")

if(WIN32)
    # The import library is what the linker reads, the DLL what the program loads.
    find_library(OPENVR_API_IMPLIB openvr_api PATHS "${OPENVR_SDK_DIR}/lib/win64" NO_DEFAULT_PATH REQUIRED)
    find_file(OPENVR_API_DLL openvr_api.dll PATHS "${OPENVR_SDK_DIR}/bin/win64" NO_DEFAULT_PATH REQUIRED)
    set_target_properties(openvr_api PROPERTIES IMPORTED_IMPLIB "${OPENVR_API_IMPLIB}"
                                                IMPORTED_LOCATION "${OPENVR_API_DLL}")
else()
    find_library(OPENVR_API_LIBRARY openvr_api PATHS "${OPENVR_SDK_DIR}/lib/linux64" NO_DEFAULT_PATH REQUIRED)
    # The SDK's library carries no SONAME. Linked by its path, the program
    # would record that absolute path and break once moved; linked by name,
    # it records libopenvr_api.so and finds the copy beside itself ($ORIGIN).
    set_target_properties(openvr_api PROPERTIES IMPORTED_LOCATION "${OPENVR_API_LIBRARY}" IMPORTED_NO_SONAME ON)
endif()
