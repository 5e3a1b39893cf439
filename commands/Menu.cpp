// The context menu (arrives with the mail commands).
#include "commands/Menu.h"

int OnMenuInit(HWND, HMENU, int) { return 0; }
