#include "core/passes.h"

// The problem state has its place in the tick; the tray icon, the alarm pop-up, the beep
// series and the external alarm it drives come later. Until then it changes nothing.
void UpdateProblemState() {}
