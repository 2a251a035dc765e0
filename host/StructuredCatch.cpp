#include "StructuredCatch.h"

#include <intrin.h>

namespace host {
namespace {

struct CatchFrame {
  // Must stay first: the system hands the handler this address.
  struct Registration {
    Registration* previous;
    void* handler;
  } registration;
  void* resume[5];  // for __builtin_setjmp
  EXCEPTION_RECORD record;
};

EXCEPTION_DISPOSITION __cdecl CatchHandler(EXCEPTION_RECORD* record, void* frame, CONTEXT*, void*) {
  if (record->ExceptionFlags & (EXCEPTION_UNWINDING | EXCEPTION_EXIT_UNWIND)) return ExceptionContinueSearch;
  auto* catchFrame = static_cast<CatchFrame*>(frame);
  catchFrame->record = *record;
  RtlUnwind(frame, nullptr, record, nullptr);
  __builtin_longjmp(catchFrame->resume, 1);
}

}  // namespace

// Not inlined: the frame must stay where the registration points.
__attribute__((noinline)) bool CatchStructured(void (*action)(void*), void* context, EXCEPTION_RECORD* caught) {
  CatchFrame frame;
  frame.registration.previous = reinterpret_cast<CatchFrame::Registration*>(__readfsdword(0));
  frame.registration.handler = reinterpret_cast<void*>(&CatchHandler);
  __writefsdword(0, reinterpret_cast<DWORD>(&frame.registration));
  if (__builtin_setjmp(frame.resume) == 0) {
    action(context);
    __writefsdword(0, reinterpret_cast<DWORD>(frame.registration.previous));
    return false;
  }
  __writefsdword(0, reinterpret_cast<DWORD>(frame.registration.previous));
  *caught = frame.record;
  return true;
}

}  // namespace host
