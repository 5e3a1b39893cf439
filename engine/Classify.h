// Classification of incoming messages and the spam action answered to the host.
#pragma once

#include "platform/platform.h"

// 1 while a spam message has been answered with the read mark and its spam action is due on
// the host's next call; 0 otherwise.
extern int g_action;

// The host's filter event for one incoming message.
int OnBeforeFilter2(LPCSTR message, LPCSTR mailbox, int* action, char** param);

// Writes the spam treatment chosen in the settings into action and param.
int MakeSpamAction(char** param, LPCSTR mailbox, int* action);
