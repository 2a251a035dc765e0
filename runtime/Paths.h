// Path text in the ANSI code page. Every split, join and comparison here
// walks the text character by character, so that a double-byte character
// whose second byte is 0x5C ('\') is never taken for a separator.
#pragma once
#include <string_view>
#include <vector>

#include "LongString.h"

namespace runtime {

// True when text[index] is the second byte of a double-byte character.
bool IsTrailByte(std::string_view text, std::size_t index);
// True when the text's last character is a backslash (a root such as "C:\").
bool EndsWithBackslash(std::string_view path);
// The part after the last backslash or drive colon.
std::string_view FileNamePart(std::string_view path);
// The folders of an absolute path below its drive's root, in order:
// "C:\a\b" gives "a" and "b", a root none.
std::vector<std::string_view> FoldersBelowRoot(std::string_view path);
// The drive part of an absolute path: "C:" or "\\server\share".
std::string_view DrivePart(std::string_view path);
// The directory and the name, with exactly one backslash between them.
LongString JoinPath(std::string_view directory, std::string_view name);
// Compares as the user's locale does, ignoring case: <0, 0 or >0.
int CompareTextIgnoringCase(std::string_view a, std::string_view b);
// The text in lower case, as the user's locale has it.
LongString LowerCase(std::string_view text);

}  // namespace runtime
