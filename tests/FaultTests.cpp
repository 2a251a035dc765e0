// Faults during whole runs: whatever fails, the module raises its error
// cleanly or shows it in its error box, never crashes, and leaks nothing.
#include <gtest/gtest.h>
#include <cstdio>
#include <windows.h>

#include "DialogDriver.h"
#include "PluginHost.h"
#include "borlndmm_diagnostics.h"

namespace {

void CALLBACK DismissErrorBoxes(HWND, UINT, UINT_PTR, DWORD) {
  if (HWND box = testing_support::FindMessageBox()) testing_support::PressButton(box, IDOK);
}

// Fails the k-th allocation of the module for every k of a run that selects
// two files and presses OK, until a run no longer reaches k.
TEST(Fault, EveryAllocationFailureOfARunIsAnErrorAndLeaksNothing) {
  testing_support::TemporaryFolder folder("zorvane-fault");
  folder.Make("a.gif");
  folder.Make("b.jpg");
  SetCurrentDirectoryA(folder.Path().c_str());
  host::Plugin plugin("Zorvane.plg");
  {
    host::RecordingHost warmUp;
    testing_support::DialogDriver driver({testing_support::PressCancel()});
    plugin.Run(warmUp.Object());  // the module's first dialog sets up what later ones reuse
  }
  testing_support::PumpMessages();
  const UINT_PTR dismiss = SetTimer(nullptr, 0, 40, &DismissErrorBoxes);
  int raised = 0;
  int k = 1;
  for (;; ++k) {
    const int32_t blocks = BorlndmmOutstandingBlocks();
    bool reached;
    {
      host::RecordingHost recorder;
      testing_support::DialogDriver driver({testing_support::SelectFiles({0, 1}), testing_support::PressOK()});
      // Only the module's own requests count: the host side allocates meanwhile too.
      BorlndmmFailRequestFrom(plugin.Module(), k);
      const host::RunOutcome outcome = plugin.Run(recorder.Object());
      reached = BorlndmmPendingFailure() == 0;
      BorlndmmFailRequest(0);
      if (outcome.raised) {
        ++raised;
        EXPECT_EQ(outcome.exceptionCode, 0x0EEDFADEu) << "k = " << k;
        EXPECT_EQ(outcome.parameterCount, 7u) << "k = " << k;
      } else {
        EXPECT_TRUE(outcome.result) << "k = " << k;
      }
    }
    testing_support::PumpMessages();
    EXPECT_EQ(BorlndmmOutstandingBlocks(), blocks) << "k = " << k;
    if (!reached) break;
  }
  KillTimer(nullptr, dismiss);
  SetCurrentDirectoryA("C:\\");
  EXPECT_GT(k, 10) << "a run allocates";
  std::printf("allocation failures tried: %d, raised to the host: %d\n", k, raised);
  EXPECT_GT(raised, 0);
}

TEST(Fault, UnloadingRightAfterARunAHundredTimes) {
  for (const bool pump : {false, true}) {
    for (int i = 0; i < 100; ++i) {
      host::Plugin plugin("Zorvane.plg");
      host::RecordingHost recorder;
      testing_support::DialogDriver driver({testing_support::PressCancel()});
      ASSERT_TRUE(plugin.Run(recorder.Object()).result) << (pump ? "pumped, " : "") << "run " << i;
      if (pump) testing_support::PumpMessages();
    }
    testing_support::PumpMessages();
  }
}

}  // namespace
