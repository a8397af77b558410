#pragma once
// The main window's service list and the display functions that show the core's rows in it.
#include "ui/listwindow.h"

// Null while it does not exist (the core's tables work without it).
extern TOwnListWindow* g_serviceList;

// Points the row functions of g_display at g_serviceList (the frame does it when it creates
// the list; tests that keep a list of their own do it too).
void ServiceList_InstallDisplay();
