// The settings sheet where there are no windows: it cannot be shown, so OnPlugInSetup takes
// the path of a sheet that could not be created (the copy is dropped, the layout kept and the
// pending recipients merged), exactly as after Cancel.
#include "ui/Setup.h"

int RunSetupSheet(SetupSheet*, HWND) { return -1; }
