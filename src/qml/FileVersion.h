#pragma once

#include <string>

// The program's file version as "major.minor.build.revision", or "Unknown".
std::string fileVersionString();
