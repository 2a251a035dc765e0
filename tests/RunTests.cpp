// Whole runs of the module as a host makes them: the dialog driven from the
// host's thread, the calls the host object receives, errors, clean-up and
// unloading.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "DialogDriver.h"
#include "PluginHost.h"
#include "borlndmm_diagnostics.h"

using host::HostCall;
using testing_support::DialogDriver;

namespace {

// Opens every run in a fixture folder of three images and one other file.
// The host object's operations leave EAX, ECX and EDX scrambled, so a module
// that relied on them across the calls would hand over wrong paths.
class Run : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_.Make("b.jpg");
    folder_.Make("A.gif");
    folder_.Make("c.PNG");
    folder_.Make("notes.txt");
    SetCurrentDirectoryA(folder_.Path().c_str());
  }
  void TearDown() override { SetCurrentDirectoryA("C:\\"); }

  host::RunOutcome RunWith(std::vector<DialogDriver::Step> steps) {
    DialogDriver driver(std::move(steps));
    host::RunOutcome outcome = plugin_.Run(recorder_.Object());
    EXPECT_TRUE(driver.Finished());
    if (!outcome.raised) {
      EXPECT_TRUE(outcome.conventionKept) << "the argument removed, EBX, ESI, EDI and EBP kept";
    }
    return outcome;
  }
  std::string InFolder(const std::string& name) const { return folder_.Path() + "\\" + name; }

  testing_support::TemporaryFolder folder_{"zorvane-run"};
  host::Plugin plugin_{"Zorvane.plg"};
  host::RecordingHost recorder_;
};

TEST_F(Run, CancelledOrEmptyRunsHandNothingOverAndReturnTrue) {
  const std::vector<std::pair<const char*, DialogDriver::Step>> endings = {
      {"Cancel button", testing_support::PressCancel()},
      {"close request", [](HWND dialog) { PostMessageA(dialog, WM_CLOSE, 0, 0); }},
      {"Esc on the file list",
       [](HWND dialog) {
         PostMessageA(GetDlgItem(dialog, testing_support::kFileListId), WM_KEYDOWN, VK_ESCAPE, 0);
       }},
      {"OK with nothing selected", testing_support::PressOK()},
  };
  for (const auto& [name, ending] : endings) {
    const host::RunOutcome outcome = RunWith({ending});
    EXPECT_FALSE(outcome.raised) << name;
    EXPECT_TRUE(outcome.result) << name;
    EXPECT_TRUE(recorder_.Calls().empty()) << name;
  }
}

TEST_F(Run, OKOnAnEmptyListHandsNothingOver) {
  SetCurrentDirectoryA(folder_.MakeFolder("empty").c_str());
  std::vector<std::string> entries{"not read"};
  const host::RunOutcome outcome =
      RunWith({[&](HWND dialog) { entries = testing_support::FileListEntries(dialog); }, testing_support::PressOK()});
  EXPECT_TRUE(entries.empty());
  EXPECT_TRUE(outcome.result);
  EXPECT_TRUE(recorder_.Calls().empty());
}

TEST_F(Run, SelectedFilesGoOverInListOrderEachSubmittedThenFinished) {
  std::vector<std::string> entries;
  const host::RunOutcome outcome = RunWith({
      [&](HWND dialog) { entries = testing_support::FileListEntries(dialog); },
      testing_support::SelectFiles({2, 0, 1}),
      testing_support::PressOK(),
  });
  ASSERT_FALSE(outcome.raised);
  EXPECT_TRUE(outcome.result);
  EXPECT_EQ(entries, (std::vector<std::string>{"A.gif", "b.jpg", "c.PNG"}));
  const std::vector<HostCall> expected = {
      {HostCall::kSubmitFile, InFolder("A.gif")}, {HostCall::kFinishFile, ""},
      {HostCall::kSubmitFile, InFolder("b.jpg")}, {HostCall::kFinishFile, ""},
      {HostCall::kSubmitFile, InFolder("c.PNG")}, {HostCall::kFinishFile, ""},
  };
  EXPECT_EQ(recorder_.Calls(), expected);
}

TEST_F(Run, NamesWithBackslashBytesOrOutsideTheCodePageGoOverAsPathsTheHostCanOpen) {
  const std::string japanese = folder_.MakeFolder("\x95\x5c");  // 表
  SetCurrentDirectoryA(japanese.c_str());
  folder_.Make("\x95\x5c\\\x83\x5c.jpg");  // ソ.jpg
  const std::wstring unrepresentable = L"\u00dcn\u00efcode.gif";
  std::wstring wideFolder(MAX_PATH, L'\0');
  wideFolder.resize(GetCurrentDirectoryW(MAX_PATH, wideFolder.data()));
  HANDLE file = CreateFileW((wideFolder + L"\\" + unrepresentable).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  CloseHandle(file);
  RunWith({testing_support::SelectFiles({0, 1}), testing_support::PressOK()});
  const std::vector<std::string> paths = recorder_.SubmittedPaths();
  ASSERT_EQ(paths.size(), 2u);
  for (const std::string& path : paths) {
    EXPECT_NE(GetFileAttributesA(path.c_str()), INVALID_FILE_ATTRIBUTES) << "a path the host cannot open";
    EXPECT_EQ(path.find('?'), std::string::npos);
  }
  EXPECT_TRUE(std::find(paths.begin(), paths.end(), japanese + "\\\x83\x5c.jpg") != paths.end());
}

TEST_F(Run, AFileOfARootDirectoryGetsTwoBackslashes) {
  const std::string rootFile = "C:\\zorvane-root-test.jpg";
  HANDLE file = CreateFileA(rootFile.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  CloseHandle(file);
  SetCurrentDirectoryA("C:\\");
  std::vector<std::string> entries;
  RunWith({[&](HWND dialog) {
             entries = testing_support::FileListEntries(dialog);
             for (std::size_t i = 0; i < entries.size(); ++i)
               if (entries[i] == "zorvane-root-test.jpg")
                 SendMessageA(GetDlgItem(dialog, testing_support::kFileListId), LB_SETSEL, TRUE, i);
           },
           testing_support::PressOK()});
  DeleteFileA(rootFile.c_str());
  EXPECT_EQ(recorder_.SubmittedPaths(), std::vector<std::string>{"C:\\\\zorvane-root-test.jpg"});
}

TEST_F(Run, AHostErrorEndsTheWalkReleasesTheDialogDropsThePathAndReachesTheHost) {
  RunWith({testing_support::PressCancel()});  // the module's first dialog sets up what later ones reuse
  for (const HostCall::Kind failing : {HostCall::kSubmitFile, HostCall::kFinishFile}) {
    for (const int file : {1, 2, 3}) {
      const char* operation = failing == HostCall::kSubmitFile ? "SubmitFile" : "FinishFile";
      // Both calls for each file before, then the failing one.
      const std::size_t callsMade = 2 * (file - 1) + (failing == HostCall::kSubmitFile ? 1 : 2);
      testing_support::PumpMessages();
      const int32_t blocks = BorlndmmOutstandingBlocks();
      {
        host::RecordingHost recorder;
        recorder.FailOn(failing, file);
        DialogDriver driver({testing_support::SelectFiles({0, 1, 2}), testing_support::PressOK()});
        const host::RunOutcome outcome = plugin_.Run(recorder.Object());
        ASSERT_TRUE(outcome.raised) << operation << " " << file;
        EXPECT_EQ(outcome.exceptionCode, 0x0EEDFADEu) << operation << " " << file;
        EXPECT_EQ(outcome.parameterCount, 7u) << operation << " " << file;
        EXPECT_EQ(outcome.errorMessage, std::string("host failed in ") + operation);
        EXPECT_EQ(recorder.Calls().size(), callsMade) << operation << " " << file;
      }
      testing_support::PumpMessages();
      EXPECT_EQ(testing_support::FindDialog(), nullptr) << operation << " " << file;
      EXPECT_EQ(BorlndmmOutstandingBlocks(), blocks) << operation << " " << file << ": dialog released, path dropped";
    }
  }
}

TEST_F(Run, AQuitMessageClosesTheDialogAsCancelAndIsPostedAgainForTheHost) {
  const host::RunOutcome outcome = RunWith({[](HWND) { PostQuitMessage(7); }});
  EXPECT_TRUE(outcome.result);
  EXPECT_TRUE(recorder_.Calls().empty());
  MSG message;
  ASSERT_TRUE(PeekMessageA(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  EXPECT_EQ(message.wParam, 7u);
}

TEST_F(Run, ARunStartedFromInsideTheHostsOperationIsAClearError) {
  host::RunOutcome inner;
  recorder_.OnSubmit([&](const char*) {
    host::RecordingHost innerRecorder;
    inner = plugin_.Run(innerRecorder.Object());
  });
  const host::RunOutcome outer = RunWith({testing_support::SelectFiles({0, 1}), testing_support::PressOK()});
  EXPECT_TRUE(outer.result);
  EXPECT_EQ(recorder_.SubmittedPaths(), (std::vector<std::string>{InFolder("A.gif"), InFolder("b.jpg")}));
  EXPECT_TRUE(inner.raised);
  EXPECT_EQ(inner.exceptionCode, 0x0EEDFADEu);
  EXPECT_TRUE(inner.errorMessage == "\x83\x76\x83\x89\x83\x4f\x83\x43\x83\x93\x82\xcd\x8a\xf9\x82\xc9"
                                    "\x8e\xc0\x8d\x73\x92\x86\x82\xc5\x82\xb7");  // プラグインは既に実行中です
}

TEST_F(Run, APathTheHostKeepsOutlivesTheRunAndIsFreedLater) {
  recorder_.KeepPaths(true);
  RunWith({testing_support::SelectFiles({0, 1}), testing_support::PressOK()});
  testing_support::PumpMessages();
  ASSERT_EQ(recorder_.KeptPaths().size(), 2u);
  EXPECT_EQ(recorder_.KeptPaths()[0].View(), InFolder("A.gif"));
  EXPECT_EQ(recorder_.KeptPaths()[1].View(), InFolder("b.jpg"));
  const int32_t blocks = BorlndmmOutstandingBlocks();
  recorder_.DropKeptPaths();
  EXPECT_EQ(BorlndmmOutstandingBlocks(), blocks - 2);
}

TEST_F(Run, TheTitleKeepsItsAddressBeforeDuringAndAfterARun) {
  const char* before = plugin_.Title();
  const char* during = nullptr;
  recorder_.OnSubmit([&](const char*) { during = plugin_.Title(); });
  RunWith({testing_support::SelectFiles({0}), testing_support::PressOK()});
  EXPECT_EQ(during, before);
  EXPECT_EQ(plugin_.Title(), before);
}

TEST_F(Run, TheNextRunOpensWhereTheLastEnded) {
  const std::string sub = folder_.MakeFolder("sub");
  RunWith({[&](HWND dialog) {
             HWND directories = GetDlgItem(dialog, testing_support::kDirectoryListId);
             const int count = static_cast<int>(SendMessageA(directories, LB_GETCOUNT, 0, 0));
             SendMessageA(directories, LB_SETCURSEL, count - 1, 0);
             SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(testing_support::kDirectoryListId, LBN_DBLCLK),
                          reinterpret_cast<LPARAM>(directories));
           },
           testing_support::PressCancel()});
  char current[MAX_PATH];
  GetCurrentDirectoryA(MAX_PATH, current);
  EXPECT_EQ(std::string(current), sub);
}

// 50,000 images and as many other files, made by the tests' set-up.
TEST(LargeFolder, EveryImageIsListedInOrderAndTheLastHandedOverWhole) {
  SetCurrentDirectoryA(ZORVANE_LARGE_FOLDER);
  host::Plugin plugin("Zorvane.plg");
  host::RecordingHost recorder;
  std::vector<std::string> entries;
  DialogDriver driver({[&](HWND dialog) {
                         entries = testing_support::FileListEntries(dialog);
                         testing_support::SelectFiles({0, static_cast<int>(entries.size()) - 1})(dialog);
                       },
                       testing_support::PressOK()});
  const host::RunOutcome outcome = plugin.Run(recorder.Object());
  SetCurrentDirectoryA("C:\\");
  ASSERT_FALSE(outcome.raised);
  ASSERT_EQ(entries.size(), 50000u);
  for (std::size_t i = 0; i < entries.size(); ++i) {
    char expected[32];
    wsprintfA(expected, "Image %06u.", static_cast<unsigned>(i));
    if (entries[i].rfind(expected, 0) != 0) {
      ADD_FAILURE() << "entry " << i << " is " << entries[i];
      break;
    }
  }
  const std::string folder = ZORVANE_LARGE_FOLDER;
  EXPECT_EQ(recorder.SubmittedPaths(),
            (std::vector<std::string>{folder + "\\Image 000000.gif", folder + "\\Image 049999.ico"}));
}

TEST(Unload, RightAfterARunDestroysTheDialogAndTheLateReleaseIsHarmless) {
  for (const bool pumpFirst : {false, true}) {
    const int32_t blocks = BorlndmmOutstandingBlocks();
    {
      host::Plugin plugin("Zorvane.plg");
      host::RecordingHost recorder;
      DialogDriver driver({testing_support::PressCancel()});
      EXPECT_TRUE(plugin.Run(recorder.Object()).result);
      EXPECT_EQ(testing_support::FindDialog(), nullptr);
      if (pumpFirst) testing_support::PumpMessages();
    }
    testing_support::PumpMessages();
    EXPECT_EQ(BorlndmmOutstandingBlocks(), blocks) << (pumpFirst ? "pumped: " : "not pumped: ")
                                                   << "nothing of the module left in the shared manager";
  }
}

}  // namespace
