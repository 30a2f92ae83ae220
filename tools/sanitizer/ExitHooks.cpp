// Linked into every executable of a sanitizer build (cmake/SanitizerExitHooks.cmake),
// so that the leak check at exit reports only what is ours. That check is for
// runs that end as planned: the program's fatal conditions end it with
// exit(-1) from deep inside start-up (bad arguments, a second instance, no
// runtime, a document that does not load), leaving what was built so far to
// the end of the process by design, and reporting that as leaks would hide
// the real ones.
#if defined(__SANITIZE_ADDRESS__)

#include <dlfcn.h>
#include <stdlib.h>

namespace {

// Mesa unloads its software GL driver when the last context goes, before the
// leak check runs; what the driver keeps for the process then shows up as
// leaks in an unknown module, which no suppression can name. Held loaded,
// its allocations stay attributable (and reachable from its own globals).
void keepSoftwareGlDriverLoaded()
{
    dlopen("/usr/lib/x86_64-linux-gnu/dri/swrast_dri.so", RTLD_LAZY | RTLD_NODELETE | RTLD_LOCAL);
}

bool g_failedExit = false;

void noteExitStatus(int status, void *)
{
    g_failedExit = status != 0;
}

// Runs after the sanitizer's own start-up, so this handler runs before its
// leak check, which it registered first.
__attribute__((constructor)) void watchExitStatus()
{
    on_exit(&noteExitStatus, nullptr);
    keepSoftwareGlDriverLoaded();
}

} // namespace

// The sanitizer asks this hook at exit whether to skip the leak check.
extern "C" int __lsan_is_turned_off()
{
    return g_failedExit ? 1 : 0;
}

#endif
