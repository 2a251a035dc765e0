// A shared memory manager for a host and its plug-ins: every block either
// side allocates can be freed by the other. Unlike a bare heap it refuses a
// free of an address it never handed out, or of one already freed, and
// changes nothing then; that is what keeps a faulty caller from corrupting it.
#include <windows.h>

#include <cstdint>

namespace {

// Open-addressing set of the addresses handed out.
class BlockTable {
 public:
  bool Contains(void* block) const { return slots_ && slots_[Find(block)] == Key(block); }

  // Makes sure the next Insert needs no memory.
  bool MakeRoom() { return (used_ + 1) * 4 < capacity_ * 3 || Grow(); }

  void Insert(void* block) {
    size_t slot = Find(block);
    if (slots_[slot] == kEmpty) ++used_;
    slots_[slot] = Key(block);
    ++count_;
  }

  void Erase(void* block) {
    slots_[Find(block)] = kErased;
    --count_;
  }

  int32_t Count() const { return count_; }

 private:
  static constexpr uintptr_t kEmpty = 0;
  static constexpr uintptr_t kErased = 1;

  static uintptr_t Key(void* block) { return reinterpret_cast<uintptr_t>(block); }

  // The key's slot, or else the first reusable slot on its probe sequence.
  size_t Find(void* block) const {
    const uintptr_t key = Key(block);
    size_t slot = (key >> 3) * 2654435761u & (capacity_ - 1);
    size_t reusable = SIZE_MAX;
    for (;; slot = (slot + 1) & (capacity_ - 1)) {
      if (slots_[slot] == key) return slot;
      if (slots_[slot] == kErased && reusable == SIZE_MAX) reusable = slot;
      if (slots_[slot] == kEmpty) return reusable != SIZE_MAX ? reusable : slot;
    }
  }

  bool Grow() {
    // Sized by live blocks, so that rehashing also clears erased slots.
    size_t capacity = 1024;
    while (static_cast<size_t>(count_ + 1) * 2 > capacity) capacity *= 2;
    auto* slots = static_cast<uintptr_t*>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, capacity * sizeof(uintptr_t)));
    if (!slots) return false;
    uintptr_t* old = slots_;
    const size_t oldCapacity = capacity_;
    slots_ = slots;
    capacity_ = capacity;
    used_ = 0;
    for (size_t i = 0; i < oldCapacity; ++i) {
      if (old[i] > kErased) {
        slots_[Find(reinterpret_cast<void*>(old[i]))] = old[i];
        ++used_;
      }
    }
    if (old) HeapFree(GetProcessHeap(), 0, old);
    return true;
  }

  uintptr_t* slots_ = nullptr;
  size_t capacity_ = 0;
  size_t used_ = 0;  // slots not empty, erased ones included
  int32_t count_ = 0;
};

struct SharedHeap {
  CRITICAL_SECTION lock;
  HANDLE heap;
  BlockTable blocks;
  int64_t bytes;
  int32_t failCountdown;
  // Only requests made from code in this range count towards the failure.
  uintptr_t failFrom;
  uintptr_t failTo;
};

SharedHeap shared;

class Locked {
 public:
  Locked() { EnterCriticalSection(&shared.lock); }
  ~Locked() { LeaveCriticalSection(&shared.lock); }
  Locked(const Locked&) = delete;
  Locked& operator=(const Locked&) = delete;
};

bool InjectedFailure(void* caller) {
  const auto address = reinterpret_cast<uintptr_t>(caller);
  if (address < shared.failFrom || address >= shared.failTo) return false;
  return shared.failCountdown > 0 && --shared.failCountdown == 0;
}

}  // namespace

#define REGISTER_CONVENTION __attribute__((regparm(3)))

extern "C" {

REGISTER_CONVENTION void* SysGetMem(int32_t size) {
  if (size < 0) return nullptr;
  Locked locked;
  if (InjectedFailure(__builtin_return_address(0)) || !shared.blocks.MakeRoom()) return nullptr;
  void* block = HeapAlloc(shared.heap, 0, size ? size : 1);
  if (!block) return nullptr;
  shared.blocks.Insert(block);
  shared.bytes += size;
  return block;
}

REGISTER_CONVENTION int32_t SysFreeMem(void* block) {
  Locked locked;
  if (!block || !shared.blocks.Contains(block)) return 1;
  shared.bytes -= HeapSize(shared.heap, 0, block);
  shared.blocks.Erase(block);
  return HeapFree(shared.heap, 0, block) ? 0 : 1;
}

REGISTER_CONVENTION void* SysReallocMem(void* block, int32_t size) {
  if (size < 0) return nullptr;
  Locked locked;
  if (!block || !shared.blocks.Contains(block)) return nullptr;
  if (InjectedFailure(__builtin_return_address(0)) || !shared.blocks.MakeRoom()) return nullptr;
  const SIZE_T oldSize = HeapSize(shared.heap, 0, block);
  void* moved = HeapReAlloc(shared.heap, 0, block, size ? size : 1);
  if (!moved) return nullptr;
  if (moved != block) {
    shared.blocks.Erase(block);
    shared.blocks.Insert(moved);
  }
  shared.bytes += static_cast<int64_t>(size) - static_cast<int64_t>(oldSize);
  return moved;
}

int32_t BorlndmmOutstandingBlocks() {
  Locked locked;
  return shared.blocks.Count();
}

int32_t BorlndmmOutstandingBytes() {
  Locked locked;
  return static_cast<int32_t>(shared.bytes);
}

void BorlndmmFailRequestFrom(HMODULE module, int32_t n) {
  Locked locked;
  shared.failCountdown = n > 0 ? n : 0;
  shared.failFrom = 0;
  shared.failTo = UINTPTR_MAX;
  if (module) {
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(module);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(reinterpret_cast<const char*>(module) + dos->e_lfanew);
    shared.failFrom = reinterpret_cast<uintptr_t>(module);
    shared.failTo = shared.failFrom + nt->OptionalHeader.SizeOfImage;
  }
}

void BorlndmmFailRequest(int32_t n) { BorlndmmFailRequestFrom(nullptr, n); }

int32_t BorlndmmPendingFailure() {
  Locked locked;
  return shared.failCountdown;
}

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, void*) {
  if (reason == DLL_PROCESS_ATTACH) {
    InitializeCriticalSection(&shared.lock);
    shared.heap = HeapCreate(0, 0, 0);
    return shared.heap != nullptr;
  }
  return TRUE;
}

}  // extern "C"
