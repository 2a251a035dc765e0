// Guaranteed clean-up. A Finally runs its clean-up once: when it goes out of
// scope, normally or while one of our C++ errors unwinds, and also while a
// structured exception raised by the host (which runs no C++ destructor)
// unwinds through it, for it links a frame of its own into the thread's
// structured exception chain. Create it only as a local variable.
#pragma once
#include <windows.h>

#include <exception>
#include <utility>

namespace runtime {

class FinallyFrame {
 public:
  FinallyFrame(const FinallyFrame&) = delete;
  FinallyFrame& operator=(const FinallyFrame&) = delete;

 protected:
  using CleanUp = void (*)(FinallyFrame* frame);
  explicit FinallyFrame(CleanUp cleanUp);
  // Unlinks the frame, then runs the clean-up unless an unwind ran it.
  void Leave();

 private:
  static EXCEPTION_DISPOSITION __cdecl Handler(EXCEPTION_RECORD* record, void* frame, CONTEXT*, void*);

  // Must stay first: the chain links to it, and the handler finds the frame by it.
  struct Registration {
    Registration* previous;
    decltype(&Handler) handler;
  } registration_;
  CleanUp cleanUp_;
  bool done_ = false;
};

template <typename Action>
class Finally : public FinallyFrame {
 public:
  explicit Finally(Action action) : FinallyFrame(&Run), action_(std::move(action)) {}
  // A clean-up that fails on a normal exit passes its error on; one that
  // fails while an error unwinds leaves the first error to go on.
  ~Finally() noexcept(false) {
    if (std::uncaught_exceptions() > 0) {
      try {
        Leave();
      } catch (...) {
      }
    } else {
      Leave();
    }
  }

 private:
  static void Run(FinallyFrame* frame) { static_cast<Finally*>(frame)->action_(); }
  Action action_;
};

}  // namespace runtime
