# What `cmake --install` lays down beyond the program's folder (src/CMakeLists.txt),
# and the packages `cpack` makes of it: a Debian package on Linux, a ZIP of the
# deployed folder on Windows.
#
# Which runtime a package works with is in its name. Built with the real SDK it
# is `voltaro`, the one for headsets. Built on the simulated runtime it is
# `voltaro-vrsim-preview`: the program linked to vrsim's client library, which
# talks only to vrsim, so the package brings vrsim and its viewer along.

if(NOT VOLTARO_USE_OPENVR_SDK)
    # The simulated runtime, a desktop preview for people without a headset: its
    # own component, apart from the program's folder.
    install(TARGETS vrsim RUNTIME DESTINATION bin COMPONENT vrsim)
endif()

if(VOLTARO_USE_OPENVR_SDK)
    set(CPACK_PACKAGE_NAME voltaro)
    set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Battery levels of the PC inside a VR headset (OpenVR)")
    set(voltaro_description
        "Voltaro runs beside the VR runtime (SteamVR) and shows the charge of the PC's internal battery and of its\n"
        "battery packs in the VR dashboard, with an alert in view when one runs low. Built with the OpenVR SDK:\n"
        "this is the package for a real headset. Run `voltaro --install` once, with the runtime running.")
    set(voltaro_other_package voltaro-vrsim-preview)
else()
    set(CPACK_PACKAGE_NAME voltaro-vrsim-preview)
    set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Voltaro preview on the simulated VR runtime vrsim (no headset support)")
    set(voltaro_description
        "A preview of Voltaro, the battery monitor for VR, for people without a headset. This build works ONLY\n"
        "with vrsim, the simulated VR runtime it brings along (with a viewer window). It cannot drive a real\n"
        "headset. For a headset install the `voltaro` package, built with the OpenVR SDK.")
    set(voltaro_other_package voltaro)
endif()
string(REPLACE ";" "" CPACK_PACKAGE_DESCRIPTION "${voltaro_description}")

set(CPACK_PACKAGE_VENDOR "Tarvix")
set(CPACK_PACKAGE_CONTACT "Tarvix <voltaro@tarvix.com>")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_STRIP_FILES ON)

if(WIN32)
    install(FILES ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION ${VOLTARO_INSTALL_DIR} RENAME LICENSE.txt
            COMPONENT voltaro)
    set(CPACK_GENERATOR ZIP)
    set(CPACK_PACKAGE_FILE_NAME "voltaro-${PROJECT_VERSION}-win64")
else()
    # Debian keeps a package's licence as its copyright file.
    install(FILES ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION share/doc/${CPACK_PACKAGE_NAME} RENAME copyright
            COMPONENT voltaro)
    set(CPACK_GENERATOR DEB)
    set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
    set(CPACK_DEBIAN_PACKAGE_SECTION utils)
    set(CPACK_DEBIAN_PACKAGE_CONFLICTS ${voltaro_other_package})
    # What the program needs at run time besides the libraries it links: the
    # QML modules its documents import, the SVG image plugin and Mesa's drivers.
    set(voltaro_depends
        "libc6"
        "libstdc++6"
        "libgcc-s1"
        "libqt5core5a (>= 5.15)"
        "libqt5gui5 (>= 5.15) | libqt5gui5-gles (>= 5.15)"
        "libqt5qml5 (>= 5.15)"
        "libqt5quick5 (>= 5.15) | libqt5quick5-gles (>= 5.15)"
        "libqt5quickcontrols2-5 (>= 5.15)"
        "libqt5svg5"
        "libxcb1"
        "libgl1"
        "libopengl0"
        "libgl1-mesa-dri"
        "qml-module-qtquick2"
        "qml-module-qtquick-window2"
        "qml-module-qtquick-controls"
        "qml-module-qtquick-controls2"
        "qml-module-qtquick-templates2"
        "qml-module-qtgraphicaleffects")
    if(NOT VOLTARO_USE_OPENVR_SDK)
        # vrsim and its viewer.
        list(APPEND voltaro_depends "libqt5network5 (>= 5.15)" "libqt5widgets5 (>= 5.15)")
    endif()
    list(JOIN voltaro_depends ", " CPACK_DEBIAN_PACKAGE_DEPENDS)
endif()

include(CPack)
