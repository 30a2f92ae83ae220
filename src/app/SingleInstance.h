#pragma once

// True when this process is the first running instance of the program. The
// claim is held until the process ends, however it ends.
bool acquireSingleInstance();
