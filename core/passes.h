#pragma once
// The supervision passes run by the tick: by window title and by message once per second,
// the status probes of message-supervised programs every tick, and the problem state.

void TitlePass();
void MessagePass();
void ProbeMessageServices();
void UpdateProblemState();
