#pragma once
// Alarm jobs: a voice call or SMS handed to the sibling servers when a person must come.

// Starts the alarm job for the given text (a partner's name, or "Alarm" for a program that
// had to be killed ten times in a row). Returns the number of job lines written.
int AlarmJob_Start(const char* text);
