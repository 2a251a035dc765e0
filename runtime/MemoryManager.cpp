#include "MemoryManager.h"

#include <windows.h>

#include <new>

#include "Errors.h"

// The shared manager's operations, bound by the loader when the module loads.
extern "C" {
extern void*(REGISTER_CALL* const SharedGetMem)(int32_t) __asm__("__imp_@Borlndmm@SysGetMem$qqri");
extern int32_t(REGISTER_CALL* const SharedFreeMem)(void*) __asm__("__imp_@Borlndmm@SysFreeMem$qqrpv");
extern void*(REGISTER_CALL* const SharedReallocMem)(void*, int32_t) __asm__("__imp_@Borlndmm@SysReallocMem$qqrpvi");
}

namespace runtime {
namespace {

int32_t builtInAllocations = 0;

REGISTER_CALL void* BuiltInGetMem(int32_t size) {
  ++builtInAllocations;
  return size < 0 ? nullptr : HeapAlloc(GetProcessHeap(), 0, size ? size : 1);
}

REGISTER_CALL int32_t BuiltInFreeMem(void* block) {
  return HeapFree(GetProcessHeap(), 0, block) ? 0 : 1;
}

REGISTER_CALL void* BuiltInReallocMem(void* block, int32_t size) {
  ++builtInAllocations;
  return size < 0 ? nullptr : HeapReAlloc(GetProcessHeap(), 0, block, size ? size : 1);
}

constexpr MemoryManager kBuiltIn = {BuiltInGetMem, BuiltInFreeMem, BuiltInReallocMem};

MemoryManager memoryManager = kBuiltIn;

bool IsBuiltIn(const MemoryManager& manager) {
  return manager.getMem == kBuiltIn.getMem && manager.freeMem == kBuiltIn.freeMem &&
         manager.reallocMem == kBuiltIn.reallocMem;
}

// Runs before every other initialisation of the module (the lowest priority
// number a program may use), and never switches back on the way out.
__attribute__((constructor(101))) void InstallSharedMemoryManager() {
  if (IsBuiltIn(memoryManager)) memoryManager = {SharedGetMem, SharedFreeMem, SharedReallocMem};
}

}  // namespace

MemoryManager GetMemoryManager() { return memoryManager; }

void SetMemoryManager(const MemoryManager& manager) { memoryManager = manager; }

bool IsMemoryManagerSet() { return !IsBuiltIn(memoryManager); }

int32_t BuiltInAllocationCount() { return builtInAllocations; }

void* GetMem(int32_t size) {
  void* block = memoryManager.getMem(size);
  if (!block) ThrowOutOfMemory();
  return block;
}

void FreeMem(void* block) {
  if (memoryManager.freeMem(block) != 0) ThrowInvalidPointer();
}

void* ReallocMem(void* block, int32_t size) {
  void* moved = memoryManager.reallocMem(block, size);
  if (!moved) ThrowOutOfMemory();
  return moved;
}

}  // namespace runtime

namespace {

int32_t CheckedSize(std::size_t size) {
  if (size > INT32_MAX) runtime::ThrowOutOfMemory();
  return static_cast<int32_t>(size);
}

}  // namespace

void* operator new(std::size_t size) { return runtime::GetMem(CheckedSize(size)); }
void* operator new[](std::size_t size) { return runtime::GetMem(CheckedSize(size)); }

void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  return size > INT32_MAX ? nullptr : runtime::GetMemoryManager().getMem(static_cast<int32_t>(size));
}
void* operator new[](std::size_t size, const std::nothrow_t& tag) noexcept { return operator new(size, tag); }

// A failed free cannot be reported from delete, which must not throw; the
// shared manager then has changed nothing.
void operator delete(void* block) noexcept {
  if (block) runtime::GetMemoryManager().freeMem(block);
}
void operator delete[](void* block) noexcept { operator delete(block); }
void operator delete(void* block, std::size_t) noexcept { operator delete(block); }
void operator delete[](void* block, std::size_t) noexcept { operator delete(block); }
