// A small host program: loads a plug-in (Zorvane.plg beside it unless one is
// named on the command line), shows its title, runs it once and lists what it
// handed over.
#include <windows.h>

#include <cstdio>
#include <string>

#include "PluginHost.h"

namespace {

// Prints ANSI (code page 932) text: wide to a console, UTF-8 to a pipe or file.
void Print(const std::string& ansi) {
  const int length = MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), nullptr, 0);
  std::wstring wide(length, L'\0');
  MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), wide.data(), length);
  HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
  DWORD mode;
  DWORD written;
  if (GetConsoleMode(out, &mode)) {
    WriteConsoleW(out, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
    return;
  }
  const int bytes = WideCharToMultiByte(CP_UTF8, 0, wide.data(), length, nullptr, 0, nullptr, nullptr);
  std::string utf8(bytes, '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), length, utf8.data(), bytes, nullptr, nullptr);
  WriteFile(out, utf8.data(), static_cast<DWORD>(utf8.size()), &written, nullptr);
}

}  // namespace

int main(int argc, char** argv) {
  const std::string pluginPath = argc > 1 ? argv[1] : "Zorvane.plg";
  try {
    host::Plugin plugin(pluginPath);
    Print("plug-in: " + pluginPath + "\ntitle: " + plugin.Title() + "\n");
    host::RecordingHost recorder;
    const host::RunOutcome outcome = plugin.Run(recorder.Object());
    if (outcome.raised) {
      Print("the run ended with an error: " + outcome.errorMessage + "\n");
      return 1;
    }
    const std::vector<std::string> paths = recorder.SubmittedPaths();
    Print("the run returned " + std::string(outcome.result ? "true" : "false") + "; files handed over: " +
          std::to_string(paths.size()) + "\n");
    for (const std::string& path : paths) Print("  " + path + "\n");
  } catch (const std::exception& error) {
    Print(std::string("demo host: ") + error.what() + "\n");
    return 1;
  }
  return 0;
}
