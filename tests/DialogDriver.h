// Drives a modal file selection dialog from the test's own thread: a thread
// timer, which the dialog's modal loop dispatches, finds the dialog once it
// is up and runs the test's steps on it, one per tick.
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
  UINT_PTR timer_;
};

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
