// The module's memory manager: a record of three operations through which
// every dynamic allocation of the module goes, C++ new and delete included.
#pragma once
#include <cstdint>

#include "Register.h"

namespace runtime {

struct MemoryManager {
  void*(REGISTER_CALL* getMem)(int32_t size);            // null when no memory
  int32_t(REGISTER_CALL* freeMem)(void* block);          // 0 on success
  void*(REGISTER_CALL* reallocMem)(void* block, int32_t size);  // null on failure
};

MemoryManager GetMemoryManager();
void SetMemoryManager(const MemoryManager& manager);
// True once a manager other than the built-in one is installed.
bool IsMemoryManagerSet();

// The manager's operations, raising OutOfMemoryError for a null result and
// InvalidPointerError for a failed free.
void* GetMem(int32_t size);
void FreeMem(void* block);
void* ReallocMem(void* block, int32_t size);

// Allocations served by the built-in manager so far: the shared manager is
// installed before the first allocation, so this stays 0 in the module.
int32_t BuiltInAllocationCount();

}  // namespace runtime
