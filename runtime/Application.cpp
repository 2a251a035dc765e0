#include "Application.h"

#include <string_view>

#include "Paths.h"

namespace runtime {

Application* application = nullptr;

Application::Application(HINSTANCE instance) : Component(nullptr), instance_(instance) {}

LongString Application::Title() const {
  char path[MAX_PATH];
  const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string_view name = FileNamePart(std::string_view(path, length < MAX_PATH ? length : 0));
  const std::size_t dot = name.rfind('.');
  return LongString(dot == std::string_view::npos ? name : name.substr(0, dot));
}

void Application::ShowException(const Exception& error) const {
  LongString text = error.Message();
  // The platform ends a sentence that lacks closing punctuation with a full stop.
  const std::string_view view = text.View();
  if (!view.empty() && static_cast<unsigned char>(view.back()) < 0x80 && view.back() > '.' &&
      !IsTrailByte(view, view.size() - 1))
    text = LongString::Concat({view, "."});
  MessageBoxA(nullptr, text.CStr(), Title().CStr(), MB_OK | MB_ICONSTOP | MB_TASKMODAL);
}

void InitializeApplication(HINSTANCE instance) { application = new Application(instance); }

void FinalizeApplication() {
  delete application;
  application = nullptr;
}

}  // namespace runtime
