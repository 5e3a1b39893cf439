// Classification of incoming messages (arrives with the classification work).
#include "engine/Classify.h"

int g_action = 0;

int OnBeforeFilter2(LPCSTR, LPCSTR, int*, char**) { return 0; }

int MakeSpamAction(char**, LPCSTR, int*) { return 0; }
