// Catching a structured exception the way a host does: the frames between
// are unwound (their clean-up handlers run) and control returns here.
#pragma once
#include <windows.h>

namespace host {

// Runs action(context). Returns false when it returned normally; true when a
// structured exception left it, with the exception's record in caught.
bool CatchStructured(void (*action)(void* context), void* context, EXCEPTION_RECORD* caught);

template <typename Action>
bool CatchStructured(Action& action, EXCEPTION_RECORD* caught) {
  return CatchStructured([](void* context) { (*static_cast<Action*>(context))(); }, &action, caught);
}

}  // namespace host
