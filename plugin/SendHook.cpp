// The send hook (arrives with the lists).
#include "plugin/DllMain.h"

int OnSend(LPCSTR) { return 0; }
