#include "Errors.h"

#include <string_view>

#include "MemoryManager.h"

namespace runtime {
namespace {

const LongStringConstant<18> kOutOfMemoryText = {
    -1, 18, "\x83\x81\x83\x82\x83\x8a\x82\xaa\x91\xab\x82\xe8\x82\xdc\x82\xb9\x82\xf1"};  // メモリが足りません
const LongStringConstant<18> kInvalidPointerText = {
    -1, 18, "\x96\xb3\x8c\xf8\x82\xc8\x83\x7c\x83\x43\x83\x93\x83\x5e\x91\x80\x8d\xec"};  // 無効なポインタ操作

LongString SystemMessage(DWORD code) {
  char* buffer = nullptr;
  const DWORD length = FormatMessageA(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code,
      0, reinterpret_cast<char*>(&buffer), 0, nullptr);
  std::string_view text(buffer ? buffer : "", length);
  while (!text.empty() && (text.back() == '\r' || text.back() == '\n' || text.back() == ' ')) text.remove_suffix(1);
  char fallback[32];
  if (text.empty()) {
    wsprintfA(fallback, "OS error %lu", static_cast<unsigned long>(code));
    text = fallback;
  }
  LongString message(text);
  LocalFree(buffer);
  return message;
}

REGISTER_CALL void DestroyAllocatedError(ErrorObject* object, int8_t) {
  LongString::ReleaseQuietly(object->message);
  GetMemoryManager().freeMem(object);
}

// Out of memory leaves with an object made in advance, which its destructor
// leaves alone: there may be no memory for a new one.
REGISTER_CALL void DestroyNothing(ErrorObject*, int8_t) {}

const ErrorDestructor kAllocatedErrorClass[] = {DestroyAllocatedError, nullptr};
const ErrorDestructor kPreallocatedErrorClass[] = {DestroyNothing, nullptr};

ErrorObject outOfMemoryObject = {&kPreallocatedErrorClass[1], const_cast<char*>(kOutOfMemoryText.text), 0};

ErrorObject* NewErrorObjectFor(char* message) noexcept {
  auto* object = static_cast<ErrorObject*>(GetMemoryManager().getMem(sizeof(ErrorObject)));
  if (!object) return &outOfMemoryObject;
  *object = {&kAllocatedErrorClass[1], message, 0};
  LongString::AddRef(message);
  return object;
}

}  // namespace

OutOfMemoryError::OutOfMemoryError() : Exception(kOutOfMemoryText) {}
InvalidPointerError::InvalidPointerError() : Exception(kInvalidPointerText) {}
OSError::OSError(DWORD code) : Exception(SystemMessage(code)), code_(code) {}

void ThrowOutOfMemory() { throw OutOfMemoryError(); }
void ThrowInvalidPointer() { throw InvalidPointerError(); }
void ThrowLastOSError() { throw OSError(GetLastError()); }

ErrorObject* NewErrorObject(const Exception& error) noexcept {
  if (dynamic_cast<const OutOfMemoryError*>(&error)) return &outOfMemoryObject;
  return NewErrorObjectFor(error.Message().Reference());
}

ErrorObject* NewErrorObject(std::string_view message) noexcept {
  try {
    LongString text(message);
    return NewErrorObjectFor(text.Reference());
  } catch (const Exception&) {
    return &outOfMemoryObject;
  }
}

void RaiseErrorObject(ErrorObject* object) {
  const ULONG_PTR arguments[kPlatformExceptionParameters] = {
      reinterpret_cast<ULONG_PTR>(__builtin_return_address(0)), reinterpret_cast<ULONG_PTR>(object), 0, 0, 0, 0, 0};
  RaiseException(kPlatformExceptionCode, EXCEPTION_NONCONTINUABLE, kPlatformExceptionParameters, arguments);
  __builtin_unreachable();
}

ErrorObject* PlatformErrorObject(const EXCEPTION_RECORD* record) {
  if (record->ExceptionCode != kPlatformExceptionCode || record->NumberParameters != kPlatformExceptionParameters)
    return nullptr;
  return reinterpret_cast<ErrorObject*>(record->ExceptionInformation[1]);
}

void DestroyErrorObject(ErrorObject* object) { object->classReference[-1](object, 1); }

}  // namespace runtime
