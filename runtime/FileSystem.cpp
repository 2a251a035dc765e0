// The batch directory reading of Vista and later is declared only for them;
// the module looks it up at run time and still runs where it is missing.
#undef _WIN32_WINNT
#define _WIN32_WINNT 0x0600
#include "FileSystem.h"

#include <algorithm>
#include <memory>
#include <string>
#include <type_traits>

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

bool IsAscii(std::wstring_view text) {
  return std::all_of(text.begin(), text.end(), [](wchar_t c) { return c < 0x80; });
}

// ASCII here; any other text through the system, which knows every script's
// case. Most names are ASCII, and a call per name costs a large folder dearly.
void UpperCaseInPlace(std::wstring& text) {
  if (!IsAscii(text)) {
    CharUpperBuffW(text.data(), static_cast<DWORD>(text.size()));
    return;
  }
  for (wchar_t& c : text) {
    if (c >= L'a' && c <= L'z') c = static_cast<wchar_t>(c - L'a' + L'A');
  }
}

// One pattern of a mask, upper case: '*' any run, '?' one character; what is
// left of the pattern once the name is used up may be dots and stars only.
class UpperCasePattern {
 public:
  explicit UpperCasePattern(std::wstring text)
      : text_(std::move(text)),
        starAndTail_(text_.size() > 1 && text_[0] == L'*' && text_.back() != L'.' &&
                     text_.find_first_of(L"*?", 1) == std::wstring::npos) {}

  // The name upper case too.
  bool Matches(std::wstring_view name) const {
    if (!starAndTail_) return MatchesWildcards(name);
    // The usual "*.GIF": a star, then a tail without wildcards that does not
    // end in a dot, matches exactly the names that end in the tail.
    const std::wstring_view tail = std::wstring_view(text_).substr(1);
    return name.size() >= tail.size() && name.substr(name.size() - tail.size()) == tail;
  }

 private:
  bool MatchesWildcards(std::wstring_view name) const {
    constexpr std::size_t kNoStar = std::wstring_view::npos;
    const std::wstring_view pattern = text_;
    std::size_t n = 0;
    std::size_t p = 0;
    std::size_t afterStar = kNoStar;  // pattern position after the last '*'
    std::size_t starName = 0;         // name position that '*' was last tried up to
    while (n < name.size()) {
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

  std::wstring text_;
  bool starAndTail_;
};

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
std::vector<UpperCasePattern> UpperCasePatterns(std::string_view mask) {
  std::vector<UpperCasePattern> patterns;
  for (std::string_view pattern : SplitMask(mask)) {
    std::wstring upper = Widen(pattern);
    UpperCaseInPlace(upper);
    patterns.emplace_back(std::move(upper));
  }
  return patterns;
}

// The name converted exactly to the ANSI code page, or false. ASCII is the
// same in every ANSI code page.
bool ExactAnsi(std::wstring_view name, std::string& ansi) {
  if (name.empty()) return false;
  if (IsAscii(name)) {
    ansi.assign(name.begin(), name.end());
    return true;
  }
  char buffer[MAX_PATH * 2 + 1];
  BOOL usedDefault = FALSE;
  const int length = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, name.data(), static_cast<int>(name.size()),
                                         buffer, sizeof buffer, nullptr, &usedDefault);
  if (length <= 0 || usedDefault) return false;
  ansi.assign(buffer, static_cast<std::size_t>(length));
  return true;
}

// One entry of a directory as the file system gives it.
struct DirectoryEntry {
  std::wstring_view name;
  std::wstring_view shortName;  // empty when the name is its own 8.3 name
  DWORD attributes;
};

// The name by which the ANSI functions reach the entry: its long name when
// that survives the code page and path parsing (which strips a trailing dot or
// blank), else its short name; false when neither does.
bool ReachableAnsiName(const DirectoryEntry& entry, std::string& ansi) {
  const std::wstring_view name = entry.name;
  if (!name.empty() && name.back() != L'.' && name.back() != L' ' && ExactAnsi(name, ansi)) return true;
  return ExactAnsi(entry.shortName, ansi);
}

bool IsDotOrDotDot(std::wstring_view name) { return name == L"." || name == L".."; }

// directory + '\' + "*", the backslash left out after a root or an empty directory.
std::wstring AllEntriesOf(std::string_view directory) {
  std::wstring search = Widen(directory);
  if (!search.empty() && search.back() != L'\\') search += L'\\';
  return search + L'*';
}

// Appends the name's sort key for CompareString's order ignoring case: the
// system orders sort keys as CompareString orders their strings. A key per
// name instead of CompareString per comparison: those calls were most of the
// time taken by a large folder.
void AppendSortKey(const LongString& name, std::string& keys) {
  constexpr DWORD kFlags = LCMAP_SORTKEY | NORM_IGNORECASE;
  char buffer[1024];
  int size = LCMapStringA(LOCALE_USER_DEFAULT, kFlags, name.CStr(), name.Length(), buffer, sizeof buffer);
  if (size > 0) {
    keys.append(buffer, static_cast<std::size_t>(size));
    return;
  }
  size = LCMapStringA(LOCALE_USER_DEFAULT, kFlags, name.CStr(), name.Length(), nullptr, 0);
  if (size <= 0) return;
  const std::size_t start = keys.size();
  keys.resize(start + static_cast<std::size_t>(size));
  LCMapStringA(LOCALE_USER_DEFAULT, kFlags, name.CStr(), name.Length(), keys.data() + start, size);
}

// Sorted ignoring case, names equal but for case by their bytes (so twins sit
// together), each name once.
void SortUnique(std::vector<LongString>& names) {
  std::string keys;  // all the names' keys, one after another
  std::vector<std::size_t> keyEnds;
  keyEnds.reserve(names.size());
  for (const LongString& name : names) {
    AppendSortKey(name, keys);
    keyEnds.push_back(keys.size());
  }
  struct KeyedIndex {
    std::string_view key;
    std::size_t index;
  };
  std::vector<KeyedIndex> order;
  order.reserve(names.size());
  for (std::size_t i = 0, start = 0; i < names.size(); start = keyEnds[i++]) {
    order.push_back({std::string_view(keys.data() + start, keyEnds[i] - start), i});
  }
  std::sort(order.begin(), order.end(), [&names](const KeyedIndex& a, const KeyedIndex& b) {
    if (const int byKey = a.key.compare(b.key)) return byKey < 0;
    return names[a.index].View() < names[b.index].View();
  });
  std::vector<LongString> sorted;
  sorted.reserve(names.size());
  for (const KeyedIndex& entry : order) {
    LongString& name = names[entry.index];
    if (sorted.empty() || sorted.back().View() != name.View()) sorted.push_back(std::move(name));
  }
  names = std::move(sorted);
}

// A handle closed by Close on every path.
template <BOOL(WINAPI* Close)(HANDLE)>
class OwnedHandle {
 public:
  explicit OwnedHandle(HANDLE handle) : handle_(handle) {}
  ~OwnedHandle() {
    if (Valid()) Close(handle_);
  }
  OwnedHandle(const OwnedHandle&) = delete;
  OwnedHandle& operator=(const OwnedHandle&) = delete;
  bool Valid() const { return handle_ != INVALID_HANDLE_VALUE; }
  HANDLE Get() const { return handle_; }

 private:
  HANDLE handle_;
};
using FindHandle = OwnedHandle<FindClose>;
using FileHandle = OwnedHandle<CloseHandle>;

using GetFileInformationByHandleExFunction = decltype(&GetFileInformationByHandleEx);

GetFileInformationByHandleExFunction BatchReadingIfPresent() {
  static const auto function = reinterpret_cast<GetFileInformationByHandleExFunction>(
      GetProcAddress(GetModuleHandleA("kernel32.dll"), "GetFileInformationByHandleEx"));
  return function;
}

// Many entries per call: read one at a time, a large folder took a sixth longer.
template <typename Visit>
void ReadEntriesInBatches(GetFileInformationByHandleExFunction read, std::string_view directory, Visit& visit) {
  FileHandle handle(CreateFileW(Widen(directory.empty() ? std::string_view(".") : directory).c_str(),
                                FILE_LIST_DIRECTORY, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!handle.Valid()) {
    // Opening reports a missing directory as a missing file; the search
    // reports it, as the user should see it, as a missing path.
    const DWORD error = GetLastError();
    throw OSError(error == ERROR_FILE_NOT_FOUND ? ERROR_PATH_NOT_FOUND : error);
  }
  std::vector<LONGLONG> buffer(8 * 1024);  // 64 KiB, aligned as the records need
  const DWORD bytes = static_cast<DWORD>(buffer.size() * sizeof buffer[0]);
  while (read(handle.Get(), FileIdBothDirectoryInfo, buffer.data(), bytes)) {
    const char* record = reinterpret_cast<const char*>(buffer.data());
    for (;;) {
      const auto* info = reinterpret_cast<const FILE_ID_BOTH_DIR_INFO*>(record);
      visit({{info->FileName, info->FileNameLength / sizeof(wchar_t)},
             {info->ShortName, static_cast<std::size_t>(info->ShortNameLength) / sizeof(wchar_t)},
             info->FileAttributes});
      if (info->NextEntryOffset == 0) break;
      record += info->NextEntryOffset;
    }
  }
  const DWORD error = GetLastError();
  if (error != ERROR_NO_MORE_FILES) throw OSError(error);
}

template <typename Visit>
void ReadEntriesOneByOne(std::string_view directory, Visit& visit) {
  WIN32_FIND_DATAW entry;
  FindHandle search(FindFirstFileW(AllEntriesOf(directory).c_str(), &entry));
  if (!search.Valid()) {
    const DWORD error = GetLastError();
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_NO_MORE_FILES) return;  // an empty root
    throw OSError(error);
  }
  do {
    visit({entry.cFileName, entry.cAlternateFileName, entry.dwFileAttributes});
  } while (FindNextFileW(search.Get(), &entry));
}

// Every entry of the directory, in batches where the system can (Vista on);
// throws OSError when the directory cannot be read at all.
template <typename Visit>
void ReadEntries(std::string_view directory, Visit visit) {
  if (const GetFileInformationByHandleExFunction read = BatchReadingIfPresent()) {
    ReadEntriesInBatches(read, directory, visit);
  } else {
    ReadEntriesOneByOne(directory, visit);
  }
}

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
  const std::unique_ptr<std::remove_pointer_t<HMODULE>, decltype(&FreeLibrary)> mpr(LoadLibraryA("mpr.dll"),
                                                                                      &FreeLibrary);
  if (!mpr) return {};
  const auto getConnection =
      reinterpret_cast<WNetGetConnectionFunction>(GetProcAddress(mpr.get(), "WNetGetConnectionA"));
  if (!getConnection) return {};
  const char local[] = {letter, ':', '\0'};
  char remote[MAX_PATH + 1];
  DWORD length = sizeof remote;
  if (getConnection(local, remote, &length) != NO_ERROR) return {};
  remote[MAX_PATH] = '\0';
  return LowerCase(remote);
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
  return UpperCasePattern(std::move(widePattern)).Matches(wideName);
}

DirectoryContents ReadDirectoryContents(std::string_view directory, std::string_view mask) {
  DirectoryContents contents;
  const std::vector<UpperCasePattern> patterns = UpperCasePatterns(mask);
  QuietDriveErrors quiet;
  std::wstring upper;
  std::string ansi;
  ReadEntries(directory, [&](const DirectoryEntry& entry) {
    if (entry.attributes & FILE_ATTRIBUTE_DIRECTORY) {
      if (!(entry.attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)) && !IsDotOrDotDot(entry.name) &&
          ReachableAnsiName(entry, ansi))
        contents.subfolders.emplace_back(ansi);
      return;
    }
    if (entry.attributes & kNotAPlainFile) return;
    // The system's search also matches the short name (Photo.tiff is PHOTO~1.TIF to "*.tif").
    for (const std::wstring_view candidate : {entry.name, entry.shortName}) {
      if (candidate.empty()) continue;
      upper.assign(candidate);
      UpperCaseInPlace(upper);
      const bool matches = std::any_of(patterns.begin(), patterns.end(),
                                       [&](const UpperCasePattern& pattern) { return pattern.Matches(upper); });
      if (matches) {
        if (ReachableAnsiName(entry, ansi)) contents.matchingFiles.emplace_back(ansi);
        return;
      }
    }
  });
  SortUnique(contents.matchingFiles);
  SortUnique(contents.subfolders);
  return contents;
}

std::vector<LongString> ReadMatchingFiles(std::string_view directory, std::string_view mask) {
  try {
    return ReadDirectoryContents(directory, mask).matchingFiles;
  } catch (const OSError&) {
    return {};
  }
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
  return ReadDirectoryContents(directory, "").subfolders;
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
