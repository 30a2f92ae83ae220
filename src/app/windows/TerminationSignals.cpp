#include "app/TerminationSignals.h"

void quitOnTerminationSignals()
{
    // A Windows GUI program is ended through its session or the task manager;
    // it has no console signals to hear.
}
