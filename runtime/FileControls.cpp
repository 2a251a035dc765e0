#include "FileControls.h"

#include <algorithm>
#include <cctype>
#include <string>
#include <utility>

#include "Errors.h"
#include "Paths.h"

namespace runtime {
namespace {

constexpr int kGlyphSize = 16;
constexpr int kIndentPerLevel = 8;
constexpr int kHourglassFrom = 100;  // entries inserted before the wait cursor shows
constexpr int kDropDownEntries = 8;

// The wait cursor while it lives, once shown; the previous one afterwards.
class WaitCursor {
 public:
  ~WaitCursor() {
    if (shown_) SetCursor(previous_);
  }
  void Show() {
    if (!shown_) previous_ = SetCursor(LoadCursor(nullptr, IDC_WAIT));
    shown_ = true;
  }

 private:
  bool shown_ = false;
  HCURSOR previous_ = nullptr;
};

// Redrawing stays off while it lives; the window is repainted afterwards.
class RedrawOff {
 public:
  explicit RedrawOff(HWND window) : window_(window) { SendMessageA(window_, WM_SETREDRAW, FALSE, 0); }
  ~RedrawOff() {
    SendMessageA(window_, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(window_, nullptr, TRUE);
  }
  RedrawOff(const RedrawOff&) = delete;
  RedrawOff& operator=(const RedrawOff&) = delete;

 private:
  HWND window_;
};

bool SameDirectory(std::string_view a, std::string_view b) { return CompareTextIgnoringCase(a, b) == 0; }

// The folder where the process stands may have gone since it was entered (a
// medium taken out, a folder deleted from elsewhere): the list then opens on
// it without subfolders, and the user moves on from its parents.
std::vector<LongString> SubdirectoriesIfReadable(std::string_view directory) {
  try {
    return ReadSubdirectories(directory);
  } catch (const OSError&) {
    return {};
  }
}

}  // namespace

LongString CurrentDirectory() {
  std::string buffer(MAX_PATH, '\0');
  DWORD length = GetCurrentDirectoryA(static_cast<DWORD>(buffer.size()), buffer.data());
  if (length >= buffer.size()) {
    buffer.resize(length);
    length = GetCurrentDirectoryA(static_cast<DWORD>(buffer.size()), buffer.data());
  }
  if (length == 0 || length >= buffer.size()) ThrowLastOSError();
  return LongString(std::string_view(buffer.data(), length));
}

// --- ListControl ------------------------------------------------------------

ListControl::ListControl(Form* form, const ListSettings& settings)
    : WinControl(form),
      form_(form),
      settings_(settings),
      font_(CreateFontOf(settings.font, form->Scaled(settings.font.height))),
      background_(GetSysColorBrush(COLOR_BTNFACE)) {}

void ListControl::CreateList(const char* className, DWORD style, int listHeight) {
  Bounds bounds = form_->Scaled(settings_.bounds);
  bounds.height += listHeight;
  CreateStandardControl(className, "", style | WS_TABSTOP, bounds, form_->Handle(), settings_.id);
  // The sunken edge of a three-dimensional control.
  SetWindowLongPtrA(Handle(), GWL_EXSTYLE, GetWindowLongPtrA(Handle(), GWL_EXSTYLE) | WS_EX_CLIENTEDGE);
  SetWindowPos(Handle(), nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_FRAMECHANGED);
  SendMessageA(Handle(), WM_SETFONT, reinterpret_cast<WPARAM>(font_.Get()), FALSE);
}

LRESULT ListControl::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case Reflected(WM_DRAWITEM):
      OnDrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
      return TRUE;
    case Reflected(WM_CTLCOLORLISTBOX):
    case Reflected(WM_CTLCOLOREDIT):
      return OnControlColor(reinterpret_cast<HDC>(wParam));
  }
  return WinControl::HandleMessage(message, wParam, lParam);
}

LRESULT ListControl::OnControlColor(HDC dc) const {
  SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
  SetTextColor(dc, settings_.font.color);
  return reinterpret_cast<LRESULT>(background_);
}

LongString ListControl::EntryText(UINT getLengthMessage, UINT getTextMessage, int index) const {
  const LRESULT length = SendMessageA(Handle(), getLengthMessage, index, 0);
  if (length <= 0) return {};
  std::string text(length + 1, '\0');
  const LRESULT copied = SendMessageA(Handle(), getTextMessage, index, reinterpret_cast<LPARAM>(text.data()));
  return LongString(std::string_view(text.data(), copied > 0 ? copied : 0));
}

void ListControl::OnDrawItem(const DRAWITEMSTRUCT& item) const {
  const bool selected = item.itemState & ODS_SELECTED;
  FillRect(item.hDC, &item.rcItem, selected ? GetSysColorBrush(COLOR_HIGHLIGHT) : background_);
  if (item.itemID != static_cast<UINT>(-1)) {
    Glyph glyph = Glyph::Document;
    int indent = 0;
    DescribeEntry(static_cast<int>(item.itemID), glyph, indent);
    const bool inComboField = item.itemState & ODS_COMBOBOXEDIT;
    if (inComboField) indent = 0;
    const int left = item.rcItem.left + 2 + indent;
    const int height = item.rcItem.bottom - item.rcItem.top;
    DrawGlyph(item.hDC, left, item.rcItem.top + (height - kGlyphSize) / 2, glyph);
    const bool combo = item.CtlType == ODT_COMBOBOX;
    const LongString text = combo ? EntryText(CB_GETLBTEXTLEN, CB_GETLBTEXT, item.itemID)
                                  : EntryText(LB_GETTEXTLEN, LB_GETTEXT, item.itemID);
    SelectedObject font(item.hDC, font_.Get());
    SetBkMode(item.hDC, TRANSPARENT);
    SetTextColor(item.hDC, selected ? GetSysColor(COLOR_HIGHLIGHTTEXT) : settings_.font.color);
    RECT textRect = item.rcItem;
    textRect.left = left + kGlyphSize + 3;
    DrawTextA(item.hDC, text.CStr(), text.Length(), &textRect, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
  }
  if (item.itemState & ODS_FOCUS) DrawFocusRect(item.hDC, &item.rcItem);
}

// --- FileListBox ------------------------------------------------------------

FileListBox::FileListBox(Form* form, const ListSettings& settings, std::string_view mask, bool multiSelect)
    : ListControl(form, settings), mask_(mask), directory_(CurrentDirectory()) {
  CreateList("LISTBOX",
             LBS_OWNERDRAWFIXED | LBS_HASSTRINGS | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | WS_VSCROLL |
                 (multiSelect ? LBS_EXTENDEDSEL : 0),
             0);
  if (settings.itemHeight) SendMessageA(Handle(), LB_SETITEMHEIGHT, 0, form->Scaled(settings.itemHeight));
  ReadDirectory(directory_.View());
}

FileListBox::~FileListBox() {
  if (directoryList_) directoryList_->fileList_ = nullptr;
}

int FileListBox::Count() const { return static_cast<int>(names_.size()); }

const LongString& FileListBox::Item(int index) const {
  static const LongString kNoEntry;
  return index >= 0 && index < Count() ? names_[index] : kNoEntry;
}

bool FileListBox::Selected(int index) const {
  if (index < 0 || index >= Count()) return false;
  if (!selectionRead_) ReadSelection();
  return selection_[index];
}

// The whole selection in one question to the control.
void FileListBox::ReadSelection() const {
  selection_.assign(names_.size(), false);
  const LRESULT count = SendMessageA(Handle(), LB_GETSELCOUNT, 0, 0);
  std::vector<int> indexes;
  if (count == LB_ERR) {  // a single-selection list
    indexes.push_back(static_cast<int>(SendMessageA(Handle(), LB_GETCURSEL, 0, 0)));
  } else if (count > 0) {
    indexes.resize(static_cast<std::size_t>(count));
    indexes.resize(static_cast<std::size_t>(std::max<LRESULT>(
        0, SendMessageA(Handle(), LB_GETSELITEMS, count, reinterpret_cast<LPARAM>(indexes.data())))));
  }
  for (int index : indexes) {
    if (index >= 0 && index < Count()) selection_[index] = true;
  }
  selectionRead_ = true;
}

LRESULT FileListBox::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  selectionRead_ = false;  // any message may change the selection
  return ListControl::HandleMessage(message, wParam, lParam);
}

void FileListBox::SetItemIndex(int index) {
  if (index < Count()) SendMessageA(Handle(), LB_SETCARETINDEX, index, FALSE);
}

void FileListBox::SetDirectory(std::string_view directory) {
  if (directoryList_) {
    directoryList_->SetDirectory(directory);
  } else if (!SameDirectory(directory, directory_.View())) {
    ReadDirectory(directory);
  }
}

void FileListBox::ReadDirectory(std::string_view directory) {
  DirectoryContents contents;
  subfoldersSeen_.reset();
  try {
    contents = ReadDirectoryContents(directory, mask_.View());
    subfoldersSeen_ = std::move(contents.subfolders);
  } catch (const OSError&) {
    // A directory that cannot be searched shows no files.
  }
  ShowFiles(directory, std::move(contents.matchingFiles));
}

void FileListBox::ShowFiles(std::string_view directory, std::vector<LongString> names) {
  directory_ = LongString(directory);
  WaitCursor wait;
  RedrawOff redrawOff(Handle());
  SendMessageA(Handle(), LB_RESETCONTENT, 0, 0);
  names_ = std::move(names);
  SendMessageA(Handle(), LB_INITSTORAGE, names_.size(), names_.size() * 16);
  // Straight to the control's own procedure: sent through the whole dispatch,
  // the entries of a large folder took as long to add as to read.
  for (std::size_t i = 0; i < names_.size(); ++i) {
    if (i + 1 == kHourglassFrom) wait.Show();
    if (WinControl::HandleMessage(LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(names_[i].CStr())) < 0) {
      names_.resize(i);  // the entries stay those the control shows
      ThrowOutOfMemory();
    }
  }
}

void FileListBox::DescribeEntry(int, Glyph& glyph, int& indent) const {
  glyph = Glyph::Document;
  indent = 0;
}

// --- DirectoryListBox ---------------------------------------------------------

DirectoryListBox::DirectoryListBox(Form* form, const ListSettings& settings, FileListBox* fileList)
    : ListControl(form, settings) {
  CreateList("LISTBOX", LBS_OWNERDRAWFIXED | LBS_HASSTRINGS | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | WS_VSCROLL, 0);
  if (settings.itemHeight) SendMessageA(Handle(), LB_SETITEMHEIGHT, 0, form->Scaled(settings.itemHeight));
  directory_ = CurrentDirectory();
  if (fileList && fileList->subfoldersSeen_ && SameDirectory(fileList->Directory().View(), directory_.View())) {
    BuildList(std::move(*fileList->subfoldersSeen_));
    fileList->subfoldersSeen_.reset();
  } else {
    BuildList(SubdirectoriesIfReadable(directory_.View()));
  }
  SetFileList(fileList);
}

DirectoryListBox::~DirectoryListBox() {
  if (fileList_) fileList_->directoryList_ = nullptr;
}

void DirectoryListBox::SetFileList(FileListBox* fileList) {
  fileList_ = fileList;
  if (!fileList_) return;
  fileList_->directoryList_ = this;
  if (!SameDirectory(fileList_->Directory().View(), directory_.View())) fileList_->ReadDirectory(directory_.View());
}

void DirectoryListBox::SetDirectory(std::string_view directory) {
  if (SameDirectory(directory, directory_.View())) return;
  MoveTo(directory);
}

void DirectoryListBox::SetDrive(char letter) {
  const char drive[] = {letter, ':', '\0'};
  MoveTo(drive);
}

// Enters the target first: a folder that cannot be entered or read leaves
// the lists and the current directory as they were.
void DirectoryListBox::MoveTo(std::string_view target) {
  const LongString previous = CurrentDirectory();
  {
    QuietDriveErrors quiet;
    if (!SetCurrentDirectoryA(LongString(target).CStr())) ThrowLastOSError();
  }
  LongString reached;
  DirectoryContents contents;
  try {
    reached = CurrentDirectory();
    if (reached == directory_) return;
    contents = ReadDirectoryContents(reached.View(), fileList_ ? fileList_->mask_.View() : "");
  } catch (const Exception&) {
    SetCurrentDirectoryA(previous.CStr());
    throw;
  }
  directory_ = reached;
  BuildList(std::move(contents.subfolders));
  if (fileList_) fileList_->ShowFiles(directory_.View(), std::move(contents.matchingFiles));
  if (onChange) onChange();
}

void DirectoryListBox::BuildList(std::vector<LongString> subfolders) {
  entries_.clear();
  const std::string_view path = directory_.View();
  const std::string_view drive = DrivePart(path);
  entries_.push_back({LongString::Concat({drive, "\\"}), 0});
  // The folders from the root down to the shown one.
  int level = 0;
  for (std::string_view folder : FoldersBelowRoot(path)) entries_.push_back({LongString(folder), ++level});
  currentIndex_ = static_cast<int>(entries_.size()) - 1;
  for (LongString& name : subfolders) entries_.push_back({std::move(name), level + 1});

  RedrawOff redrawOff(Handle());
  SendMessageA(Handle(), LB_RESETCONTENT, 0, 0);
  for (const Entry& entry : entries_) SendMessageA(Handle(), LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry.name.CStr()));
  SendMessageA(Handle(), LB_SETCURSEL, currentIndex_, 0);
}

LongString DirectoryListBox::PathOfEntry(int index) const {
  if (index > currentIndex_) return JoinPath(directory_.View(), entries_[index].name.View());
  LongString path = entries_[0].name;
  for (int i = 1; i <= index; ++i) path = JoinPath(path.View(), entries_[i].name.View());
  return path;
}

void DirectoryListBox::OpenEntry(int index) {
  if (index < 0 || index >= static_cast<int>(entries_.size())) return;
  SetDirectory(PathOfEntry(index).View());
}

LRESULT DirectoryListBox::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case Reflected(WM_COMMAND):
      OnCommand(HIWORD(wParam));
      return 0;
    case WM_KEYDOWN:
      if (OnKeyDown(wParam)) return 0;
      break;
  }
  return ListControl::HandleMessage(message, wParam, lParam);
}

void DirectoryListBox::OnCommand(WORD notification) {
  if (notification == LBN_DBLCLK) OpenEntry(static_cast<int>(SendMessageA(Handle(), LB_GETCURSEL, 0, 0)));
}

// Enter reaches the list only with a modifier held (the form takes it
// otherwise), and only Shift+Enter opens the highlighted folder.
bool DirectoryListBox::OnKeyDown(WPARAM key) {
  if (key != VK_RETURN || GetKeyState(VK_SHIFT) >= 0 || GetKeyState(VK_CONTROL) < 0) return false;
  OpenEntry(static_cast<int>(SendMessageA(Handle(), LB_GETCURSEL, 0, 0)));
  return true;
}

void DirectoryListBox::DescribeEntry(int index, Glyph& glyph, int& indent) const {
  if (index < 0 || index >= static_cast<int>(entries_.size())) return;
  glyph = index <= currentIndex_ ? Glyph::OpenFolder : Glyph::ClosedFolder;
  indent = entries_[index].level * form_->Scaled(kIndentPerLevel);
}

// --- DriveComboBox -------------------------------------------------------------

DriveComboBox::DriveComboBox(Form* form, const ListSettings& settings) : ListControl(form, settings) {
  const int entryHeight = form->Scaled(settings.itemHeight ? settings.itemHeight : 16);
  CreateList("COMBOBOX", CBS_DROPDOWNLIST | CBS_OWNERDRAWFIXED | CBS_HASSTRINGS | WS_VSCROLL,
             entryHeight * kDropDownEntries);
  // The selection field fills the stored height; the list's entries take the glyph's height.
  SendMessageA(Handle(), CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), form->Scaled(settings.bounds.height) - 6);
  SendMessageA(Handle(), CB_SETITEMHEIGHT, 0, entryHeight);
}

DriveComboBox::~DriveComboBox() = default;

void DriveComboBox::SetUp() {
  drives_ = ReadDrives();
  RedrawOff redrawOff(Handle());
  SendMessageA(Handle(), CB_RESETCONTENT, 0, 0);
  for (const DriveEntry& drive : drives_) SendMessageA(Handle(), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(drive.text.CStr()));
  const LongString directory = CurrentDirectory();
  SelectDrive(static_cast<char>(std::tolower(static_cast<unsigned char>(directory.CStr()[0]))));
  if (onChange) onChange();
}

void DriveComboBox::SelectDrive(char letter) {
  drive_ = letter;
  for (std::size_t i = 0; i < drives_.size(); ++i)
    if (drives_[i].letter == letter) SendMessageA(Handle(), CB_SETCURSEL, i, 0);
}

LRESULT DriveComboBox::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == Reflected(WM_COMMAND)) {
    if (HIWORD(wParam) == CBN_SELCHANGE) OnSelectionChange();
    return 0;
  }
  return ListControl::HandleMessage(message, wParam, lParam);
}

// A drive that cannot be entered stays chosen, so that choosing it again
// does nothing until another drive has been chosen.
void DriveComboBox::OnSelectionChange() {
  const LRESULT index = SendMessageA(Handle(), CB_GETCURSEL, 0, 0);
  if (index < 0 || index >= static_cast<LRESULT>(drives_.size())) return;
  const char letter = drives_[index].letter;
  if (letter != drive_) {
    drive_ = letter;
    if (directoryList_) directoryList_->SetDrive(letter);
    if (onChange) onChange();
  }
  // The list itself reports the changed selection too.
  if (onChange) onChange();
}

void DriveComboBox::DescribeEntry(int index, Glyph& glyph, int& indent) const {
  if (index >= 0 && index < static_cast<int>(drives_.size())) glyph = DriveGlyph(drives_[index].type);
  indent = 0;
}

}  // namespace runtime
