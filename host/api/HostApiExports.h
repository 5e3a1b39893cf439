// The exported host functions that the host's own verbs call as the plug-in would (so that
// the verbs exercise exactly what the plug-in gets).
#pragma once

#include "host/api/HostExport.h"
#include "plugin/HostApi.h"

HOST_EXPORT LPCSTR WINAPI BKA_GetFolderDisplayName(LPCSTR folder);
HOST_EXPORT LPSTR WINAPI BKA_MIMEHeader(LPCSTR in, LPSTR charset, int size, BOOL encode);
HOST_EXPORT void WINAPI BKA_Free(LPVOID memory);
