// Diagnostics of the shared memory manager stand-in, for tests and benchmarks.
// The module never imports these.
#pragma once
#include <windows.h>

#include <cstdint>

extern "C" {
// Blocks handed out and not yet freed, and their requested sizes in bytes.
__declspec(dllimport) int32_t BorlndmmOutstandingBlocks();
__declspec(dllimport) int32_t BorlndmmOutstandingBytes();
// Makes the n-th get or reallocate from now (1 = the next) fail with null;
// 0 cancels a pending failure.
__declspec(dllimport) void BorlndmmFailRequest(int32_t n);
// The same, counting only the requests made from code of that module.
__declspec(dllimport) void BorlndmmFailRequestFrom(HMODULE module, int32_t n);
// How many gets and reallocates are still to come before the failure; 0 when none is pending.
__declspec(dllimport) int32_t BorlndmmPendingFailure();
}
