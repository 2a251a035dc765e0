// The platform's errors. Inside the module they travel as C++ exceptions;
// where they leave for the host they become the platform's structured
// exception (code 0x0EEDFADE, non-continuable, seven parameters, the second
// the error object).
#pragma once
#include <windows.h>

#include <cstdint>
#include <exception>
#include <string_view>

#include "LongString.h"
#include "Register.h"

namespace runtime {

class Exception {
 public:
  explicit Exception(LongString message) : message_(std::move(message)) {}
  virtual ~Exception() = default;
  const LongString& Message() const { return message_; }

 private:
  LongString message_;
};

// "メモリが足りません": the memory manager had no memory.
class OutOfMemoryError : public Exception {
 public:
  OutOfMemoryError();
};

// "無効なポインタ操作": the memory manager refused to free a block.
class InvalidPointerError : public Exception {
 public:
  InvalidPointerError();
};

// A failed system call, with the system's text for it in the user's language.
class OSError : public Exception {
 public:
  explicit OSError(DWORD code);
  DWORD Code() const { return code_; }

 private:
  DWORD code_;
};

[[noreturn]] void ThrowOutOfMemory();
[[noreturn]] void ThrowInvalidPointer();
// Throws OSError for the calling thread's last error.
[[noreturn]] void ThrowLastOSError();

constexpr DWORD kPlatformExceptionCode = 0x0EEDFADE;
constexpr DWORD kPlatformExceptionParameters = 7;

// The error object a structured exception carries, laid out as the
// platform's: its class reference first (the slot before the one it points to
// holds the destructor, called in the register convention with the object
// and the flag 1), then the message and the help context. It lives in the
// shared memory manager, so the host that catches it frees it.
struct ErrorObject;
using ErrorDestructor = void(REGISTER_CALL*)(ErrorObject* object, int8_t outermost);
struct ErrorObject {
  const ErrorDestructor* classReference;  // classReference[-1] is the destructor
  char* message;                          // a LongString reference
  int32_t helpContext;
};

// The error object for an error about to leave for the host; never null
// (out of memory gives the object made in advance).
ErrorObject* NewErrorObject(const Exception& error) noexcept;
ErrorObject* NewErrorObject(std::string_view message) noexcept;
[[noreturn]] void RaiseErrorObject(ErrorObject* object);

// Runs body at a boundary with the host: an error of ours that leaves it is
// raised to the caller as the platform's structured exception, once the C++
// exception has been destroyed and our frames unwound.
template <typename Body>
void RunRaisingToHost(Body body) {
  ErrorObject* pending = nullptr;
  try {
    body();
  } catch (const Exception& error) {
    pending = NewErrorObject(error);
  } catch (const std::exception& error) {
    pending = NewErrorObject(error.what());
  }
  if (pending) RaiseErrorObject(pending);
}

// For code on the host's side: the platform's error object a structured
// exception carries, or null when it is not one; and its destruction.
ErrorObject* PlatformErrorObject(const EXCEPTION_RECORD* record);
void DestroyErrorObject(ErrorObject* object);

}  // namespace runtime
