#include "core/passes.h"

// The passes take their places in the tick now; their supervision logic is built on top of
// the process and window control, which does not exist yet. Until then they look at nothing.
void TitlePass() {}
void MessagePass() {}
void ProbeMessageServices() {}
void UpdateProblemState() {}
