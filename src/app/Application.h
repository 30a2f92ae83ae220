#pragma once

// The whole life of the program: identity, settings, the command line, the
// features and the event loop. main() only calls this.
int runApplication(int argc, char *argv[]);
