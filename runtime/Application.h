// The module's application object: it has no window of its own (the module
// is a library), owns the module's forms, and shows the errors that reach
// the dispatch of a window message.
#pragma once
#include <windows.h>

#include "Component.h"
#include "Errors.h"

namespace runtime {

class Application : public Component {
 public:
  explicit Application(HINSTANCE instance);

  // The module's own instance, where its resources are.
  HINSTANCE Instance() const { return instance_; }
  // The host program's file name without its extension.
  LongString Title() const;
  // The platform's error box: the error's text, a stop icon, an OK button.
  void ShowException(const Exception& error) const;

 private:
  HINSTANCE instance_;
};

// Created by the module's start-up, destroyed with everything it still owns
// when the module is unloaded.
extern Application* application;

void InitializeApplication(HINSTANCE instance);
void FinalizeApplication();

}  // namespace runtime
