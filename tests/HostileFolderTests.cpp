// Folders and drives that fail under the dialog during whole runs: one that
// vanishes, one that may not be read, a drive whose medium is gone, a chain
// deeper than MAX_PATH. Each gives the error box or a correct listing, the
// dialog goes on, and the host gets paths exactly as they were listed.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "DialogDriver.h"
#include "Errors.h"
#include "PluginHost.h"

using testing_support::DialogDriver;

namespace {

// What the user sees of the dialog and where the process stands.
struct DialogState {
  std::string currentDirectory;
  std::vector<std::string> folders;
  std::vector<std::string> files;
  std::vector<int> selected;
  std::string drive;
  bool operator==(const DialogState& other) const {
    return currentDirectory == other.currentDirectory && folders == other.folders && files == other.files &&
           selected == other.selected && drive == other.drive;
  }
};

std::string CurrentDirectory() {
  char path[MAX_PATH];
  const DWORD length = GetCurrentDirectoryA(MAX_PATH, path);
  return std::string(path, length < MAX_PATH ? length : 0);
}

std::string SelectedDrive(HWND dialog) {
  HWND drives = GetDlgItem(dialog, testing_support::kDriveBoxId);
  const LRESULT index = SendMessageA(drives, CB_GETCURSEL, 0, 0);
  if (index < 0) return {};
  std::string text(SendMessageA(drives, CB_GETLBTEXTLEN, index, 0) + 1, '\0');
  text.resize(SendMessageA(drives, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(text.data())));
  return text;
}

DialogState StateOf(HWND dialog) {
  return {CurrentDirectory(), testing_support::DirectoryListEntries(dialog), testing_support::FileListEntries(dialog),
          testing_support::SelectedFiles(dialog), SelectedDrive(dialog)};
}

// Chooses the drive box's entry for the drive as the user does; false when it is not listed.
bool ChooseDrive(HWND dialog, char letter) {
  HWND drives = GetDlgItem(dialog, testing_support::kDriveBoxId);
  const int count = static_cast<int>(SendMessageA(drives, CB_GETCOUNT, 0, 0));
  for (int i = 0; i < count; ++i) {
    char text[MAX_PATH * 2];
    if (SendMessageA(drives, CB_GETLBTEXTLEN, i, 0) >= static_cast<LRESULT>(sizeof text)) continue;
    SendMessageA(drives, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
    if (text[0] != letter) continue;
    SendMessageA(drives, CB_SETCURSEL, i, 0);
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(testing_support::kDriveBoxId, CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(drives));
    return true;
  }
  return false;
}

// The error that entering the folder gives this process, or 0.
DWORD ErrorOfEntering(const std::string& folder) {
  const std::string before = CurrentDirectory();
  if (!SetCurrentDirectoryA(folder.c_str())) return GetLastError();
  SetCurrentDirectoryA(before.c_str());
  return 0;
}

// One error box, the standard one, with the system's text for the error.
void ExpectOneErrorBox(const std::vector<testing_support::ErrorBox>& seen, DWORD error, const char* what) {
  ASSERT_EQ(seen.size(), 1u) << what;
  const std::string text(runtime::OSError(error).Message().View());
  EXPECT_FALSE(text.empty()) << what;
  EXPECT_TRUE(seen[0].text.compare(0, text.size(), text) == 0) << what << ": the system's text for error " << error;
  EXPECT_TRUE(seen[0].stopIcon) << what;
  EXPECT_TRUE(seen[0].onlyOK) << what;
  EXPECT_TRUE(seen[0].dialogDisabled) << what;
}

// Takes a folder away from under the process standing in it, as another
// machine does by deleting it from a shared drive. Windows lets no process
// delete or rename the current directory; Wine lets the folder that holds it
// be renamed, which takes the path away just the same.
bool TakeAwayTheHolder(const std::string& holder) { return MoveFileA(holder.c_str(), (holder + "-gone").c_str()); }

// Gives the folder an access list that allows everyone only the access given
// (none: an empty list), or, with restore, no list at all (everything to
// everyone). Wine keeps it as the folder's Unix mode (an empty list is 000).
bool SetAccess(const std::string& folder, DWORD everyoneMay, bool restore = false) {
  SECURITY_DESCRIPTOR descriptor;
  InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION);
  BYTE everyone[SECURITY_MAX_SID_SIZE];
  DWORD sidSize = sizeof everyone;
  if (!CreateWellKnownSid(WinWorldSid, nullptr, everyone, &sidSize)) return false;
  alignas(DWORD) BYTE aclBuffer[256];
  auto* acl = reinterpret_cast<ACL*>(aclBuffer);
  InitializeAcl(acl, sizeof aclBuffer, ACL_REVISION);
  if (everyoneMay && !AddAccessAllowedAce(acl, ACL_REVISION, everyoneMay, everyone)) return false;
  SetSecurityDescriptorDacl(&descriptor, TRUE, restore ? nullptr : acl, FALSE);
  return SetFileSecurityA(folder.c_str(), DACL_SECURITY_INFORMATION, &descriptor);
}

// Each case runs the module in a fixture folder of its own and records what
// the host got and every error box shown.
class HostileFolder : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_.Make("a.gif");
    folder_.Make("b.jpg");
    SetCurrentDirectoryA(folder_.Path().c_str());
  }
  void TearDown() override { SetCurrentDirectoryA("C:\\"); }

  // The paths that the host got.
  std::vector<std::string> RunWith(std::vector<DialogDriver::Step> steps) {
    host::RecordingHost recorder;
    DialogDriver driver(std::move(steps));
    const host::RunOutcome outcome = plugin_.Run(recorder.Object());
    EXPECT_TRUE(driver.Finished()) << "the dialog went on after its error boxes";
    if (outcome.raised) std::printf("error raised to the host: %s\n", outcome.errorMessage.c_str());
    EXPECT_FALSE(outcome.raised);
    EXPECT_TRUE(outcome.result);
    return recorder.SubmittedPaths();
  }
  struct Attempt {
    DialogState before;  // just before the folder was opened
    DialogState after;   // once the dialog was back
    std::vector<std::string> paths;  // what OK then handed over
  };
  // Selects the file (-1: all), highlights the folder, runs meanwhile, opens
  // the folder with the gesture, and once the dialog is back selects the
  // file again (in a new listing, if any) and presses OK.
  Attempt OpenFolderThenPressOK(const std::string& folder, int file,
                                const DialogDriver::Step& open = testing_support::DoubleClickHighlightedFolder,
                                const std::function<void()>& meanwhile = [] {}) {
    Attempt attempt;
    const auto selectFile = [file](HWND dialog) {
      SendMessageA(GetDlgItem(dialog, testing_support::kFileListId), LB_SETSEL, TRUE, file);
    };
    attempt.paths = RunWith({
        [&](HWND dialog) {
          selectFile(dialog);
          EXPECT_TRUE(testing_support::HighlightFolder(dialog, folder)) << "the folder is listed";
          meanwhile();
          attempt.before = StateOf(dialog);
          open(dialog);
        },
        [&](HWND dialog) {
          attempt.after = StateOf(dialog);
          selectFile(dialog);
        },
        testing_support::PressOK(),
    });
    return attempt;
  }
  std::string InFolder(const std::string& name) const { return folder_.Path() + "\\" + name; }

  testing_support::TemporaryFolder folder_{"zorvane-hostile"};
  host::Plugin plugin_{"Zorvane.plg"};
  testing_support::ErrorBoxWatch errorBoxes_;
};

TEST_F(HostileFolder, ASubfolderThatVanishedIsAnErrorByDoubleClickOrShiftEnterAndChangesNothing) {
  const std::vector<std::pair<const char*, DialogDriver::Step>> gestures = {
      {"double-click", testing_support::DoubleClickHighlightedFolder},
      {"Shift+Enter",
       [](HWND dialog) {
         testing_support::PostWithShiftHeld(GetDlgItem(dialog, testing_support::kDirectoryListId), VK_RETURN);
       }},
  };
  std::size_t boxesBefore = 0;
  for (const auto& [name, open] : gestures) {
    const std::string gone = folder_.MakeFolder("gone");
    DWORD error = 0;
    const Attempt attempt = OpenFolderThenPressOK("gone", 1, open, [&] {
      RemoveDirectoryA(gone.c_str());
      error = ErrorOfEntering(gone);
    });
    EXPECT_NE(error, 0u) << name;
    const std::vector<testing_support::ErrorBox> boxes(errorBoxes_.Seen().begin() + boxesBefore,
                                                       errorBoxes_.Seen().end());
    boxesBefore = errorBoxes_.Seen().size();
    ExpectOneErrorBox(boxes, error, name);
    EXPECT_TRUE(attempt.after == attempt.before) << name << ": a folder that can't be opened changes nothing";
    EXPECT_EQ(attempt.paths, std::vector<std::string>{InFolder("b.jpg")}) << name;
  }
}

TEST_F(HostileFolder, TheShownFolderVanishingKeepsItsListingWhichGoesOverAsListed) {
  const std::string holder = folder_.MakeFolder("holder");
  const std::string shown = folder_.MakeFolder("holder\\shown");
  folder_.Make("holder\\shown\\c.png");
  folder_.Make("holder\\shown\\d.bmp");
  folder_.MakeFolder("holder\\shown\\inner");
  SetCurrentDirectoryA(shown.c_str());
  bool vanished = false;
  const Attempt attempt = OpenFolderThenPressOK("inner", -1, testing_support::DoubleClickHighlightedFolder,
                                                [&] { vanished = TakeAwayTheHolder(holder); });
  ASSERT_TRUE(vanished) << GetLastError();
  ExpectOneErrorBox(errorBoxes_.Seen(), ErrorOfEntering(shown + "\\inner"), "its subfolder");
  EXPECT_TRUE(attempt.after == attempt.before);
  EXPECT_TRUE((attempt.before.files == std::vector<std::string>{"c.png", "d.bmp"}));
  EXPECT_EQ(attempt.paths, (std::vector<std::string>{shown + "\\c.png", shown + "\\d.bmp"}));
}

TEST_F(HostileFolder, AfterTheShownFolderVanishedAFolderAboveItOpens) {
  // The entries from the root down to the shown folder end with this fixture's folder, the holder and it.
  const auto openTheFixtureFolder = [](HWND dialog) {
    const std::size_t shownEntry = static_cast<std::size_t>(
        SendMessageA(GetDlgItem(dialog, testing_support::kDirectoryListId), LB_GETCURSEL, 0, 0));
    SendMessageA(GetDlgItem(dialog, testing_support::kDirectoryListId), LB_SETCURSEL, shownEntry - 2, 0);
    testing_support::DoubleClickHighlightedFolder(dialog);
  };
  // The shown folder vanishes while the dialog shows it, or before a run starts in it.
  const std::vector<std::pair<const char*, bool>> cases = {{"while-shown", false}, {"before-the-run", true}};
  for (const auto& [holderName, beforeTheRun] : cases) {
    const std::string holder = folder_.MakeFolder(holderName);
    SetCurrentDirectoryA(folder_.MakeFolder(std::string(holderName) + "\\shown").c_str());
    bool vanished = false;
    if (beforeTheRun) vanished = TakeAwayTheHolder(holder);
    std::vector<std::string> folders;
    const std::vector<std::string> paths = RunWith({
        [&](HWND dialog) {
          if (!beforeTheRun) vanished = TakeAwayTheHolder(holder);
          openTheFixtureFolder(dialog);
        },
        [&](HWND dialog) { folders = testing_support::DirectoryListEntries(dialog); },
        testing_support::SelectFiles({0}),
        testing_support::PressOK(),
    });
    ASSERT_TRUE(vanished) << holderName;
    EXPECT_TRUE(errorBoxes_.Seen().empty()) << holderName;
    EXPECT_TRUE(CurrentDirectory() == folder_.Path()) << holderName;
    EXPECT_TRUE(std::find(folders.begin(), folders.end(), holderName) == folders.end()) << holderName;
    EXPECT_EQ(paths, std::vector<std::string>{InFolder("a.gif")}) << holderName;
  }
}

// Under Wine the access list becomes the folder's Unix mode; a process of
// root reads it all the same, and then the listing must be right.
TEST_F(HostileFolder, AFolderThatMayNotBeReadIsAnErrorOrListedRightly) {
  const std::vector<std::pair<const char*, DWORD>> cases = {
      {"no access at all", 0},
      {"may be entered but not listed", FILE_TRAVERSE | SYNCHRONIZE},
  };
  std::size_t boxesBefore = 0;
  for (const auto& [name, access] : cases) {
    const std::string locked = folder_.MakeFolder("locked");
    folder_.Make("locked\\inside.png");
    ASSERT_TRUE(SetAccess(locked, access)) << name << ": " << GetLastError();
    WIN32_FIND_DATAA found;
    const HANDLE search = FindFirstFileA((locked + "\\*").c_str(), &found);
    const bool readable = search != INVALID_HANDLE_VALUE;
    if (readable) FindClose(search);
    const Attempt attempt = OpenFolderThenPressOK("locked", 0);
    SetAccess(locked, 0, true);
    const std::vector<testing_support::ErrorBox> boxes(errorBoxes_.Seen().begin() + boxesBefore,
                                                       errorBoxes_.Seen().end());
    boxesBefore = errorBoxes_.Seen().size();
    if (readable) {
      std::printf("%s: this process may read it (root under Wine): its listing was checked\n", name);
      EXPECT_TRUE(boxes.empty()) << name;
      EXPECT_TRUE(attempt.after.currentDirectory == locked) << name;
      EXPECT_TRUE(attempt.after.files == std::vector<std::string>{"inside.png"}) << name;
      EXPECT_EQ(attempt.paths, std::vector<std::string>{locked + "\\inside.png"}) << name;
    } else {
      ExpectOneErrorBox(boxes, ERROR_ACCESS_DENIED, name);
      EXPECT_TRUE(attempt.after == attempt.before) << name;
      EXPECT_EQ(attempt.paths, std::vector<std::string>{InFolder("a.gif")}) << name;
    }
    SetCurrentDirectoryA(folder_.Path().c_str());
  }
}

// The prefix's drive Q: (see winerun) is a removable medium; the test puts
// it in so that the drive box lists the drive, and takes it out before the
// drive is chosen.
class Medium {
 public:
  Medium() { CreateDirectoryA(ZORVANE_REMOVABLE_MEDIUM, nullptr); }
  ~Medium() { TakeOut(); }
  Medium(const Medium&) = delete;
  Medium& operator=(const Medium&) = delete;
  void TakeOut() { RemoveDirectoryA(ZORVANE_REMOVABLE_MEDIUM); }
};

TEST_F(HostileFolder, ADriveWithoutItsMediumIsAnErrorOnceUntilAnotherDriveIsChosen) {
  ASSERT_TRUE(GetLogicalDrives() & (1u << ('Q' - 'A')))
      << "winerun links drive Q:; Wine sees it once the prefix's server has been restarted";
  Medium medium;
  DialogState before;
  DialogState afterFirst;
  DialogState afterAgain;
  DialogState afterThird;
  std::size_t boxesAfterAgain = 0;
  std::size_t boxesAfterOther = 0;
  bool listed = false;
  DWORD error = 0;
  const std::vector<std::string> paths = RunWith({
      [&](HWND dialog) {
        SendMessageA(GetDlgItem(dialog, testing_support::kFileListId), LB_SETSEL, TRUE, 1);
        before = StateOf(dialog);
        medium.TakeOut();
        error = ErrorOfEntering("Q:");
        listed = ChooseDrive(dialog, 'q');
      },
      [&](HWND dialog) {
        afterFirst = StateOf(dialog);
        ChooseDrive(dialog, 'q');
      },
      [&](HWND dialog) {
        afterAgain = StateOf(dialog);
        boxesAfterAgain = errorBoxes_.Seen().size();
        ChooseDrive(dialog, 'c');
      },
      [&](HWND dialog) {
        boxesAfterOther = errorBoxes_.Seen().size();
        ChooseDrive(dialog, 'q');
      },
      [&](HWND dialog) {
        afterThird = StateOf(dialog);
        SendMessageA(GetDlgItem(dialog, testing_support::kFileListId), LB_SETSEL, TRUE, 1);
      },
      testing_support::PressOK(),
  });
  ASSERT_TRUE(listed) << "the drive box lists drive Q: while its medium is in";
  EXPECT_NE(error, 0u);
  EXPECT_EQ(boxesAfterAgain, 1u) << "choosing it again does nothing";
  EXPECT_EQ(boxesAfterOther, 1u) << "the previous drive comes back without an error";
  ASSERT_EQ(errorBoxes_.Seen().size(), 2u) << "after another drive, choosing it is tried again";
  for (const testing_support::ErrorBox& box : errorBoxes_.Seen()) ExpectOneErrorBox({box}, error, "drive Q:");
  DialogState expected = before;
  expected.drive = afterFirst.drive;
  EXPECT_TRUE(afterFirst.drive.compare(0, 2, "q:") == 0) << "the drive box shows the drive chosen";
  EXPECT_TRUE(afterFirst == expected) << "the lists keep the previous directory and its selection";
  EXPECT_TRUE(afterAgain == expected);
  EXPECT_TRUE(afterThird.currentDirectory == before.currentDirectory);
  EXPECT_TRUE(afterThird.files == before.files);
  EXPECT_EQ(paths, std::vector<std::string>{InFolder("b.jpg")});
}

// A chain of folders deeper than MAX_PATH, made through the \\?\ names:
// folders of 40 characters down to one that can still be the current
// directory, in it a folder whose path is longer than MAX_PATH, which can't,
// with one more below, and a file whose path is longer than MAX_PATH.
class DeepChain : public HostileFolder {
 protected:
  // Well inside what a current directory may be: MAX_PATH less its backslash and the NUL.
  static constexpr std::size_t kDeepest = 248;

  void SetUp() override {
    HostileFolder::SetUp();
    const std::string segment(40, 'd');
    deepest_ = folder_.Path();
    while (deepest_.size() + 1 + segment.size() <= kDeepest) {
      deepest_ += "\\" + segment;
      MakeLong(deepest_, true);
    }
    tooDeep_ = std::string(MAX_PATH + 10 - deepest_.size(), 'b');
    MakeLong(deepest_ + "\\" + tooDeep_, true);
    MakeLong(deepest_ + "\\" + tooDeep_ + "\\" + segment, true);
    longFile_ = std::string(60, 'f') + ".jpg";
    MakeLong(deepest_ + "\\" + longFile_, false);
  }
  static void MakeLong(const std::string& path, bool folder) {
    std::wstring wide(path.size() + 1, L'\0');
    wide.resize(MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide.data(), static_cast<int>(wide.size())) - 1);
    wide = L"\\\\?\\" + wide;
    if (folder) {
      CreateDirectoryW(wide.c_str(), nullptr);
    } else {
      CloseHandle(CreateFileW(wide.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    }
  }

  std::string deepest_;  // the deepest folder that can be the current directory
  std::string tooDeep_;  // the name of its subfolder
  std::string longFile_;
};

TEST_F(DeepChain, ListsWhatItCanRefusesTooDeepAFolderAndHandsOverFullLengthPaths) {
  ASSERT_TRUE(SetCurrentDirectoryA(deepest_.c_str())) << deepest_.size();
  const DWORD error = ErrorOfEntering(deepest_ + "\\" + tooDeep_);
  ASSERT_NE(error, 0u);
  const Attempt attempt = OpenFolderThenPressOK(tooDeep_, 0);
  ExpectOneErrorBox(errorBoxes_.Seen(), error, "the folder too deep");
  EXPECT_TRUE(attempt.after == attempt.before);
  EXPECT_TRUE(attempt.before.files == std::vector<std::string>{longFile_}) << "the name is listed whole";
  ASSERT_EQ(attempt.paths.size(), 1u);
  EXPECT_GT(attempt.paths[0].size(), static_cast<std::size_t>(MAX_PATH));
  EXPECT_TRUE(attempt.paths[0] == deepest_ + "\\" + longFile_) << "the full path, not a shortened spelling";
}

}  // namespace
