// The settings sheet (arrives with the settings UI).
#include "ui/Setup.h"

int OnPlugInSetup(HWND) { return 1; }
