#pragma once

// Makes the usual requests to end a background program (SIGTERM, SIGINT on
// Linux) leave the Qt event loop, so the program tears down in order and
// flushes its settings, as it does after the runtime's quit request.
void quitOnTerminationSignals();
