// The windowless core of the dialog's three lists: the file list's matching
// files, the directory list's subfolders and the drive box's drives. Names in
// and out are in the ANSI code page; every name handed out can be reached
// through the ANSI file functions as directory + '\' + name.
#pragma once
#include <windows.h>

#include <string_view>
#include <vector>

#include "LongString.h"

namespace runtime {

// A directory's subfolders and its plain files that match a mask, read in
// one directory pass. The mask: patterns separated by semicolons, e.g.
// "*.gif;*.jpg".
struct DirectoryContents {
  // Plain files matching any pattern (long name or 8.3 short name, case
  // ignored), hidden, system, directory and volume-label entries left out
  // (read-only, archived kept), each file once, sorted by name ignoring case.
  std::vector<LongString> matchingFiles;
  // Subfolders (no "." / ".."), hidden and system ones left out, sorted
  // ignoring case.
  std::vector<LongString> subfolders;
};

// A name the ANSI functions cannot reach (not exactly representable in the
// code page, or ending in a dot or a blank, which path parsing strips) is
// given by its 8.3 short name, or left out when there is none. Throws OSError
// when the directory cannot be searched at all.
DirectoryContents ReadDirectoryContents(std::string_view directory, std::string_view mask);

// The matching files alone; a directory that cannot be searched gives an
// empty list, no error.
std::vector<LongString> ReadMatchingFiles(std::string_view directory, std::string_view mask);

// The same list as the operating system's own ANSI searches give it:
// FindFirstFileA once per pattern in mask order, same attribute filter,
// duplicates removed, then sorted. The reference for ReadMatchingFiles.
std::vector<LongString> SearchMatchingFilesBySystem(std::string_view directory, std::string_view mask);

// True when name matches the wildcard pattern (* any run, ? one character),
// case ignored, double-byte characters taken whole. Trailing dots and stars of
// the pattern also match the empty end of a name ("*.*" matches "README").
bool MatchesPattern(std::string_view name, std::string_view pattern);

// The subfolders alone; throws OSError when the directory cannot be searched.
std::vector<LongString> ReadSubdirectories(std::string_view directory);

// A drive of the drive box: removable, fixed, remote, CD-ROM or RAM disk.
struct DriveEntry {
  char letter;      // lower case
  UINT type;        // DRIVE_*
  LongString text;  // "a:", "c: [label]", "x: \\server\share"
};

// Every drive GetLogicalDrives reports whose type is one of those, in letter
// order: "a:" for removable; "c: [label]" lower case, with empty brackets
// when the volume can't be read; for a connected network drive "x: " and its
// network name in lower case (an unconnected one shows its label).
std::vector<DriveEntry> ReadDrives();

// While it lives, this thread gets no "insert a disk" boxes from the system
// (the thread's error mode gains SEM_FAILCRITICALERRORS); the thread's
// previous mode comes back afterwards. The process-wide mode is never touched:
// where SetThreadErrorMode is missing (before Windows 7) it does nothing.
class QuietDriveErrors {
 public:
  QuietDriveErrors();
  ~QuietDriveErrors();
  QuietDriveErrors(const QuietDriveErrors&) = delete;
  QuietDriveErrors& operator=(const QuietDriveErrors&) = delete;

 private:
  DWORD previousMode_ = 0;
  bool changed_ = false;
};

}  // namespace runtime
