// The three chained lists of a file selection form: a drive box that moves a
// directory list, and a directory list that moves a file list. Each list is
// a standard control drawn by us (a glyph before each entry). Every move to
// another drive or directory changes the process's current directory.
#pragma once
#include <windows.h>

#include <functional>
#include <optional>
#include <string_view>
#include <vector>

#include "Control.h"
#include "FileSystem.h"
#include "Form.h"
#include "Gdi.h"
#include "Glyphs.h"
#include "LongString.h"

namespace runtime {

class DirectoryListBox;

// What the three lists share: place and size in design pixels, the height of
// an entry (0: as the font gives it), the background colour and the font.
struct ListSettings {
  Bounds bounds;
  int itemHeight;
  COLORREF color;
  FontSettings font;
  int id;  // the child window's ID in the form
};

// Draws the lists' entries: background, glyph, text and focus rectangle.
class ListControl : public WinControl {
 protected:
  ListControl(Form* form, const ListSettings& settings);
  void CreateList(const char* className, DWORD style, int listHeight);
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  // The glyph and indentation of an entry; the text is the entry's own.
  virtual void DescribeEntry(int index, Glyph& glyph, int& indent) const = 0;
  // The entry's text, from a list box or combo box.
  LongString EntryText(UINT getLengthMessage, UINT getTextMessage, int index) const;

  Form* form_;
  ListSettings settings_;

 private:
  void OnDrawItem(const DRAWITEMSTRUCT& item) const;
  LRESULT OnControlColor(HDC dc) const;
  runtime::Font font_;
  HBRUSH background_;
};

class FileListBox : public ListControl {
 public:
  FileListBox(Form* form, const ListSettings& settings, std::string_view mask, bool multiSelect);
  ~FileListBox() override;

  // The entries as the list was filled, answered without asking the control:
  // a host's walk over a large selection asks for each entry in turn.
  int Count() const;
  const LongString& Item(int index) const;  // empty out of range
  bool Selected(int index) const;
  // Moves the caret to the entry and scrolls it into view; selects nothing.
  void SetItemIndex(int index);
  const LongString& Directory() const { return directory_; }
  // Hands the directory on to the linked directory list, which moves and
  // tells this list; without one, the list moves itself.
  void SetDirectory(std::string_view directory);

 protected:
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  friend class DirectoryListBox;
  // Reads the directory and shows its matching files, all unselected.
  void ReadDirectory(std::string_view directory);
  void ShowFiles(std::string_view directory, std::vector<LongString> names);
  void ReadSelection() const;
  void DescribeEntry(int index, Glyph& glyph, int& indent) const override;

  LongString mask_;
  LongString directory_;
  std::vector<LongString> names_;
  // The subfolders that the last reading of the directory saw, until the
  // linked directory list takes them: both lists come from one pass.
  std::optional<std::vector<LongString>> subfoldersSeen_;
  mutable std::vector<bool> selection_;
  mutable bool selectionRead_ = false;
  DirectoryListBox* directoryList_ = nullptr;
};

class DirectoryListBox : public ListControl {
 public:
  // Linked to fileList, when given, from the start.
  DirectoryListBox(Form* form, const ListSettings& settings, FileListBox* fileList = nullptr);
  ~DirectoryListBox() override;

  // The directory shown, as the system reports the current directory: a
  // root with its backslash ("C:\"), any other without one.
  const LongString& Directory() const { return directory_; }
  // Moves to the directory unless it is already shown; throws OSError, with
  // nothing changed, when it cannot be entered.
  void SetDirectory(std::string_view directory);
  // Moves to the drive's current directory.
  void SetDrive(char letter);
  void SetFileList(FileListBox* fileList);
  std::function<void()> onChange;

 protected:
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  friend class FileListBox;
  struct Entry {
    LongString name;
    int level;
  };
  void MoveTo(std::string_view target);
  void BuildList(std::vector<LongString> subfolders);
  void OpenEntry(int index);
  LongString PathOfEntry(int index) const;
  void OnCommand(WORD notification);
  bool OnKeyDown(WPARAM key);
  void DescribeEntry(int index, Glyph& glyph, int& indent) const override;

  LongString directory_;
  std::vector<Entry> entries_;
  int currentIndex_ = 0;
  FileListBox* fileList_ = nullptr;
};

class DriveComboBox : public ListControl {
 public:
  DriveComboBox(Form* form, const ListSettings& settings);
  ~DriveComboBox() override;

  char Drive() const { return drive_; }
  void SetDirectoryList(DirectoryListBox* directoryList) { directoryList_ = directoryList; }
  // Lists the drives and takes the current directory's drive, which runs onChange once.
  void SetUp();
  std::function<void()> onChange;

 protected:
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  void OnSelectionChange();
  void SelectDrive(char letter);
  void DescribeEntry(int index, Glyph& glyph, int& indent) const override;

  std::vector<DriveEntry> drives_;
  char drive_ = 0;
  DirectoryListBox* directoryList_ = nullptr;
};

// The process's current directory.
LongString CurrentDirectory();

}  // namespace runtime
