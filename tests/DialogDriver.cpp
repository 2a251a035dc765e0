#include "DialogDriver.h"

namespace testing_support {
namespace {

DialogDriver* driving = nullptr;  // a thread timer carries no context
ErrorBoxWatch* watching = nullptr;

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

std::vector<std::string> ListEntries(HWND list) {
  std::vector<std::string> entries;
  const int count = static_cast<int>(SendMessageA(list, LB_GETCOUNT, 0, 0));
  for (int i = 0; i < count; ++i) {
    std::string text(SendMessageA(list, LB_GETTEXTLEN, i, 0) + 1, '\0');
    text.resize(SendMessageA(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(text.data())));
    entries.push_back(text);
  }
  return entries;
}

struct BoxParts {
  int buttons = 0;
  bool stopIcon = false;
};

BOOL CALLBACK CountBoxParts(HWND child, LPARAM parts) {
  auto* found = reinterpret_cast<BoxParts*>(parts);
  char className[64];
  GetClassNameA(child, className, sizeof className);
  const std::string kind = className;
  if (kind == "Button" && IsWindowVisible(child)) ++found->buttons;
  if (kind == "Static" && (GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON &&
      reinterpret_cast<HICON>(SendMessageA(child, STM_GETICON, 0, 0)) == LoadIcon(nullptr, IDI_HAND))
    found->stopIcon = true;
  return TRUE;
}

void SetShiftHeld(bool held) {
  BYTE keys[256];
  GetKeyboardState(keys);
  keys[VK_SHIFT] = held ? 0x80 : 0;
  SetKeyboardState(keys);
}

void CALLBACK ReleaseShift(HWND, UINT, UINT_PTR timer, DWORD) {
  KillTimer(nullptr, timer);
  SetShiftHeld(false);
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

// With the \\?\ prefix, so that chains deeper than MAX_PATH go too.
void RemoveTree(const std::string& ansiPath) {
  std::wstring path(MultiByteToWideChar(CP_ACP, 0, ansiPath.c_str(), -1, nullptr, 0), L'\0');
  MultiByteToWideChar(CP_ACP, 0, ansiPath.c_str(), -1, path.data(), static_cast<int>(path.size()));
  path.resize(path.size() - 1);
  RemoveTree(L"\\\\?\\" + path);
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
  if (Finished() || inStep_ || FindMessageBox()) return;
  HWND dialog = FindDialog();
  if (!dialog) return;
  inStep_ = true;
  steps_[next_++](dialog);
  inStep_ = false;
}

ErrorBoxWatch::ErrorBoxWatch() : timer_(SetTimer(nullptr, 0, kTickMilliseconds, &OnTimer)) { watching = this; }

ErrorBoxWatch::~ErrorBoxWatch() {
  KillTimer(nullptr, timer_);
  watching = nullptr;
}

void CALLBACK ErrorBoxWatch::OnTimer(HWND, UINT, UINT_PTR, DWORD) {
  HWND box = FindMessageBox();
  if (!watching || !box) return;
  BoxParts parts;
  EnumChildWindows(box, &CountBoxParts, reinterpret_cast<LPARAM>(&parts));
  const HWND dialog = FindDialog();
  const HWND ok = GetDlgItem(box, IDOK);
  constexpr int kMessageBoxTextId = 0xFFFF;
  watching->seen_.push_back({WindowText(GetDlgItem(box, kMessageBoxTextId)), parts.stopIcon,
                             parts.buttons == 1 && ok && IsWindowVisible(ok), dialog && !IsWindowEnabled(dialog)});
  PressButton(box, IDOK);
}

void PumpMessages() {
  MSG message;
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
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

std::vector<std::string> FileListEntries(HWND dialog) { return ListEntries(GetDlgItem(dialog, kFileListId)); }

std::vector<int> SelectedFiles(HWND dialog) {
  HWND list = GetDlgItem(dialog, kFileListId);
  std::vector<int> selected;
  const int count = static_cast<int>(SendMessageA(list, LB_GETCOUNT, 0, 0));
  for (int i = 0; i < count; ++i)
    if (SendMessageA(list, LB_GETSEL, i, 0) > 0) selected.push_back(i);
  return selected;
}

std::vector<std::string> DirectoryListEntries(HWND dialog) {
  return ListEntries(GetDlgItem(dialog, kDirectoryListId));
}

bool HighlightFolder(HWND dialog, const std::string& name) {
  const std::vector<std::string> entries = DirectoryListEntries(dialog);
  for (std::size_t i = 0; i < entries.size(); ++i) {
    if (entries[i] == name) {
      SendMessageA(GetDlgItem(dialog, kDirectoryListId), LB_SETCURSEL, i, 0);
      return true;
    }
  }
  return false;
}

void DoubleClickHighlightedFolder(HWND dialog) {
  SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(kDirectoryListId, LBN_DBLCLK),
               reinterpret_cast<LPARAM>(GetDlgItem(dialog, kDirectoryListId)));
}

void PostWithShiftHeld(HWND control, WPARAM key) {
  SetShiftHeld(true);
  PostMessageA(control, WM_KEYDOWN, key, 1);
  SetTimer(nullptr, 0, 0, &ReleaseShift);  // a timer comes only after the posted key
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
