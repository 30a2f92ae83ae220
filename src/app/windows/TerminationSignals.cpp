#include "app/TerminationSignals.h"

// A Windows GUI program is ended through its session or the task manager; it
// has no console signals to hear.
struct TerminationSignals::Listener
{ };

TerminationSignals::TerminationSignals() = default;

TerminationSignals::~TerminationSignals() = default;
