// How the host simulator exports a function from its executable: by undecorated name on
// Windows (dllexport; the link step drops the stdcall "@n" suffix), with default visibility
// in the dynamic symbol table on Linux. The plug-in resolves the BKA_ functions with
// GetProcAddress on the host program.
#pragma once

#ifdef _WIN32
#define HOST_EXPORT extern "C" __declspec(dllexport)
#else
#define HOST_EXPORT extern "C" __attribute__((visibility("default")))
#endif
