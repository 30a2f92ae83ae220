#include "app/DisplayPlatform.h"

// A Windows session always has its desktop to draw on.
void chooseDisplayPlatform() { }

bool displayAvailable()
{
    return true;
}
