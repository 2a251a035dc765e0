// Benchmarks of the plug-in as a host runs it. Every command prints rows of
// one Markdown table (measure | figure | target | met); scripts/bench.sh makes
// the fixture folders, runs each command in a fresh process and prints the
// table. Times are medians; a ratio compares figures of the same run.
//   plugin_bench opening FOLDER      reading the folder's images: limit A, one
//                                    pass, the whole dialog; closing it
//   plugin_bench memory FOLDER       working set and shared blocks, dialog shown
//   plugin_bench handoff FOLDER      every image handed over, against a bare loop
//   plugin_bench soak FOLDER RUNS    many runs in one process: what stays behind
//   plugin_bench module CYCLES       module size, load and unload cycles
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "DialogDriver.h"
#include "FileSystem.h"
#include "PluginHost.h"
#include "borlndmm_diagnostics.h"

namespace {

constexpr char kModule[] = "Zorvane.plg";
constexpr char kImageMask[] = "*.gif;*.jpg;*.pcx;*.bmp;*.wmf;*.ico;*.scm;*.png;*.cms;*.tif;*.pcd;*.dxf;*.tga;*.eps";
constexpr int kRepeats = 5;
constexpr int kHandedOver = 100;  // by every other soak run

double Now() {
  LARGE_INTEGER counter, frequency;
  QueryPerformanceCounter(&counter);
  QueryPerformanceFrequency(&frequency);
  return static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

std::string Format(const char* format, double value) {
  char text[64];
  std::snprintf(text, sizeof text, format, value);
  return text;
}

std::string Milliseconds(double seconds) { return Format("%.1f ms", seconds * 1000); }
std::string Seconds(double seconds) { return Format("%.3f s", seconds); }
std::string Ratio(double ratio) { return Format("%.2f×", ratio); }
std::string Count(double count) { return Format("%.0f", count); }
std::string Megabytes(double bytes) { return Format("%.1f MB", bytes / (1024 * 1024)); }

enum class Verdict { kNone, kMet, kNotMet };

Verdict Check(bool met) { return met ? Verdict::kMet : Verdict::kNotMet; }

void Row(const std::string& measure, const std::string& figure, const std::string& target = "",
         Verdict verdict = Verdict::kNone) {
  const char* verdictText = verdict == Verdict::kMet ? "met" : verdict == Verdict::kNotMet ? "NOT MET" : "";
  std::printf("| %s | %s | %s | %s |\n", measure.c_str(), figure.c_str(), target.c_str(), verdictText);
  std::fflush(stdout);
}

// A host object that keeps nothing: its SubmitFile and FinishFile only count,
// noting when the first file arrived and when the expected last one was done.
class CountingHost {
 public:
  CountingHost() {
    std::fill(std::begin(methodTable_), std::end(methodTable_), reinterpret_cast<void*>(&Unexpected));
    methodTable_[kFinishFilePosition] = reinterpret_cast<void*>(&FinishFile);
    methodTable_[kSubmitFilePosition] = reinterpret_cast<void*>(&SubmitFile);
  }
  CountingHost(const CountingHost&) = delete;
  CountingHost& operator=(const CountingHost&) = delete;

  void* Object() { return &object_; }
  void Expect(int files) {
    submitted = finished = 0;
    expected = files;
  }
  // The host operations as the plug-in calls them, through the method table.
  void Submit(char* path) {
    reinterpret_cast<void(REGISTER_CALL*)(void*, char*)>(methodTable_[kSubmitFilePosition])(&object_, path);
  }
  void Finish() { reinterpret_cast<void(REGISTER_CALL*)(void*)>(methodTable_[kFinishFilePosition])(&object_); }

  double HandOffTime() const { return lastFinishTime - firstSubmitTime; }

  int submitted = 0;
  int finished = 0;
  int expected = 0;
  double firstSubmitTime = 0;
  double lastFinishTime = 0;

 private:
  static constexpr int kFinishFilePosition = 62;
  static constexpr int kSubmitFilePosition = 63;
  struct HostObject {
    void* const* methodTable;
    CountingHost* host;
  };
  static REGISTER_CALL void SubmitFile(void* object, char*) {
    CountingHost* host = static_cast<HostObject*>(object)->host;
    if (host->submitted++ == 0) host->firstSubmitTime = Now();
  }
  static REGISTER_CALL void FinishFile(void* object) {
    CountingHost* host = static_cast<HostObject*>(object)->host;
    if (++host->finished == host->expected) host->lastFinishTime = Now();
  }
  static REGISTER_CALL void Unexpected() { FatalAppExitA(0, "the plug-in called a method the host object does not offer"); }

  void* methodTable_[64];
  HostObject object_{methodTable_, this};
};

// Acts on the dialog once it is up and idle: a thread timer set before
// Call_Plugin is due at once, but WM_TIMER comes only when the queue is empty,
// after the dialog has been shown and painted.
class WhenIdle {
 public:
  explicit WhenIdle(std::function<void(HWND dialog)> action)
      : action_(std::move(action)), timer_(SetTimer(nullptr, 0, USER_TIMER_MINIMUM, &OnTimer)) {
    waiting = this;
  }
  ~WhenIdle() {
    KillTimer(nullptr, timer_);
    waiting = nullptr;
  }
  WhenIdle(const WhenIdle&) = delete;
  WhenIdle& operator=(const WhenIdle&) = delete;

 private:
  static inline WhenIdle* waiting = nullptr;  // a thread timer carries no context
  static void CALLBACK OnTimer(HWND, UINT, UINT_PTR, DWORD) {
    HWND dialog = testing_support::FindDialog();
    if (!waiting || !dialog || !waiting->action_) return;
    auto action = std::move(waiting->action_);
    waiting->action_ = nullptr;
    action(dialog);
  }

  std::function<void(HWND)> action_;
  UINT_PTR timer_;
};

int FileListCount(HWND dialog) {
  return static_cast<int>(SendDlgItemMessageA(dialog, testing_support::kFileListId, LB_GETCOUNT, 0, 0));
}

bool Fail(const char* what) {
  std::fprintf(stderr, "plugin_bench: %s\n", what);
  return false;
}

// The time a standard list box of the file list's kind, hidden and with
// redraw off, takes to be given the names: with its own copy of each (the
// file list's way, which keeps the entries readable to accessibility tools),
// or as a no-data list that only learns their number.
double ListBoxFillTime(const std::vector<runtime::LongString>& names, bool withTexts) {
  const DWORD kinds = withTexts ? LBS_HASSTRINGS : LBS_NODATA;
  HWND list = CreateWindowExA(0, "LISTBOX", "", WS_POPUP | LBS_OWNERDRAWFIXED | LBS_EXTENDEDSEL | kinds, 0, 0, 200, 200,
                              nullptr, nullptr, nullptr, nullptr);
  SendMessageA(list, WM_SETREDRAW, FALSE, 0);
  const double start = Now();
  if (withTexts) {
    SendMessageA(list, LB_INITSTORAGE, names.size(), names.size() * 16);
    for (const runtime::LongString& name : names) SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.CStr()));
  } else {
    SendMessageA(list, LB_SETCOUNT, names.size(), 0);
  }
  const double elapsed = Now() - start;
  DestroyWindow(list);
  return elapsed;
}

// Limit A (the system's fourteen searches and one sort), our one pass, and the
// whole dialog from Call_Plugin until it is up and idle; then Cancel until
// Call_Plugin returns, and the release message that destroys the dialog.
bool Opening(const std::string& folder) {
  host::Plugin plugin(kModule);
  CountingHost host;
  std::vector<double> limitA, onePass, opening, closing, destroying, fillWithTexts, fillNoData;
  std::size_t expected = 0;
  int listed = -1;
  for (int repeat = 0; repeat < kRepeats; ++repeat) {
    double start = Now();
    expected = runtime::SearchMatchingFilesBySystem(folder, kImageMask).size();
    limitA.push_back(Now() - start);
    start = Now();
    const std::vector<runtime::LongString> names = runtime::ReadMatchingFiles(folder, kImageMask);
    onePass.push_back(Now() - start);
    if (names.size() != expected) return Fail("the one pass differs");
    fillWithTexts.push_back(ListBoxFillTime(names, true));
    fillNoData.push_back(ListBoxFillTime(names, false));

    SetCurrentDirectoryA(folder.c_str());
    double shown = 0, closeStart = 0;
    WhenIdle idle([&](HWND dialog) {
      shown = Now();
      listed = FileListCount(dialog);
      closeStart = Now();
      testing_support::PressCancel()(dialog);
    });
    start = Now();
    const host::RunOutcome outcome = plugin.Run(host.Object());
    const double returned = Now();
    if (outcome.raised || shown == 0) return Fail("the dialog did not open and close");
    opening.push_back(shown - start);
    closing.push_back(returned - closeStart);
    testing_support::PumpMessages();
    destroying.push_back(Now() - returned);
  }
  if (listed != static_cast<int>(expected)) return Fail("the dialog lists other files than limit A");

  const std::string n = "N = " + std::to_string(expected);
  const double ratio = Median(opening) / Median(limitA);
  const bool large = expected >= 50000;
  Row(n + ": limit A, 14 searches + sort", Seconds(Median(limitA)));
  Row(n + ": one pass, matched here + sort", Seconds(Median(onePass)));
  Row(n + ": opening, Call_Plugin to dialog idle", Seconds(Median(opening)));
  Row(n + ": opening / limit A", Ratio(ratio), large ? "≤ 0.75×" : "", large ? Check(ratio <= 0.75) : Verdict::kNone);
  Row(n + ": one pass / limit A", Ratio(Median(onePass) / Median(limitA)));
  Row(n + ": the dialog's own share, opening − one pass", Seconds(Median(opening) - Median(onePass)));
  Row(n + ": of which a list box taking the names with their texts", Seconds(Median(fillWithTexts)));
  Row(n + ": (a no-data list box, no texts for accessibility tools)", Seconds(Median(fillNoData)));
  Row(n + ": closing, Cancel to Call_Plugin's return", Milliseconds(Median(closing)), large ? "≤ 50 ms" : "",
      large ? Check(Median(closing) <= 0.050) : Verdict::kNone);
  Row(n + ": destroying, release message delivered", Milliseconds(Median(destroying)));
  return true;
}

// Working-set growth and the shared manager's blocks while the dialog shows
// the folder, in a fresh process, so that the peak is this dialog's. A first
// run in the program's own folder (no images) sets up what later runs reuse,
// such as the application's list of the dialogs it owns.
bool Memory(const std::string& folder) {
  host::Plugin plugin(kModule);
  CountingHost host;
  {
    WhenIdle idle(testing_support::PressCancel());
    if (plugin.Run(host.Object()).raised) return Fail("the first run failed");
    testing_support::PumpMessages();
  }
  PROCESS_MEMORY_COUNTERS before{}, shown{};
  GetProcessMemoryInfo(GetCurrentProcess(), &before, sizeof before);
  const int32_t blocksBefore = BorlndmmOutstandingBlocks(), bytesBefore = BorlndmmOutstandingBytes();
  int32_t blocksShown = 0, bytesShown = 0;
  int listed = 0;
  SetCurrentDirectoryA(folder.c_str());
  WhenIdle idle([&](HWND dialog) {
    GetProcessMemoryInfo(GetCurrentProcess(), &shown, sizeof shown);
    blocksShown = BorlndmmOutstandingBlocks();
    bytesShown = BorlndmmOutstandingBytes();
    listed = FileListCount(dialog);
    testing_support::PressCancel()(dialog);
  });
  if (plugin.Run(host.Object()).raised || listed == 0) return Fail("the dialog did not open and close");
  testing_support::PumpMessages();
  const int32_t blocksAfter = BorlndmmOutstandingBlocks(), bytesAfter = BorlndmmOutstandingBytes();

  const std::string n = "N = " + std::to_string(listed);
  Row(n + ": working set before the run", Megabytes(before.WorkingSetSize));
  Row(n + ": peak working-set growth, dialog shown", Megabytes(shown.PeakWorkingSetSize - before.WorkingSetSize));
  Row(n + ": shared blocks / bytes before the run", Count(blocksBefore) + " / " + Count(bytesBefore));
  Row(n + ": shared blocks / bytes, dialog shown", Count(blocksShown) + " / " + Count(bytesShown));
  Row(n + ": shared blocks / bytes after the run", Count(blocksAfter) + " / " + Count(bytesAfter), "as before",
      Check(blocksAfter == blocksBefore && bytesAfter == bytesBefore));
  return true;
}

// Every image of the folder selected and handed over, timed from the first
// SubmitFile until the last FinishFile has returned; against a bare loop that
// builds the same paths as LongStrings and calls the same two operations.
bool HandOff(const std::string& folder) {
  host::Plugin plugin(kModule);
  CountingHost host;
  const std::vector<runtime::LongString> names = runtime::ReadMatchingFiles(folder, kImageMask);
  const int count = static_cast<int>(names.size());
  std::vector<double> module, bare;
  for (int repeat = 0; repeat < kRepeats; ++repeat) {
    SetCurrentDirectoryA(folder.c_str());
    host.Expect(count);
    WhenIdle idle([](HWND dialog) {
      SendDlgItemMessageA(dialog, testing_support::kFileListId, LB_SELITEMRANGEEX, 0, FileListCount(dialog) - 1);
      testing_support::PressOK()(dialog);
    });
    if (plugin.Run(host.Object()).raised) return Fail("the run raised an error");
    testing_support::PumpMessages();
    if (host.finished != count) return Fail("not every file was handed over");
    module.push_back(host.HandOffTime());

    host.Expect(count);
    runtime::LongString path;
    for (const runtime::LongString& name : names) {
      path = runtime::LongString::Concat({folder, "\\", name.View()});
      host.Submit(path.Reference());
      host.Finish();
    }
    path.Clear();
    bare.push_back(host.HandOffTime());
  }
  const double ratio = Median(module) / Median(bare);
  const std::string n = std::to_string(count) + " files";
  Row("hand-off of " + n + ", module", Milliseconds(Median(module)));
  Row("hand-off of " + n + ", bare loop", Milliseconds(Median(bare)));
  Row("hand-off, module / bare loop", Ratio(ratio), "≤ 1.2×", Check(ratio <= 1.2));
  return true;
}

// What the process holds: shared blocks, kernel handles, windows, USER and
// GDI objects.
struct Holdings {
  DWORD blocks;
  DWORD handles;
  DWORD windows;
  DWORD userObjects;
  DWORD gdiObjects;
};

// Every handle value that names an open handle: Wine's own count of them
// reports none.
DWORD CountKernelHandles() {
  DWORD count = 0;
  DWORD flags;
  for (ULONG_PTR value = 4; value < 0x10000; value += 4) {
    if (GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags)) ++count;
  }
  return count;
}

BOOL CALLBACK CountWindow(HWND window, LPARAM count) {
  ++*reinterpret_cast<DWORD*>(count);
  EnumChildWindows(window, &CountWindow, count);
  return TRUE;
}

DWORD CountThreadWindows() {
  DWORD count = 0;
  EnumThreadWindows(GetCurrentThreadId(), &CountWindow, reinterpret_cast<LPARAM>(&count));
  return count;
}

Holdings ReadHoldings() {
  return {static_cast<DWORD>(BorlndmmOutstandingBlocks()), CountKernelHandles(), CountThreadWindows(),
          GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS), GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS)};
}

// Runs one after another, alternately cancelled and handing over the first
// 100 files. The first run, which sets up what later ones reuse (the window
// class, the glyphs), comes before the start reading.
bool Soak(const std::string& folder, int runs) {
  host::Plugin plugin(kModule);
  CountingHost host;
  auto run = [&](int index) {
    SetCurrentDirectoryA(folder.c_str());
    const bool handOver = index % 2 == 1;
    host.Expect(handOver ? kHandedOver : 0);
    WhenIdle idle([handOver](HWND dialog) {
      if (!handOver) return testing_support::PressCancel()(dialog);
      SendDlgItemMessageA(dialog, testing_support::kFileListId, LB_SELITEMRANGEEX, 0, kHandedOver - 1);
      testing_support::PressOK()(dialog);
    });
    const bool ran = !plugin.Run(host.Object()).raised && host.finished == (handOver ? kHandedOver : 0);
    testing_support::PumpMessages();
    return ran;
  };
  if (!run(0)) return Fail("the first run failed");
  const Holdings start = ReadHoldings();
  const double startTime = Now();
  Holdings middle{};
  for (int index = 1; index <= runs; ++index) {
    if (!run(index)) return Fail("a run failed");
    if (index == runs / 2) middle = ReadHoldings();
  }
  const double perRun = (Now() - startTime) / runs;
  const Holdings end = ReadHoldings();

  // GetGuiResources answers 0 where it is not implemented (Wine).
  auto holding = [&](const char* what, DWORD Holdings::*field, bool zeroMeansUnreported = false) {
    const std::string measure = std::to_string(runs) + " runs: " + what + " at start / middle / end";
    if (zeroMeansUnreported && start.*field == 0 && end.*field == 0) return Row(measure, "not reported here");
    Row(measure, Count(start.*field) + " / " + Count(middle.*field) + " / " + Count(end.*field), "flat",
        Check(end.*field <= start.*field));
  };
  holding("shared blocks", &Holdings::blocks);
  holding("kernel handles", &Holdings::handles);
  holding("the thread's windows", &Holdings::windows);
  holding("USER objects", &Holdings::userObjects, true);
  holding("GDI objects", &Holdings::gdiObjects, true);
  Row(std::to_string(runs) + " runs: time per run", Milliseconds(perRun));
  return true;
}

// The module file's size, and loading it, asking its title and unloading it.
bool Module(int cycles) {
  WIN32_FILE_ATTRIBUTE_DATA file;
  if (!GetFileAttributesExA(kModule, GetFileExInfoStandard, &file)) return Fail("cannot read the module file");
  const int32_t blocks = BorlndmmOutstandingBlocks();
  const double start = Now();
  for (int cycle = 0; cycle < cycles; ++cycle) {
    host::Plugin plugin(kModule);
    if (!plugin.Title()) return Fail("no title");
  }
  const double elapsed = Now() - start;
  Row("module size", Count(file.nFileSizeLow) + " bytes", "≤ 262,144", Check(file.nFileSizeLow <= 262144));
  Row(std::to_string(cycles) + " load/unload cycles", Milliseconds(elapsed));
  Row("shared blocks after the cycles", Count(BorlndmmOutstandingBlocks() - blocks) + " more than before", "0",
      Check(BorlndmmOutstandingBlocks() == blocks));
  return true;
}

int Usage() {
  std::fprintf(stderr,
               "usage: plugin_bench opening FOLDER | memory FOLDER | handoff FOLDER | soak FOLDER RUNS | module CYCLES\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) return Usage();
  const std::string command = argv[1], argument = argv[2];
  bool done;
  if (command == "opening") {
    done = Opening(argument);
  } else if (command == "memory") {
    done = Memory(argument);
  } else if (command == "handoff") {
    done = HandOff(argument);
  } else if (command == "soak" && argc > 3) {
    done = Soak(argument, std::atoi(argv[3]));
  } else if (command == "module") {
    done = Module(std::atoi(argv[2]));
  } else {
    return Usage();
  }
  return done ? 0 : 1;
}
