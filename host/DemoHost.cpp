// A small host program: DemoHost [FOLDER [PLUGIN]]. It opens the plug-in
// (Zorvane.plg beside it by default) in FOLDER, shows its title, runs it once
// and, for each file it receives, prints what a printing host checks before
// printing. It keeps each path as a host does and frees them after the run.
#include <windows.h>

#include <cstdio>
#include <string>

#include "ImageInfo.h"
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

std::string Describe(const host::ImageInfo& info) {
  if (!info.readable) return "cannot be opened";
  std::string text = std::to_string(info.bytes) + " bytes";
  if (!info.format.empty()) text += ", " + info.format;
  if (info.width > 0) text += ", " + std::to_string(info.width) + " x " + std::to_string(info.height) + " pixels";
  return text;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string folder = argc > 1 ? argv[1] : "";
  const std::string pluginPath = argc > 2 ? argv[2] : "Zorvane.plg";
  try {
    host::Plugin plugin(pluginPath);
    Print("plug-in: " + pluginPath + "\ntitle: " + plugin.Title() + "\n");
    if (!folder.empty() && !SetCurrentDirectoryA(folder.c_str())) Print("cannot open the folder " + folder + "\n");
    host::RecordingHost recorder;
    recorder.KeepPaths(true);
    recorder.OnSubmit([](const char* path) { Print(std::string(path) + ": " + Describe(host::ReadImageInfo(path)) + "\n"); });
    const host::RunOutcome outcome = plugin.Run(recorder.Object());
    if (outcome.raised) {
      Print("the run ended with an error: " + outcome.errorMessage + "\n");
      return 1;
    }
    Print("the run returned " + std::string(outcome.result ? "true" : "false") + "; files handed over: " +
          std::to_string(recorder.KeptPaths().size()) + "\n");
    recorder.DropKeptPaths();
  } catch (const std::exception& error) {
    Print(std::string("demo host: ") + error.what() + "\n");
    return 1;
  }
  return 0;
}
