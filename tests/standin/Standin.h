// The few things the bsfilter stand-in does differently on each system.
#pragma once

// Puts standard input, output and error into binary mode (no line-end or end-of-file
// translation), so that every byte passes through unchanged.
void StandinBinaryStdio();

// Ends the program abnormally, as a crash does: on Windows with an access violation
// (exit status 0xC0000005), elsewhere with SIGSEGV. Never returns.
[[noreturn]] void StandinCrash();

// Starts a descendant that stays alive on its own: it appends one byte to the file at path
// every 20 ms until it is ended from outside (a grandchild that survives bsfilter's end, as a
// process tree does when only its root is terminated). Returns once the first byte is there.
void StandinSpawnBeater(const char* path);

// The descendant's loop (the Windows side starts the stand-in again with "--standin-beat PATH").
[[noreturn]] void StandinBeat(const char* path);
