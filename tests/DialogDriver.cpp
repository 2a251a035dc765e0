#include "DialogDriver.h"

namespace testing_support {
namespace {

DialogDriver* driving = nullptr;  // a thread timer carries no context

constexpr UINT kTickMilliseconds = 40;

struct WindowSearch {
  const char* className;
  HWND found;
};

BOOL CALLBACK MatchVisibleOfClass(HWND window, LPARAM search) {
  auto* wanted = reinterpret_cast<WindowSearch*>(search);
  char className[64];
  GetClassNameA(window, className, sizeof className);
  if (IsWindowVisible(window) && std::string(className) == wanted->className) {
    wanted->found = window;
    return FALSE;
  }
  return TRUE;
}

// The thread's first visible top-level window of that class, or null.
HWND FindVisible(const char* className) {
  WindowSearch search = {className, nullptr};
  EnumThreadWindows(GetCurrentThreadId(), &MatchVisibleOfClass, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// Wide throughout: an ANSI search would spell a name outside the code page
// as one that does not exist, and the folder would stay behind.
void RemoveTree(const std::wstring& path) {
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW((path + L"\\*").c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      const std::wstring name = found.cFileName;
      if (name == L"." || name == L"..") continue;
      const std::wstring child = path + L"\\" + name;
      SetFileAttributesW(child.c_str(), FILE_ATTRIBUTE_NORMAL);
      if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        RemoveTree(child);
      } else {
        DeleteFileW(child.c_str());
      }
    } while (FindNextFileW(search, &found));
    FindClose(search);
  }
  RemoveDirectoryW(path.c_str());
}

void RemoveTree(const std::string& ansiPath) {
  std::wstring path(MultiByteToWideChar(CP_ACP, 0, ansiPath.c_str(), -1, nullptr, 0), L'\0');
  MultiByteToWideChar(CP_ACP, 0, ansiPath.c_str(), -1, path.data(), static_cast<int>(path.size()));
  path.resize(path.size() - 1);
  RemoveTree(path);
}

}  // namespace

DialogDriver::DialogDriver(std::vector<Step> steps)
    : steps_(std::move(steps)), timer_(SetTimer(nullptr, 0, kTickMilliseconds, &OnTimer)) {
  driving = this;
}

DialogDriver::~DialogDriver() {
  KillTimer(nullptr, timer_);
  driving = nullptr;
}

void CALLBACK DialogDriver::OnTimer(HWND, UINT, UINT_PTR, DWORD) {
  if (driving) driving->Tick();
}

void DialogDriver::Tick() {
  if (Finished()) return;
  HWND dialog = FindDialog();
  if (!dialog) return;
  steps_[next_++](dialog);
}

HWND FindDialog() { return FindVisible("ZorvaneForm"); }

HWND FindMessageBox() { return FindVisible("#32770"); }

std::string WindowText(HWND window) {
  char text[1024];
  const int length = GetWindowTextA(window, text, sizeof text);
  return std::string(text, length > 0 ? length : 0);
}

void PressButton(HWND window, int id) {
  PostMessageA(window, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(window, id)));
}

DialogDriver::Step PressOK() {
  return [](HWND dialog) { SendMessageA(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0); };
}

DialogDriver::Step PressCancel() {
  return [](HWND dialog) { SendMessageA(GetDlgItem(dialog, IDCANCEL), BM_CLICK, 0, 0); };
}

DialogDriver::Step SelectFiles(std::vector<int> indexes) {
  return [indexes](HWND dialog) {
    for (int index : indexes) SendMessageA(GetDlgItem(dialog, kFileListId), LB_SETSEL, TRUE, index);
  };
}

std::vector<std::string> FileListEntries(HWND dialog) {
  HWND list = GetDlgItem(dialog, kFileListId);
  std::vector<std::string> entries;
  const int count = static_cast<int>(SendMessageA(list, LB_GETCOUNT, 0, 0));
  for (int i = 0; i < count; ++i) {
    std::string text(SendMessageA(list, LB_GETTEXTLEN, i, 0) + 1, '\0');
    text.resize(SendMessageA(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(text.data())));
    entries.push_back(text);
  }
  return entries;
}

TemporaryFolder::TemporaryFolder(const std::string& name) {
  char temporary[MAX_PATH];
  GetTempPathA(MAX_PATH, temporary);
  path_ = std::string(temporary) + name + "-" + std::to_string(GetCurrentProcessId());
  RemoveTree(path_);
  CreateDirectoryA(path_.c_str(), nullptr);
}

TemporaryFolder::~TemporaryFolder() { RemoveTree(path_); }

std::string TemporaryFolder::Make(const std::string& relative, DWORD attributes) const {
  const std::string path = path_ + "\\" + relative;
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file != INVALID_HANDLE_VALUE) {
    DWORD written;
    WriteFile(file, "x", 1, &written, nullptr);
    CloseHandle(file);
  }
  SetFileAttributesA(path.c_str(), attributes);
  return path;
}

std::string TemporaryFolder::MakeFolder(const std::string& relative) const {
  const std::string path = path_ + "\\" + relative;
  CreateDirectoryA(path.c_str(), nullptr);
  return path;
}

}  // namespace testing_support
