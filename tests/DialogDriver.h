// Drives a modal file selection dialog from the test's own thread: a thread
// timer, which the dialog's modal loop dispatches, finds the dialog once it
// is up and runs the test's steps on it, one per tick. No step runs while a
// message box is over the dialog, nor inside another step.
#pragma once
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace testing_support {

// The dialog's controls, by their IDs.
constexpr int kFileListId = 101;
constexpr int kDirectoryListId = 102;
constexpr int kDriveBoxId = 103;

class DialogDriver {
 public:
  using Step = std::function<void(HWND dialog)>;
  // Starts driving: each tick after the dialog has appeared runs the next step.
  explicit DialogDriver(std::vector<Step> steps);
  ~DialogDriver();
  DialogDriver(const DialogDriver&) = delete;
  DialogDriver& operator=(const DialogDriver&) = delete;

  bool Finished() const { return next_ == steps_.size(); }

 private:
  static void CALLBACK OnTimer(HWND, UINT, UINT_PTR, DWORD);
  void Tick();

  std::vector<Step> steps_;
  std::size_t next_ = 0;
  bool inStep_ = false;
  UINT_PTR timer_;
};

// What an error box showed.
struct ErrorBox {
  std::string text;
  bool stopIcon;
  bool onlyOK;  // one button, OK
  bool dialogDisabled;  // the dialog was disabled while the box was up
};

// While it lives, each message box that the thread shows is read and closed
// with its OK button.
class ErrorBoxWatch {
 public:
  ErrorBoxWatch();
  ~ErrorBoxWatch();
  ErrorBoxWatch(const ErrorBoxWatch&) = delete;
  ErrorBoxWatch& operator=(const ErrorBoxWatch&) = delete;

  const std::vector<ErrorBox>& Seen() const { return seen_; }

 private:
  static void CALLBACK OnTimer(HWND, UINT, UINT_PTR, DWORD);
  std::vector<ErrorBox> seen_;
  UINT_PTR timer_;
};

// Dispatches every message waiting in the thread's queue, the dialog's
// release message among them.
void PumpMessages();
// The thread's visible form, or null.
HWND FindDialog();
// The error box shown over the dialog (a standard message box), or null.
HWND FindMessageBox();
std::string WindowText(HWND window);
// Presses the button of a message box or dialog with that ID.
void PressButton(HWND window, int id);

// Steps for the usual gestures.
DialogDriver::Step PressOK();
DialogDriver::Step PressCancel();
DialogDriver::Step SelectFiles(std::vector<int> indexes);
std::vector<std::string> FileListEntries(HWND dialog);
std::vector<int> SelectedFiles(HWND dialog);
std::vector<std::string> DirectoryListEntries(HWND dialog);
// Highlights the directory list's entry with that text; false when there is none.
bool HighlightFolder(HWND dialog, const std::string& name);
// Opens the highlighted folder as a double-click on it does.
void DoubleClickHighlightedFolder(HWND dialog);
// Posts Shift+key to the control as the form's loop gets it: Shift is held in
// this thread's key state until the key has been handled. Nothing is typed,
// so no other window on the display can take the key.
void PostWithShiftHeld(HWND control, WPARAM key);

// Makes a folder under the temporary directory and removes it with all it holds.
class TemporaryFolder {
 public:
  explicit TemporaryFolder(const std::string& name);
  ~TemporaryFolder();
  const std::string& Path() const { return path_; }
  std::string Make(const std::string& relative, DWORD attributes = FILE_ATTRIBUTE_NORMAL) const;
  std::string MakeFolder(const std::string& relative) const;

 private:
  std::string path_;
};

}  // namespace testing_support
