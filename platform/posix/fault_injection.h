// Test seam of the POSIX platform layer: a test makes a chosen system call fail, so that it can
// prove that an interrupted save loses nothing (as SQLite's tests swap entries of its system
// call table). Production code never arms it; an unarmed seam costs one atomic load per call.
//
//   PlatformInjectFault(PlatformSyscall::Rename, EIO);        // the next rename fails
//   PlatformInjectFault(PlatformSyscall::Write, ENOSPC, 2, 0); // 2 writes pass, then all fail
//   ...
//   PlatformClearFaults();
//
// The calls covered are the ones the layer's file writes go through: open(2) of files,
// write(2) to files and pipes, fsync(2), rename(2) and ftruncate(2). Faults are process-wide
// (every thread); the failing call returns -1 with the chosen errno, which the caller then
// reports as the matching Win32 error.
#pragma once

enum class PlatformSyscall { Open, Write, Fsync, Rename, Ftruncate };

// After skip calls of call have passed, the next count calls fail with errno error
// (count 0: every later call fails until PlatformClearFaults).
void PlatformInjectFault(PlatformSyscall call, int error, unsigned skip = 0, unsigned count = 1);

// Disarms every fault.
void PlatformClearFaults();
