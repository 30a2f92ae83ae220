// Connects to the runtime, creates an overlay with the key given as the only argument, says
// "ready" on stdout and then waits until it is killed or its stdin closes.
#include <openvr.h>

#include <cstdio>

int main(int argc, char *argv[])
{
    if (argc != 2)
        return 2;
    vr::EVRInitError error = vr::VRInitError_None;
    vr::VR_Init(&error, vr::VRApplication_Overlay);
    if (error != vr::VRInitError_None)
        return 3;
    vr::VROverlayHandle_t handle = vr::k_ulOverlayHandleInvalid;
    if (vr::VROverlay()->CreateOverlay(argv[1], argv[1], &handle) != vr::VROverlayError_None)
        return 4;
    std::puts("ready");
    std::fflush(stdout);
    while (std::getchar() != EOF) { }
    vr::VR_Shutdown();
    return 0;
}
