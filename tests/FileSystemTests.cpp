// The windowless core of the dialog's lists: matching files, subfolders,
// drives, wildcard matching and the thread's quiet drive errors. Runs under
// Wine with code page 932 on a fixture folder of its own.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <set>
#include <string>
#include <vector>

#include "Errors.h"
#include "FileSystem.h"
#include "LongString.h"
#include "Paths.h"

using runtime::LongString;

namespace {

constexpr char kImageMask[] = "*.gif;*.jpg;*.pcx;*.bmp;*.wmf;*.ico;*.scm;*.png;*.cms;*.tif;*.pcd;*.dxf;*.tga;*.eps";

std::wstring FromCodePage932(const std::string& bytes) {
  std::wstring wide(bytes.size(), L'\0');
  wide.resize(static_cast<std::size_t>(
      MultiByteToWideChar(932, MB_ERR_INVALID_CHARS, bytes.data(), static_cast<int>(bytes.size()), wide.data(),
                          static_cast<int>(wide.size()))));
  return wide;
}

std::string ToAnsi(const std::wstring& wide) {
  std::string ansi(wide.size() * 2, '\0');
  ansi.resize(static_cast<std::size_t>(WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()),
                                                           ansi.data(), static_cast<int>(ansi.size()), nullptr,
                                                           nullptr)));
  return ansi;
}

std::vector<std::string> Strings(const std::vector<LongString>& names) {
  std::vector<std::string> result;
  for (const LongString& name : names) result.emplace_back(name.View());
  return result;
}

// The order the lists must have, by the tests' own comparison.
std::vector<std::string> SortedIgnoringCase(std::vector<std::string> names) {
  std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
    const int order = CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a.data(), static_cast<int>(a.size()),
                                     b.data(), static_cast<int>(b.size()));
    return order != CSTR_EQUAL ? order == CSTR_LESS_THAN : a < b;
  });
  return names;
}

enum class Kind { File, Folder };

struct Entry {
  std::wstring name;
  Kind kind;
  DWORD attributes;  // beyond normal / directory
};

// The fixture folder: made under the temporary folder with a unique name,
// with every entry created through the wide functions and the \\?\ prefix (so
// that a trailing dot or blank survives); removed afterwards.
class FileSystemFixture : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    ASSERT_EQ(GetACP(), 932u) << "run under Wine with LC_ALL=ja_JP.UTF-8";
    wchar_t temp[MAX_PATH];
    ASSERT_NE(GetTempPathW(MAX_PATH, temp), 0u);
    wchar_t unique[MAX_PATH];
    wsprintfW(unique, L"%szorvane_fs_%lu_%lu", temp, GetCurrentProcessId(), GetTickCount());
    root_ = unique;
    ASSERT_TRUE(CreateDirectoryW(root_.c_str(), nullptr)) << GetLastError();
    for (const Entry& entry : Entries()) {
      const std::wstring path = L"\\\\?\\" + root_ + L"\\" + entry.name;
      if (entry.kind == Kind::Folder) {
        ASSERT_TRUE(CreateDirectoryW(path.c_str(), nullptr)) << ToAnsi(entry.name) << " " << GetLastError();
      } else {
        HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(file, INVALID_HANDLE_VALUE) << ToAnsi(entry.name) << " " << GetLastError();
        CloseHandle(file);
      }
      if (entry.attributes) {
        ASSERT_TRUE(SetFileAttributesW(path.c_str(), entry.attributes)) << ToAnsi(entry.name) << " " << GetLastError();
      }
    }
  }

  static void TearDownTestSuite() {
    if (root_.empty()) return;
    for (const Entry& entry : Entries()) {
      const std::wstring path = L"\\\\?\\" + root_ + L"\\" + entry.name;
      SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
      if (entry.kind == Kind::Folder) {
        RemoveDirectoryW(path.c_str());
      } else {
        DeleteFileW(path.c_str());
      }
    }
    EXPECT_TRUE(RemoveDirectoryW(root_.c_str())) << GetLastError();
  }

  static std::string Root() { return ToAnsi(root_); }

  // The short name the system gave an entry.
  static std::string ShortNameOf(const std::wstring& name) {
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((L"\\\\?\\" + root_ + L"\\" + name).c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return {};
    FindClose(search);
    return ToAnsi(found.cAlternateFileName);
  }

  // Files the ANSI functions cannot reach by their long names.
  static std::vector<std::wstring> UnreachableByLongName() {
    return {L"trailing.jpg.", L"trailing blank.jpg ", L"\u00dcn\u00efcode.gif", L"\u00a5yen.png"};
  }

  static const std::vector<Entry>& Entries() {
    static const std::vector<Entry> entries = [] {
      std::vector<Entry> list;
      for (const wchar_t* name :
           {L"one.GIF", L"two.jpg", L"three.PCX", L"four.Bmp", L"five.wmf", L"six.ICO", L"seven.scm", L"eight.Png",
            L"nine.CMS", L"ten.tif", L"eleven.PcD", L"twelve.dxf", L"thirteen.TGA", L"fourteen.eps", L"PHOTO.JPG",
            L"C.JpG", L"e.b.gif", L"with space.png", L"a.tiff", L"Photo.tiff", L"scan.gifx", L"vector.epsf",
            L"b.jpeg", L"d.jpg.txt", L"readme.txt", L"gif", L"jpg.doc", L"x.jp", L"noext",
            // Where the linguistic order ignoring case differs from the bytes' order.
            L"a-b.gif", L"ab.gif", L"A_b.gif", L"\uff21\uff22.gif", L"\u3042.png"}) {
        list.push_back({name, Kind::File, 0});
      }
      for (const std::wstring& name : UnreachableByLongName()) list.push_back({name, Kind::File, 0});
      list.push_back({L"readonly.bmp", Kind::File, FILE_ATTRIBUTE_READONLY});
      list.push_back({L"archived.tga", Kind::File, FILE_ATTRIBUTE_ARCHIVE});
      list.push_back({L"hidden.gif", Kind::File, FILE_ATTRIBUTE_HIDDEN});
      list.push_back({L"system.jpg", Kind::File, FILE_ATTRIBUTE_SYSTEM});
      // Second bytes 0x5C: hyou, so, nou; and half-width katakana "dejikame".
      for (const char* name : {"\x95\x5c.jpg", "\x83\x5c\x83\x74\x83\x67.png", "\x94\x5c.gif",
                               "\xc3\xde\xbc\xde\xb6\xd2.png", "\x95\x5c.txt"}) {
        list.push_back({FromCodePage932(name), Kind::File, 0});
      }
      list.push_back({L"dir.jpg", Kind::Folder, 0});
      list.push_back({L"sub a", Kind::Folder, 0});
      list.push_back({L"Sub B", Kind::Folder, 0});
      list.push_back({FromCodePage932("\x95\x5c\x83\x5c"), Kind::Folder, 0});
      list.push_back({L"\u00dcn\u00efdir", Kind::Folder, 0});
      list.push_back({L"hiddendir", Kind::Folder, FILE_ATTRIBUTE_HIDDEN});
      list.push_back({L"systemdir", Kind::Folder, FILE_ATTRIBUTE_SYSTEM});
      return list;
    }();
    return entries;
  }

  static std::wstring root_;
};

std::wstring FileSystemFixture::root_;

bool IsReachableFile(const std::string& directory, const std::string& name) {
  const LongString path = runtime::JoinPath(directory, name);
  const DWORD attributes = GetFileAttributesA(path.CStr());
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) return false;
  HANDLE file = CreateFileA(path.CStr(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  CloseHandle(file);
  return true;
}

// --- Matching files -----------------------------------------------------------

TEST_F(FileSystemFixture, MatchingFilesAreTheExpectedSortedList) {
  std::vector<std::string> expected = {
      "one.GIF", "two.jpg", "three.PCX", "four.Bmp", "five.wmf", "six.ICO", "seven.scm", "eight.Png", "nine.CMS",
      "ten.tif", "eleven.PcD", "twelve.dxf", "thirteen.TGA", "fourteen.eps", "PHOTO.JPG", "C.JpG", "e.b.gif",
      "with space.png", "readonly.bmp", "archived.tga", "a-b.gif", "ab.gif", "A_b.gif", "\x82\x60\x82\x61.gif",
      "\x82\xa0.png",
      // Found through their short names, as the system's search finds them.
      "a.tiff", "Photo.tiff", "scan.gifx", "vector.epsf",
      "\x95\x5c.jpg", "\x83\x5c\x83\x74\x83\x67.png", "\x94\x5c.gif", "\xc3\xde\xbc\xde\xb6\xd2.png"};
  for (const std::wstring& name : UnreachableByLongName()) {
    const std::string shortName = ShortNameOf(name);
    ASSERT_FALSE(shortName.empty()) << ToAnsi(name);
    expected.push_back(shortName);
  }
  EXPECT_EQ(Strings(runtime::ReadMatchingFiles(Root(), kImageMask)), SortedIgnoringCase(expected));
}

TEST_F(FileSystemFixture, EveryMatchingFileOpensThroughTheAnsiFunctions) {
  const std::vector<LongString> names = runtime::ReadMatchingFiles(Root(), kImageMask);
  ASSERT_FALSE(names.empty());
  for (const LongString& name : names) EXPECT_TRUE(IsReachableFile(Root(), std::string(name.View()))) << name.CStr();
}

// The system's ANSI search reports some names untruthfully (a best-fit
// "Unicode.gif", a "trailing.jpg." that path parsing turns into another name);
// wherever it tells the truth the two lists agree, and where it does not ours
// has the short name instead.
TEST_F(FileSystemFixture, MatchingFilesAgreeWithTheSystemsSearchWhereItTellsTheTruth) {
  std::vector<std::string> masks = {kImageMask, "*.gif;*.gif", "*.TGA;*.bmp", "*.jpg;*.JPG;*.jpeg"};
  for (std::string_view rest = kImageMask; !rest.empty();) {  // and each pattern alone
    const std::size_t end = std::min(rest.find(';'), rest.size());
    masks.emplace_back(rest.substr(0, end));
    rest.remove_prefix(std::min(end + 1, rest.size()));
  }
  for (const std::string& mask : masks) {
    SCOPED_TRACE(mask);
    const std::vector<std::string> ours = Strings(runtime::ReadMatchingFiles(Root(), mask));
    const std::vector<std::string> system = Strings(runtime::SearchMatchingFilesBySystem(Root(), mask));
    std::vector<std::string> truthful;
    for (const std::string& name : system) {
      if (IsReachableFile(Root(), name)) truthful.push_back(name);
    }
    std::set<std::string> shortNames;
    for (const std::wstring& name : UnreachableByLongName()) shortNames.insert(ShortNameOf(name));
    std::vector<std::string> oursByLongName;
    std::size_t byShortName = 0;
    for (const std::string& name : ours) {
      if (shortNames.count(name) && !std::count(system.begin(), system.end(), name)) {
        ++byShortName;
      } else {
        oursByLongName.push_back(name);
      }
    }
    EXPECT_EQ(oursByLongName, truthful);
    EXPECT_EQ(byShortName, system.size() - truthful.size());
  }
}

TEST_F(FileSystemFixture, TheSystemsSearchReportsUnreachableNames) {
  // The reason for the short names: the ANSI search hands these out as they are.
  const std::vector<std::string> system = Strings(runtime::SearchMatchingFilesBySystem(Root(), kImageMask));
  std::size_t unreachable = 0;
  for (const std::string& name : system) unreachable += IsReachableFile(Root(), name) ? 0 : 1;
  EXPECT_EQ(unreachable, UnreachableByLongName().size());
}

TEST_F(FileSystemFixture, RootWithTrailingBackslashAndEmptyMask) {
  const std::vector<LongString> plain = runtime::ReadMatchingFiles(Root(), kImageMask);
  EXPECT_EQ(runtime::ReadMatchingFiles(Root() + "\\", kImageMask), plain);
  EXPECT_TRUE(runtime::ReadMatchingFiles(Root(), "").empty());
  EXPECT_TRUE(runtime::ReadMatchingFiles(Root(), ";;").empty());
}

TEST_F(FileSystemFixture, DirectoryThatCannotBeSearchedGivesNoFiles) {
  EXPECT_TRUE(runtime::ReadMatchingFiles(Root() + "\\missing", kImageMask).empty());
  EXPECT_TRUE(runtime::ReadMatchingFiles("Q:\\no\\such\\drive", kImageMask).empty());
  EXPECT_TRUE(runtime::SearchMatchingFilesBySystem(Root() + "\\missing", kImageMask).empty());
}

// --- Subdirectories -----------------------------------------------------------

TEST_F(FileSystemFixture, SubdirectoriesAreSortedWithoutHiddenAndSystemOnes) {
  const std::string shortName = ShortNameOf(L"\u00dcn\u00efdir");
  ASSERT_FALSE(shortName.empty());
  const std::vector<std::string> expected =
      SortedIgnoringCase({"dir.jpg", "sub a", "Sub B", "\x95\x5c\x83\x5c", shortName});
  const std::vector<std::string> folders = Strings(runtime::ReadSubdirectories(Root()));
  EXPECT_EQ(folders, expected);
  EXPECT_EQ(Strings(runtime::ReadSubdirectories(Root() + "\\")), expected);
  for (const std::string& name : folders) {
    const DWORD attributes = GetFileAttributesA(runtime::JoinPath(Root(), name).CStr());
    EXPECT_NE(attributes, INVALID_FILE_ATTRIBUTES) << name;
    EXPECT_TRUE(attributes & FILE_ATTRIBUTE_DIRECTORY) << name;
  }
}

TEST_F(FileSystemFixture, FolderWhoseNameEndsInA5CTrailByteIsSearchedIntact) {
  const std::string folder = Root() + "\\\x95\x5c\x83\x5c";
  EXPECT_TRUE(runtime::ReadSubdirectories(folder).empty());
  EXPECT_TRUE(runtime::ReadMatchingFiles(folder, kImageMask).empty());
}

TEST_F(FileSystemFixture, MissingDirectoryThrowsOSError) {
  try {
    runtime::ReadSubdirectories(Root() + "\\missing");
    FAIL() << "no error";
  } catch (const runtime::OSError& error) {
    EXPECT_EQ(error.Code(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
    EXPECT_FALSE(error.Message().IsEmpty());
  }
}

TEST(Subdirectories, OfADriveRootHaveNoDotEntries) {
  for (const LongString& name : runtime::ReadSubdirectories("C:\\")) {
    EXPECT_NE(name.View(), ".");
    EXPECT_NE(name.View(), "..");
  }
}

// --- Wildcard matching --------------------------------------------------------

struct PatternCase {
  const char* name;
  const char* pattern;
  bool matches;
};

TEST(MatchesPattern, Table) {
  const PatternCase cases[] = {
      {"photo.jpg", "*.jpg", true},
      {"PHOTO.JPG", "*.jpg", true},
      {"C.JpG", "*.JPG", true},
      {"b.jpeg", "*.jpg", false},
      {"d.jpg.txt", "*.jpg", false},
      {"e.b.gif", "*.gif", true},
      {".gif", "*.gif", true},
      {"gif", "*.gif", false},
      {"xgif", "*.gif", false},
      {"a.tif", "*.ti?", true},
      {"a.ti", "*.ti?", false},
      {"abc", "a?c", true},
      {"ac", "a?c", false},
      {"abbc", "a?c", false},
      {"abc", "*", true},
      {"abc", "**", true},
      {"README", "*.*", true},
      {"abc", "abc.", true},
      {"abc", "abc*", true},
      {"abc", "ab", false},
      {"ab", "abc", false},
      {"aXbXc", "a*b*c", true},
      {"ab", "a*b*c", false},
      {"mississippi", "m*iss*ppi", true},
      {"mississippi", "m*iss*ppx", false},
      {"with space.png", "* *.png", true},
      // Code page 932: a double-byte character is one character, its 0x5C second byte no backslash.
      {"\x95\x5c.jpg", "?.jpg", true},
      {"\x95\x5c.jpg", "??.jpg", false},
      {"\x95\x5c.jpg", "\x95\x5c.*", true},
      {"\x95\x5c.jpg", "*\\.jpg", false},
      {"\x95\x5c.jpg", "\x83\x5c.jpg", false},
      {"\x83\x5c\x83\x74\x83\x67.png", "\x83\x5c*", true},
      {"\x83\x5c\x83\x74\x83\x67.png", "*\x83\x67.PNG", true},
      // Half-width katakana are single bytes; the voiced mark is a character of its own.
      {"\xc3\xde.png", "?\xde.png", true},
      {"\xc3\xde.png", "?.png", false},
      // Full-width letters fold case as the file system does.
      {"\x82\x60\x82\x61.jpg", "\x82\x81\x82\x82.JPG", true},
  };
  for (const PatternCase& c : cases) {
    EXPECT_EQ(runtime::MatchesPattern(c.name, c.pattern), c.matches) << c.name << " vs " << c.pattern;
  }
}

// --- Drives ---------------------------------------------------------------------

// Run in a process of its own by Drives.LetterOrderLowerCaseAndTextsByType below.
TEST(Drives, DISABLED_CheckedInAProcessOfItsOwn) {
  const std::vector<runtime::DriveEntry> drives = runtime::ReadDrives();
  ASSERT_FALSE(drives.empty());
  bool sawC = false;
  bool sawZ = false;
  for (std::size_t i = 0; i < drives.size(); ++i) {
    const runtime::DriveEntry& drive = drives[i];
    SCOPED_TRACE(drive.text.CStr());
    ASSERT_GE(drive.letter, 'a');
    ASSERT_LE(drive.letter, 'z');
    if (i > 0) {
      EXPECT_LT(drives[i - 1].letter, drive.letter);
    }
    const char root[] = {static_cast<char>(drive.letter - 'a' + 'A'), ':', '\\', '\0'};
    EXPECT_EQ(drive.type, GetDriveTypeA(root));
    EXPECT_EQ(runtime::LowerCase(drive.text.View()), drive.text);
    const std::string text(drive.text.View());
    EXPECT_EQ(text.substr(0, 2), (std::string{drive.letter, ':'}));
    switch (drive.type) {
      case DRIVE_REMOVABLE:
        EXPECT_EQ(text.size(), 2u);
        break;
      case DRIVE_FIXED:
      case DRIVE_CDROM:
      case DRIVE_RAMDISK:
        EXPECT_EQ(text.substr(0, 4), (std::string{drive.letter, ':', ' ', '['}));
        EXPECT_EQ(text.back(), ']');
        break;
      case DRIVE_REMOTE:
        EXPECT_EQ(text.substr(0, 3), (std::string{drive.letter, ':', ' '}));
        EXPECT_GT(text.size(), 3u);
        break;
      default:
        ADD_FAILURE() << "type " << drive.type << " is not shown";
    }
    sawC |= drive.letter == 'c';
    sawZ |= drive.letter == 'z';
  }
  EXPECT_TRUE(sawC);
  EXPECT_TRUE(sawZ);
  const auto c = std::find_if(drives.begin(), drives.end(), [](const runtime::DriveEntry& d) { return d.letter == 'c'; });
  ASSERT_NE(c, drives.end());
  EXPECT_EQ(c->type, static_cast<UINT>(DRIVE_FIXED));
  EXPECT_EQ(std::string(c->text.View()).substr(0, 4), "c: [");
  const auto z = std::find_if(drives.begin(), drives.end(), [](const runtime::DriveEntry& d) { return d.letter == 'z'; });
  ASSERT_NE(z, drives.end());
  if (z->type == DRIVE_FIXED) {
    EXPECT_EQ(z->text.View(), "z: []");  // Wine's Unix root has no readable label
  }
}

// On machines whose kernel runs no 32-bit code, Wine runs under qemu's
// user-mode emulator, and there a process that asks for drive types now and
// then dies inside Wine (a segmentation fault, a corrupted heap, a hang) even
// when it calls nothing but GetLogicalDrives and GetDriveTypeA. So the drive
// checks run in a child process; only a child that dies or hangs is tried
// again (and said so on stderr), a child whose checks fail fails the test.
TEST(Drives, LetterOrderLowerCaseAndTextsByType) {
  wchar_t self[MAX_PATH];
  ASSERT_NE(GetModuleFileNameW(nullptr, self, MAX_PATH), 0u);
  const std::wstring command = L"\"" + std::wstring(self) +
                               L"\" --gtest_also_run_disabled_tests --gtest_filter=Drives.DISABLED_CheckedInAProcessOfItsOwn";
  constexpr int kAttempts = 5;
  for (int attempt = 1; attempt <= kAttempts; ++attempt) {
    std::vector<wchar_t> line(command.begin(), command.end());
    line.push_back(L'\0');
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    std::fflush(stdout);
    PROCESS_INFORMATION child;
    ASSERT_TRUE(CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &child))
        << GetLastError();
    const DWORD waited = WaitForSingleObject(child.hProcess, 45000);
    if (waited != WAIT_OBJECT_0) TerminateProcess(child.hProcess, 0xDEAD);
    DWORD exitCode = 0;
    GetExitCodeProcess(child.hProcess, &exitCode);
    CloseHandle(child.hThread);
    CloseHandle(child.hProcess);
    if (waited == WAIT_OBJECT_0 && exitCode == 0) return;
    if (waited == WAIT_OBJECT_0 && exitCode == 1) FAIL() << "the drive checks failed in the child process (its output above)";
    std::fprintf(stderr, "drive checks: the child process %s (exit code 0x%lx), attempt %d of %d\n",
                 waited == WAIT_OBJECT_0 ? "died" : "hung", static_cast<unsigned long>(exitCode), attempt, kAttempts);
  }
  FAIL() << "the drive checks' process died or hung " << kAttempts << " times";
}

// --- The thread's error mode ---------------------------------------------------

TEST(QuietDriveErrors, SetsAndRestoresTheThreadsModeOnly) {
  using GetMode = DWORD(WINAPI*)();
  using SetThreadMode = BOOL(WINAPI*)(DWORD, DWORD*);
  HMODULE kernel = GetModuleHandleA("kernel32.dll");
  const auto getThreadMode = reinterpret_cast<GetMode>(GetProcAddress(kernel, "GetThreadErrorMode"));
  const auto setThreadMode = reinterpret_cast<SetThreadMode>(GetProcAddress(kernel, "SetThreadErrorMode"));
  const auto getProcessMode = reinterpret_cast<GetMode>(GetProcAddress(kernel, "GetErrorMode"));
  if (!getThreadMode || !setThreadMode || !getProcessMode) GTEST_SKIP() << "no thread error mode here";
  DWORD original = 0;
  ASSERT_TRUE(setThreadMode(SEM_NOGPFAULTERRORBOX, &original));
  const DWORD processMode = getProcessMode();
  {
    runtime::QuietDriveErrors quiet;
    EXPECT_EQ(getThreadMode(), static_cast<DWORD>(SEM_NOGPFAULTERRORBOX | SEM_FAILCRITICALERRORS));
    EXPECT_EQ(getProcessMode(), processMode);
    {
      runtime::QuietDriveErrors nested;
      EXPECT_EQ(getThreadMode(), static_cast<DWORD>(SEM_NOGPFAULTERRORBOX | SEM_FAILCRITICALERRORS));
    }
    EXPECT_EQ(getThreadMode(), static_cast<DWORD>(SEM_NOGPFAULTERRORBOX | SEM_FAILCRITICALERRORS));
    SetLastError(1234);
  }
  EXPECT_EQ(GetLastError(), 1234u);  // the restore keeps the caller's last error
  EXPECT_EQ(getThreadMode(), static_cast<DWORD>(SEM_NOGPFAULTERRORBOX));
  EXPECT_EQ(getProcessMode(), processMode);
  setThreadMode(original, nullptr);
}

}  // namespace
