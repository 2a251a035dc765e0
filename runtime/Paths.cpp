#include "Paths.h"

#include <windows.h>

#include <algorithm>
#include <string>

namespace runtime {
namespace {

// Offset of the last backslash in path, or npos; double-byte characters skipped.
std::size_t LastBackslash(std::string_view path) {
  std::size_t last = std::string_view::npos;
  for (std::size_t i = 0; i < path.size(); ++i) {
    if (IsDBCSLeadByte(static_cast<BYTE>(path[i])) && i + 1 < path.size()) {
      ++i;
    } else if (path[i] == '\\') {
      last = i;
    }
  }
  return last;
}

}  // namespace

bool IsTrailByte(std::string_view text, std::size_t index) {
  for (std::size_t i = 0; i < index; ++i) {
    if (IsDBCSLeadByte(static_cast<BYTE>(text[i]))) {
      if (++i == index) return true;
    }
  }
  return false;
}

bool EndsWithBackslash(std::string_view path) {
  return !path.empty() && path.back() == '\\' && !IsTrailByte(path, path.size() - 1);
}

std::string_view FileNamePart(std::string_view path) {
  std::size_t start = LastBackslash(path);
  if (start == std::string_view::npos) start = path.size() >= 2 && path[1] == ':' ? 1 : std::string_view::npos;
  return start == std::string_view::npos ? path : path.substr(start + 1);
}

std::string_view DrivePart(std::string_view path) {
  if (path.size() >= 2 && path[1] == ':') return path.substr(0, 2);
  if (path.substr(0, 2) == "\\\\") {
    std::size_t separators = 0;
    for (std::size_t i = 2; i < path.size(); ++i) {
      if (IsDBCSLeadByte(static_cast<BYTE>(path[i]))) {
        ++i;
      } else if (path[i] == '\\' && ++separators == 2) {
        return path.substr(0, i);
      }
    }
    return path;
  }
  return {};
}

std::vector<std::string_view> FoldersBelowRoot(std::string_view path) {
  std::vector<std::string_view> folders;
  std::string_view rest = path.substr(std::min(path.size(), DrivePart(path).size() + 1));
  std::size_t start = 0;
  for (std::size_t i = 0; i <= rest.size(); ++i) {
    if (i < rest.size() && IsDBCSLeadByte(static_cast<BYTE>(rest[i]))) {
      ++i;
    } else if (i == rest.size() || rest[i] == '\\') {
      if (i > start) folders.push_back(rest.substr(start, i - start));
      start = i + 1;
    }
  }
  return folders;
}

LongString JoinPath(std::string_view directory, std::string_view name) {
  if (directory.empty() || EndsWithBackslash(directory)) return LongString::Concat({directory, name});
  return LongString::Concat({directory, "\\", name});
}

int CompareTextIgnoringCase(std::string_view a, std::string_view b) {
  return CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a.data(), static_cast<int>(a.size()), b.data(),
                        static_cast<int>(b.size())) -
         CSTR_EQUAL;
}

LongString LowerCase(std::string_view text) {
  LongString lower(text);
  if (!lower.IsEmpty()) CharLowerBuffA(lower.Reference(), static_cast<DWORD>(lower.Length()));
  return lower;
}

}  // namespace runtime
