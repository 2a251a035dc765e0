#include "Finally.h"

#include <intrin.h>

namespace runtime {

FinallyFrame::FinallyFrame(CleanUp cleanUp) : cleanUp_(cleanUp) {
  registration_.previous = reinterpret_cast<Registration*>(__readfsdword(0));
  registration_.handler = &Handler;
  __writefsdword(0, reinterpret_cast<DWORD>(&registration_));
}

void FinallyFrame::Leave() {
  __writefsdword(0, reinterpret_cast<DWORD>(registration_.previous));
  if (!done_) {
    done_ = true;
    cleanUp_(this);
  }
}

EXCEPTION_DISPOSITION __cdecl FinallyFrame::Handler(EXCEPTION_RECORD* record, void* frame, CONTEXT*, void*) {
  if (record->ExceptionFlags & (EXCEPTION_UNWINDING | EXCEPTION_EXIT_UNWIND)) {
    auto* self = reinterpret_cast<FinallyFrame*>(frame);
    if (!self->done_) {
      self->done_ = true;
      // No C++ error may leave into the system's unwinder: the host's error goes on.
      try {
        self->cleanUp_(self);
      } catch (...) {
      }
    }
  }
  return ExceptionContinueSearch;
}

}  // namespace runtime
