// The few things the bsfilter stand-in does differently on each system.
#pragma once

// Puts standard input, output and error into binary mode (no line-end or end-of-file
// translation), so that every byte passes through unchanged.
void StandinBinaryStdio();

// Ends the program abnormally, as a crash does: on Windows with an access violation
// (exit status 0xC0000005), elsewhere with SIGSEGV. Never returns.
[[noreturn]] void StandinCrash();
