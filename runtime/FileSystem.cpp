#include "FileSystem.h"

#include <algorithm>
#include <string>

#include "Errors.h"
#include "Paths.h"

namespace runtime {
namespace {

// The volume-label attribute of the DOS era (faVolumeID); the SDK no longer names it.
constexpr DWORD kVolumeLabelAttribute = 0x00000008;
constexpr DWORD kNotAPlainFile =
    FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_DIRECTORY | kVolumeLabelAttribute;

std::wstring Widen(std::string_view text) {
  std::wstring wide;
  if (text.empty()) return wide;
  const int length = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  wide.resize(static_cast<std::size_t>(length));
  MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), wide.data(), length);
  return wide;
}

void UpperCaseInPlace(std::wstring& text) {
  if (!text.empty()) CharUpperBuffW(text.data(), static_cast<DWORD>(text.size()));
}

// Both sides already upper case. '*' any run, '?' one character; what is left
// of the pattern once the name is used up may be dots and stars only.
bool MatchesUpperCase(const wchar_t* name, std::size_t nameLength, std::wstring_view pattern) {
  constexpr std::size_t kNoStar = std::wstring_view::npos;
  std::size_t n = 0;
  std::size_t p = 0;
  std::size_t afterStar = kNoStar;  // pattern position after the last '*'
  std::size_t starName = 0;         // name position that '*' was last tried up to
  while (n < nameLength) {
    if (p < pattern.size() && pattern[p] == L'*') {
      afterStar = ++p;
      starName = n;
    } else if (p < pattern.size() && (pattern[p] == L'?' || pattern[p] == name[n])) {
      ++p;
      ++n;
    } else if (afterStar != kNoStar) {
      p = afterStar;
      n = ++starName;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && (pattern[p] == L'*' || pattern[p] == L'.')) ++p;
  return p == pattern.size();
}

std::vector<std::string_view> SplitMask(std::string_view mask) {
  std::vector<std::string_view> patterns;
  std::size_t start = 0;
  while (start <= mask.size()) {
    std::size_t end = mask.find(';', start);  // ';' is never a trail byte in code page 932
    if (end == std::string_view::npos) end = mask.size();
    if (end > start) patterns.push_back(mask.substr(start, end - start));
    start = end + 1;
  }
  return patterns;
}

// The mask's patterns, upper case, empty ones dropped.
std::vector<std::wstring> UpperCasePatterns(std::string_view mask) {
  std::vector<std::wstring> patterns;
  for (std::string_view pattern : SplitMask(mask)) {
    patterns.push_back(Widen(pattern));
    UpperCaseInPlace(patterns.back());
  }
  return patterns;
}

// The name converted exactly to the ANSI code page, or false.
bool ExactAnsi(const wchar_t* name, std::string& ansi) {
  char buffer[MAX_PATH * 2 + 1];
  BOOL usedDefault = FALSE;
  const int length = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, name, -1, buffer, sizeof buffer, nullptr,
                                         &usedDefault);
  if (length <= 1 || usedDefault) return false;
  ansi.assign(buffer, static_cast<std::size_t>(length - 1));
  return true;
}

// The name by which the ANSI functions reach the entry: its long name when
// that survives the code page and path parsing (which strips a trailing dot or
// blank), else its short name; false when neither does.
bool ReachableAnsiName(const WIN32_FIND_DATAW& entry, std::string& ansi) {
  const std::wstring_view longName(entry.cFileName);
  if (!longName.empty() && longName.back() != L'.' && longName.back() != L' ' && ExactAnsi(entry.cFileName, ansi))
    return true;
  return entry.cAlternateFileName[0] != L'\0' && ExactAnsi(entry.cAlternateFileName, ansi);
}

bool IsDotOrDotDot(const wchar_t* name) {
  return name[0] == L'.' && (name[1] == L'\0' || (name[1] == L'.' && name[2] == L'\0'));
}

// directory + '\' + "*", the backslash left out after a root or an empty directory.
std::wstring AllEntriesOf(std::string_view directory) {
  std::wstring search = Widen(directory);
  if (!search.empty() && search.back() != L'\\') search += L'\\';
  return search + L'*';
}

bool NameLess(const LongString& a, const LongString& b) {
  const int order = CompareTextIgnoringCase(a.View(), b.View());
  return order != 0 ? order < 0 : a.View() < b.View();  // equal ignoring case: bytes decide, so twins sit together
}

void SortUnique(std::vector<LongString>& names) {
  std::sort(names.begin(), names.end(), NameLess);
  names.erase(std::unique(names.begin(), names.end()), names.end());
}

// Closes a search handle on every path.
class FindHandle {
 public:
  explicit FindHandle(HANDLE handle) : handle_(handle) {}
  ~FindHandle() {
    if (Valid()) FindClose(handle_);
  }
  FindHandle(const FindHandle&) = delete;
  FindHandle& operator=(const FindHandle&) = delete;
  bool Valid() const { return handle_ != INVALID_HANDLE_VALUE; }
  HANDLE Get() const { return handle_; }

 private:
  HANDLE handle_;
};

using SetThreadErrorModeFunction = BOOL(WINAPI*)(DWORD newMode, DWORD* oldMode);

SetThreadErrorModeFunction SetThreadErrorModeIfPresent() {
  static const auto function = reinterpret_cast<SetThreadErrorModeFunction>(
      GetProcAddress(GetModuleHandleA("kernel32.dll"), "SetThreadErrorMode"));
  return function;
}

using WNetGetConnectionFunction = DWORD(WINAPI*)(const char* localName, char* remoteName, DWORD* length);

// The network name of a connected network drive ("x:"), or empty. mpr.dll is
// loaded only for this, so the module imports no more than system DLLs it
// always has.
LongString NetworkName(char letter) {
  HMODULE mpr = LoadLibraryA("mpr.dll");
  if (!mpr) return {};
  LongString name;
  if (const auto getConnection =
          reinterpret_cast<WNetGetConnectionFunction>(GetProcAddress(mpr, "WNetGetConnectionA"))) {
    const char local[] = {letter, ':', '\0'};
    char remote[MAX_PATH + 1];
    DWORD length = sizeof remote;
    if (getConnection(local, remote, &length) == NO_ERROR) {
      remote[MAX_PATH] = '\0';
      try {
        name = LowerCase(remote);
      } catch (...) {
        FreeLibrary(mpr);
        throw;
      }
    }
  }
  FreeLibrary(mpr);
  return name;
}

LongString VolumeLabelInBrackets(const char* root) {
  char label[MAX_PATH + 1] = "";
  if (!GetVolumeInformationA(root, label, sizeof label, nullptr, nullptr, nullptr, nullptr, 0)) label[0] = '\0';
  const LongString lower = LowerCase(label);
  return LongString::Concat({"[", lower.View(), "]"});
}

}  // namespace

QuietDriveErrors::QuietDriveErrors() {
  const SetThreadErrorModeFunction setMode = SetThreadErrorModeIfPresent();
  if (!setMode) return;
  const DWORD lastError = GetLastError();
  if (setMode(SEM_FAILCRITICALERRORS, &previousMode_)) {
    changed_ = true;
    if (previousMode_ & ~static_cast<DWORD>(SEM_FAILCRITICALERRORS))
      setMode(previousMode_ | SEM_FAILCRITICALERRORS, nullptr);  // keep the thread's other flags
  }
  SetLastError(lastError);
}

QuietDriveErrors::~QuietDriveErrors() {
  if (!changed_) return;
  const DWORD lastError = GetLastError();
  SetThreadErrorModeIfPresent()(previousMode_, nullptr);
  SetLastError(lastError);
}

bool MatchesPattern(std::string_view name, std::string_view pattern) {
  std::wstring wideName = Widen(name);
  std::wstring widePattern = Widen(pattern);
  UpperCaseInPlace(wideName);
  UpperCaseInPlace(widePattern);
  return MatchesUpperCase(wideName.data(), wideName.size(), widePattern);
}

std::vector<LongString> ReadMatchingFiles(std::string_view directory, std::string_view mask) {
  std::vector<LongString> names;
  const std::vector<std::wstring> patterns = UpperCasePatterns(mask);
  if (patterns.empty()) return names;
  QuietDriveErrors quiet;
  WIN32_FIND_DATAW entry;
  FindHandle search(FindFirstFileW(AllEntriesOf(directory).c_str(), &entry));
  if (!search.Valid()) return names;
  std::wstring upper;
  std::string ansi;
  do {
    if (entry.dwFileAttributes & kNotAPlainFile) continue;
    // The system's search also matches the short name (Photo.tiff is PHOTO~1.TIF to "*.tif").
    bool matches = false;
    for (const wchar_t* candidate : {entry.cFileName, entry.cAlternateFileName}) {
      if (candidate[0] == L'\0') continue;
      upper.assign(candidate);
      UpperCaseInPlace(upper);
      for (const std::wstring& pattern : patterns) {
        if (MatchesUpperCase(upper.data(), upper.size(), pattern)) {
          matches = true;
          break;
        }
      }
      if (matches) break;
    }
    if (matches && ReachableAnsiName(entry, ansi)) names.emplace_back(ansi);
  } while (FindNextFileW(search.Get(), &entry));
  SortUnique(names);
  return names;
}

std::vector<LongString> SearchMatchingFilesBySystem(std::string_view directory, std::string_view mask) {
  std::vector<LongString> names;
  QuietDriveErrors quiet;
  for (std::string_view pattern : SplitMask(mask)) {
    const LongString path = JoinPath(directory, pattern);
    WIN32_FIND_DATAA entry;
    FindHandle search(FindFirstFileA(path.CStr(), &entry));
    if (!search.Valid()) continue;
    do {
      if (!(entry.dwFileAttributes & kNotAPlainFile)) names.emplace_back(entry.cFileName);
    } while (FindNextFileA(search.Get(), &entry));
  }
  SortUnique(names);
  return names;
}

std::vector<LongString> ReadSubdirectories(std::string_view directory) {
  std::vector<LongString> names;
  QuietDriveErrors quiet;
  WIN32_FIND_DATAW entry;
  FindHandle search(FindFirstFileW(AllEntriesOf(directory).c_str(), &entry));
  if (!search.Valid()) {
    const DWORD error = GetLastError();
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_NO_MORE_FILES) return names;  // an empty root
    throw OSError(error);
  }
  std::string ansi;
  do {
    const DWORD attributes = entry.dwFileAttributes;
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY) || (attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)))
      continue;
    if (IsDotOrDotDot(entry.cFileName)) continue;
    if (ReachableAnsiName(entry, ansi)) names.emplace_back(ansi);
  } while (FindNextFileW(search.Get(), &entry));
  SortUnique(names);
  return names;
}

std::vector<DriveEntry> ReadDrives() {
  std::vector<DriveEntry> drives;
  QuietDriveErrors quiet;
  const DWORD present = GetLogicalDrives();
  for (int index = 0; index < 26; ++index) {
    if (!(present & (1u << index))) continue;
    const char upper = static_cast<char>('A' + index);
    const char letter = static_cast<char>('a' + index);
    const char root[] = {upper, ':', '\\', '\0'};
    const UINT type = GetDriveTypeA(root);
    const char prefix[] = {letter, ':', '\0'};
    switch (type) {
      case DRIVE_REMOVABLE:
        drives.push_back({letter, type, LongString(prefix)});
        break;
      case DRIVE_REMOTE: {
        LongString network = NetworkName(upper);
        if (network.IsEmpty()) network = VolumeLabelInBrackets(root);
        drives.push_back({letter, type, LongString::Concat({prefix, " ", network.View()})});
        break;
      }
      case DRIVE_FIXED:
      case DRIVE_CDROM:
      case DRIVE_RAMDISK:
        drives.push_back({letter, type, LongString::Concat({prefix, " ", VolumeLabelInBrackets(root).View()})});
        break;
      default:
        break;
    }
  }
  return drives;
}

}  // namespace runtime
