#include "app/Application.h"
#include "app/DisplayPlatform.h"

int main(int argc, char *argv[])
{
    // The application object starts on a platform and ends the process when
    // it cannot open it, so the choice comes first.
    chooseDisplayPlatform();
    return runApplication(argc, argv);
}
