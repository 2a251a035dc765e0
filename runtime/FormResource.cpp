#include "FormResource.h"

#include <charconv>
#include <string>

#include "Errors.h"

namespace runtime {
namespace {

std::string_view Trim(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r')) text.remove_suffix(1);
  return text;
}

[[noreturn]] void Malformed(int lineNumber, std::string_view why) {
  const std::string text = "form resource, line " + std::to_string(lineNumber) + ": " + std::string(why);
  throw Exception(LongString(text));
}

LongString Utf8ToAnsi(std::string_view utf8) {
  if (utf8.empty()) return {};
  const int length = static_cast<int>(utf8.size());
  const int wideLength = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), length, nullptr, 0);
  std::wstring wide(wideLength, L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), length, wide.data(), wideLength);
  const int ansiLength = WideCharToMultiByte(CP_ACP, 0, wide.data(), wideLength, nullptr, 0, nullptr, nullptr);
  std::string ansi(ansiLength, '\0');
  WideCharToMultiByte(CP_ACP, 0, wide.data(), wideLength, ansi.data(), ansiLength, nullptr, nullptr);
  return LongString(ansi);
}

// A quoted text ('' stands for one quote) read as ANSI; anything else as it stands.
LongString Value(std::string_view stored, int lineNumber) {
  if (stored.empty() || stored.front() != '\'') return LongString(stored);
  if (stored.size() < 2 || stored.back() != '\'') Malformed(lineNumber, "unterminated text");
  std::string text;
  for (std::size_t i = 1; i + 1 < stored.size(); ++i) {
    text += stored[i];
    if (stored[i] == '\'') ++i;
  }
  return Utf8ToAnsi(text);
}

}  // namespace

const LongString* FormObject::Find(std::string_view setting) const {
  for (const auto& [key, value] : settings)
    if (key.View() == setting) return &value;
  return nullptr;
}

int FormObject::Integer(std::string_view setting, int fallback) const {
  const LongString* value = Find(setting);
  if (!value) return fallback;
  int number = 0;
  const std::string_view text = value->View();
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
  if (error != std::errc() || end != text.data() + text.size())
    throw Exception(LongString::Concat({"form resource: not a number: ", setting}));
  return number;
}

LongString FormObject::Text(std::string_view setting) const {
  const LongString* value = Find(setting);
  return value ? *value : LongString();
}

const FormObject& FormObject::Child(std::string_view childName) const {
  for (const FormObject& child : children)
    if (child.name.View() == childName) return child;
  throw Exception(LongString::Concat({"form resource: no object ", childName}));
}

FormObject ParseFormResource(std::string_view text) {
  std::vector<FormObject> open;  // the objects whose "end" is still to come
  FormObject root;
  bool done = false;
  int lineNumber = 0;
  while (!text.empty()) {
    const std::size_t newline = text.find('\n');
    const std::string_view line = Trim(text.substr(0, newline));
    text.remove_prefix(newline == std::string_view::npos ? text.size() : newline + 1);
    ++lineNumber;
    if (line.empty()) continue;
    if (done) Malformed(lineNumber, "text after the last end");
    if (line.substr(0, 7) == "object ") {
      const std::string_view header = line.substr(7);
      const std::size_t colon = header.find(':');
      if (colon == std::string_view::npos) Malformed(lineNumber, "object without a class");
      FormObject object;
      object.name = LongString(Trim(header.substr(0, colon)));
      object.className = LongString(Trim(header.substr(colon + 1)));
      open.push_back(std::move(object));
    } else if (line == "end") {
      if (open.empty()) Malformed(lineNumber, "end without object");
      FormObject finished = std::move(open.back());
      open.pop_back();
      if (open.empty()) {
        root = std::move(finished);
        done = true;
      } else {
        open.back().children.push_back(std::move(finished));
      }
    } else {
      const std::size_t equals = line.find('=');
      if (open.empty() || equals == std::string_view::npos) Malformed(lineNumber, "expected a setting");
      open.back().settings.emplace_back(LongString(Trim(line.substr(0, equals))),
                                        Value(Trim(line.substr(equals + 1)), lineNumber));
    }
  }
  if (!done) Malformed(lineNumber, "missing end");
  return root;
}

FormObject LoadFormResource(HINSTANCE module, const char* resourceName) {
  HRSRC resource = FindResourceA(module, resourceName, MAKEINTRESOURCEA(10));  // RT_RCDATA
  HGLOBAL loaded = resource ? LoadResource(module, resource) : nullptr;
  const char* data = loaded ? static_cast<const char*>(LockResource(loaded)) : nullptr;
  if (!data) ThrowLastOSError();
  return ParseFormResource(std::string_view(data, SizeofResource(module, resource)));
}

}  // namespace runtime
