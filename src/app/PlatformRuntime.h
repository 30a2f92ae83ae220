#pragma once

// Joins the platform's component runtime for the main thread before any Qt
// object exists (the Windows Runtime's multithreaded apartment, which the
// battery binding relies on). Throws BatteryPlatformError on failure; a no-op
// where there is no such runtime.
void initializePlatformRuntime();
