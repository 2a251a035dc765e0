// The file selection dialog in this process: its lists, their chaining, the
// handlers, and errors while it is up.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "Application.h"
#include "DialogDriver.h"
#include "Errors.h"
#include "SelectFiles.h"

using testing_support::TemporaryFolder;

namespace {

// 表 ソ 能: double-byte characters whose second byte is '\'.
const std::string kHyou = "\x95\x5c";
const std::string kSo = "\x83\x5c";
const std::string kNou = "\x94\x5c";

class ApplicationEnvironment : public ::testing::Environment {
 public:
  void SetUp() override { runtime::InitializeApplication(GetModuleHandleA(nullptr)); }
  void TearDown() override { runtime::FinalizeApplication(); }
};
const auto* const environment = ::testing::AddGlobalTestEnvironment(new ApplicationEnvironment);

std::vector<std::string> Entries(const runtime::FileListBox& list) {
  std::vector<std::string> entries;
  for (int i = 0; i < list.Count(); ++i) entries.push_back(std::string(list.Item(i).View()));
  return entries;
}

std::vector<int> SelectedIndexes(const runtime::FileListBox& list) {
  std::vector<int> selected;
  for (int i = 0; i < list.Count(); ++i)
    if (list.Selected(i)) selected.push_back(i);
  return selected;
}

int Caret(const runtime::FileListBox& list) {
  return static_cast<int>(SendMessageA(list.Handle(), LB_GETCARETINDEX, 0, 0));
}

// Counts the caret moves sent to a file list, each noted with whether the
// drive box beside it had taken a drive by then.
class CaretMoveCount {
 public:
  CaretMoveCount() : hook_(SetWindowsHookExA(WH_CALLWNDPROC, &OnSent, nullptr, GetCurrentThreadId())) {
    counting = this;
  }
  ~CaretMoveCount() {
    UnhookWindowsHookEx(hook_);
    counting = nullptr;
  }
  CaretMoveCount(const CaretMoveCount&) = delete;
  CaretMoveCount& operator=(const CaretMoveCount&) = delete;
  int moves = 0;
  int movesAfterTheDriveWasTaken = 0;

 private:
  static inline CaretMoveCount* counting = nullptr;  // a hook carries no context
  static LRESULT CALLBACK OnSent(int code, WPARAM wParam, LPARAM lParam) {
    const auto* sent = reinterpret_cast<const CWPSTRUCT*>(lParam);
    if (code == HC_ACTION && counting && sent->message == LB_SETCARETINDEX &&
        GetDlgCtrlID(sent->hwnd) == testing_support::kFileListId) {
      ++counting->moves;
      HWND drives = GetDlgItem(GetParent(sent->hwnd), testing_support::kDriveBoxId);
      if (SendMessageA(drives, CB_GETCURSEL, 0, 0) >= 0) ++counting->movesAfterTheDriveWasTaken;
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
  }
  HHOOK hook_;
};

std::string CurrentDirectoryText() { return std::string(runtime::CurrentDirectory().View()); }

// A dialog opened in a fixture folder, with its handler runs counted.
class Dialog : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* images[] = {"a.GIF", "B.jpg", "c.Pcx", "d.bmp", "e.wmf", "f.ico", "g.scm",
                            "h.png", "i.cms", "j.TIF", "k.pcd", "l.dxf", "m.tga", "n.eps"};
    for (const char* name : images) folder_.Make(name);
    folder_.Make("readme.txt");
    folder_.Make("photo.jpg.txt");
    folder_.Make("hidden.jpg", FILE_ATTRIBUTE_HIDDEN);
    folder_.Make("system.gif", FILE_ATTRIBUTE_SYSTEM);
    folder_.Make("readonly.png", FILE_ATTRIBUTE_READONLY);
    folder_.Make(kHyou + ".jpg");
    folder_.MakeFolder("dir.jpg");
    folder_.MakeFolder(kSo);
    folder_.MakeFolder("Sub");
    folder_.Make("Sub\\inner.gif");
    folder_.Make("Sub\\other.bmp");
    SetFileAttributesA(folder_.MakeFolder("secret").c_str(), FILE_ATTRIBUTE_HIDDEN);
    SetCurrentDirectoryA(folder_.Path().c_str());
    form_ = new TfrmSelect(runtime::application);
    form_->dltDirectoryName->onChange = [this] {
      ++directoryChanges_;
      form_->dltDirectoryNameChange(form_->dltDirectoryName);
    };
    form_->dcbDriveName->onChange = [this] {
      ++driveChanges_;
      form_->dcbDriveNameChange(form_->dcbDriveName);
    };
  }
  void TearDown() override {
    delete form_;
    SetCurrentDirectoryA("C:\\");
  }
  void Select(std::vector<int> indexes) {
    for (int index : indexes) SendMessageA(form_->fltFileName->Handle(), LB_SETSEL, TRUE, index);
  }
  std::string Path(const std::string& relative) const { return folder_.Path() + "\\" + relative; }

  TemporaryFolder folder_{"zorvane-dialog"};
  TfrmSelect* form_ = nullptr;
  int directoryChanges_ = 0;
  int driveChanges_ = 0;
};

TEST_F(Dialog, OpensOnTheCurrentDirectoryWithItsImagesSortedAndItsFolders) {
  const std::vector<std::string> expected = {"a.GIF", "B.jpg", "c.Pcx", "d.bmp", "e.wmf", "f.ico",
                                             "g.scm", "h.png", "i.cms", "j.TIF", "k.pcd", "l.dxf",
                                             "m.tga", "n.eps", "readonly.png", kHyou + ".jpg"};
  std::vector<std::string> sortedExpected = expected;
  std::sort(sortedExpected.begin(), sortedExpected.end(),
            [](const std::string& a, const std::string& b) { return lstrcmpiA(a.c_str(), b.c_str()) < 0; });
  EXPECT_TRUE(Entries(*form_->fltFileName) == sortedExpected);
  EXPECT_TRUE(form_->dltDirectoryName->Directory().View() == folder_.Path());
  EXPECT_TRUE(form_->fltFileName->Directory().View() == folder_.Path());
  HWND directories = form_->dltDirectoryName->Handle();
  const int count = static_cast<int>(SendMessageA(directories, LB_GETCOUNT, 0, 0));
  std::vector<std::string> subfolders;
  for (int i = count - 3; i < count; ++i) {
    char text[MAX_PATH];
    SendMessageA(directories, LB_GETTEXT, i, reinterpret_cast<LPARAM>(text));
    subfolders.push_back(text);
  }
  EXPECT_TRUE((subfolders == std::vector<std::string>{"dir.jpg", "Sub", kSo}) ||
              (subfolders == std::vector<std::string>{"dir.jpg", kSo, "Sub"}));
  EXPECT_EQ(SendMessageA(directories, LB_GETCURSEL, 0, 0), count - 4) << "the shown directory is highlighted";
}

TEST_F(Dialog, ChangingTheDirectoryClearsTheSelectionAndPutsTheCaretFirst) {
  Select({1, 3});
  form_->dltDirectoryName->SetDirectory(Path("Sub"));
  EXPECT_EQ(directoryChanges_, 1);
  EXPECT_EQ(driveChanges_, 0);
  EXPECT_TRUE(Entries(*form_->fltFileName) == (std::vector<std::string>{"inner.gif", "other.bmp"}));
  EXPECT_TRUE(SelectedIndexes(*form_->fltFileName).empty());
  EXPECT_EQ(Caret(*form_->fltFileName), 0);
  EXPECT_TRUE(CurrentDirectoryText() == Path("Sub")) << "every move changes the current directory";
}

TEST_F(Dialog, OpeningTheShownDirectoryKeepsTheSelection) {
  Select({1, 3});
  form_->dltDirectoryName->SetDirectory(folder_.Path());
  EXPECT_EQ(directoryChanges_, 0);
  EXPECT_EQ(SelectedIndexes(*form_->fltFileName), (std::vector<int>{1, 3}));
}

// The file list answers from the entries it was filled with and from one
// reading of the control's selection; whatever reaches the control afterwards
// (a message, a click) shows in the next answer.
TEST_F(Dialog, TheFileListsAnswersFollowTheControl) {
  runtime::FileListBox& list = *form_->fltFileName;
  HWND control = list.Handle();
  Select({1, 3});
  EXPECT_EQ(SelectedIndexes(list), (std::vector<int>{1, 3}));
  SendMessageA(control, LB_SETSEL, FALSE, 1);
  Select({4});
  EXPECT_EQ(SelectedIndexes(list), (std::vector<int>{3, 4}));
  RECT first;
  SendMessageA(control, LB_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&first));
  const LPARAM point = MAKELPARAM(first.left + 2, first.top + 2);
  SendMessageA(control, WM_LBUTTONDOWN, MK_LBUTTON, point);
  SendMessageA(control, WM_LBUTTONUP, 0, point);
  EXPECT_EQ(SelectedIndexes(list), (std::vector<int>{0})) << "a plain click selects its entry alone";

  ASSERT_EQ(list.Count(), SendMessageA(control, LB_GETCOUNT, 0, 0));
  for (int i = 0; i < list.Count(); ++i) {
    char text[MAX_PATH];
    SendMessageA(control, LB_GETTEXT, i, reinterpret_cast<LPARAM>(text));
    EXPECT_TRUE(list.Item(i).View() == text) << i;
  }
  EXPECT_TRUE(list.Item(-1).IsEmpty());
  EXPECT_TRUE(list.Item(list.Count()).IsEmpty());
  EXPECT_FALSE(list.Selected(list.Count()));
}

TEST_F(Dialog, AFolderWhoseNameEndsInBackslashByteIsEnteredIntact) {
  form_->dltDirectoryName->SetDirectory(Path(kSo));
  EXPECT_TRUE(form_->dltDirectoryName->Directory().View() == Path(kSo));
  EXPECT_TRUE(CurrentDirectoryText() == Path(kSo));
}

TEST_F(Dialog, AVanishedFolderIsAnErrorThatChangesNothing) {
  const std::string gone = folder_.MakeFolder("gone");
  Select({2});
  RemoveDirectoryA(gone.c_str());
  EXPECT_THROW(form_->dltDirectoryName->SetDirectory(gone), runtime::OSError);
  EXPECT_TRUE(form_->dltDirectoryName->Directory().View() == folder_.Path());
  EXPECT_EQ(SelectedIndexes(*form_->fltFileName), (std::vector<int>{2}));
  EXPECT_TRUE(CurrentDirectoryText() == folder_.Path());
  EXPECT_EQ(directoryChanges_, 0);
}

TEST_F(Dialog, AnErrorWhileAMessageIsHandledIsShownInTheErrorBoxAndTheDialogGoesOn) {
  const std::string gone = folder_.MakeFolder("gone");
  delete form_;
  form_ = new TfrmSelect(runtime::application);
  RemoveDirectoryA(gone.c_str());
  testing_support::DialogDriver driver({
      [](HWND dialog) {
        ASSERT_TRUE(testing_support::HighlightFolder(dialog, "gone"));
        testing_support::DoubleClickHighlightedFolder(dialog);
      },
      testing_support::PressCancel(),
  });
  const testing_support::ErrorBoxWatch errorBoxes;
  EXPECT_EQ(form_->ShowModal(), runtime::kModalResultCancel);
  EXPECT_TRUE(driver.Finished()) << "the dialog went on after the error box";
  ASSERT_EQ(errorBoxes.Seen().size(), 1u);
  EXPECT_TRUE(errorBoxes.Seen()[0].stopIcon);
  EXPECT_TRUE(errorBoxes.Seen()[0].onlyOK);
  EXPECT_TRUE(form_->dltDirectoryName->Directory().View() == folder_.Path());
  EXPECT_TRUE(CurrentDirectoryText() == folder_.Path());
}

TEST_F(Dialog, ChangingTheDriveRunsTheDirectoryHandlerOnceThenTheDriveHandlerTwice) {
  HWND drives = form_->dcbDriveName->Handle();
  const int count = static_cast<int>(SendMessageA(drives, CB_GETCOUNT, 0, 0));
  std::vector<std::string> texts;
  int other = -1;
  for (int i = 0; i < count; ++i) {
    char text[MAX_PATH];
    SendMessageA(drives, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
    texts.push_back(text);
    if (text[0] == 'z') other = i;  // Wine's Unix root, always ready
  }
  ASSERT_GE(count, 2);
  EXPECT_EQ(texts[0].substr(0, 4), "c: [");
  EXPECT_TRUE(std::is_sorted(texts.begin(), texts.end()));
  ASSERT_GE(other, 0);
  Select({0, 1});
  SendMessageA(drives, CB_SETCURSEL, other, 0);
  SendMessageA(form_->Handle(), WM_COMMAND, MAKEWPARAM(testing_support::kDriveBoxId, CBN_SELCHANGE),
               reinterpret_cast<LPARAM>(drives));
  EXPECT_EQ(directoryChanges_, 1);
  EXPECT_EQ(driveChanges_, 2);
  EXPECT_TRUE(SelectedIndexes(*form_->fltFileName).empty());
  EXPECT_EQ(CharUpperA(reinterpret_cast<char*>(CurrentDirectoryText()[0])),
            CharUpperA(reinterpret_cast<char*>(texts[other][0])));
  // The drive already shown: nothing is re-read.
  SendMessageA(form_->Handle(), WM_COMMAND, MAKEWPARAM(testing_support::kDriveBoxId, CBN_SELCHANGE),
               reinterpret_cast<LPARAM>(drives));
  EXPECT_EQ(directoryChanges_, 1);
  EXPECT_EQ(driveChanges_, 3);
}

TEST_F(Dialog, WhenFirstShownTheDriveBoxsHandlerRunsOnceAndTheDirectoryListsNot) {
  delete form_;
  form_ = nullptr;
  CaretMoveCount caretMoves;  // each run of either handler moves the file list's caret once
  form_ = new TfrmSelect(runtime::application);
  testing_support::DialogDriver driver({testing_support::PressCancel()});
  form_->ShowModal();
  EXPECT_EQ(caretMoves.moves, 1);
  EXPECT_EQ(caretMoves.movesAfterTheDriveWasTaken, 1) << "the run is the drive box's, once it has its drive";
}

TEST_F(Dialog, ShiftEnterOnTheDirectoryListOpensTheHighlightedFolderAndPressesNoButton) {
  std::string shown;
  testing_support::DialogDriver driver({
      [](HWND dialog) {
        ASSERT_TRUE(testing_support::HighlightFolder(dialog, "Sub"));
        testing_support::PostWithShiftHeld(GetDlgItem(dialog, testing_support::kDirectoryListId), VK_RETURN);
      },
      [&](HWND) { shown = CurrentDirectoryText(); },
      testing_support::PressCancel(),
  });
  EXPECT_EQ(form_->ShowModal(), runtime::kModalResultCancel);
  EXPECT_TRUE(shown == Path("Sub"));
  EXPECT_EQ(directoryChanges_, 1);
  EXPECT_TRUE(Entries(*form_->fltFileName) == (std::vector<std::string>{"inner.gif", "other.bmp"}));
}

TEST_F(Dialog, EnterOnAListPressesOKWithoutOpeningTheHighlightedFolder) {
  testing_support::DialogDriver driver({
      [](HWND dialog) {
        HWND directories = GetDlgItem(dialog, testing_support::kDirectoryListId);
        SendMessageA(directories, LB_SETCURSEL, SendMessageA(directories, LB_GETCOUNT, 0, 0) - 1, 0);
        SetFocus(directories);
        PostMessageA(directories, WM_KEYDOWN, VK_RETURN, 0);
      },
  });
  EXPECT_EQ(form_->ShowModal(), runtime::kModalResultOK);
  EXPECT_EQ(directoryChanges_, 0);
  EXPECT_TRUE(CurrentDirectoryText() == folder_.Path());
}

}  // namespace
