#include "LongString.h"

#include <cstring>

#include "Errors.h"
#include "MemoryManager.h"

namespace runtime {

namespace {
constexpr int32_t kHeaderSize = 8;
}

char* LongString::Allocate(int32_t length) {
  if (length < 0 || length > INT32_MAX - kHeaderSize - 1) ThrowOutOfMemory();
  auto* block = static_cast<int32_t*>(GetMem(length + kHeaderSize + 1));
  block[0] = 1;
  block[1] = length;
  char* data = reinterpret_cast<char*>(block + 2);
  data[length] = '\0';
  return data;
}

LongString::LongString(std::string_view text) {
  if (text.empty()) return;
  if (text.size() > INT32_MAX) ThrowOutOfMemory();
  data_ = Allocate(static_cast<int32_t>(text.size()));
  std::memcpy(data_, text.data(), text.size());
}

LongString& LongString::operator=(const LongString& other) {
  AddRef(other.data_);  // first, so that assigning a string to itself keeps it
  Release(data_);
  data_ = other.data_;
  return *this;
}

LongString& LongString::operator=(LongString&& other) noexcept {
  if (this != &other) {
    ReleaseQuietly(data_);
    data_ = other.data_;
    other.data_ = nullptr;
  }
  return *this;
}

LongString LongString::StoredCopy(const LongString& source) {
  if (source.data_ && RefCountOf(source.data_) < 0) return LongString(source.View());
  return source;
}

LongString LongString::FromReference(char* data) {
  LongString result;
  result.data_ = data;
  AddRef(data);
  return result;
}

LongString LongString::Concat(std::initializer_list<std::string_view> parts) {
  std::size_t total = 0;
  for (std::string_view part : parts) total += part.size();
  if (total == 0) return {};
  if (total > INT32_MAX) ThrowOutOfMemory();
  LongString result;
  result.data_ = Allocate(static_cast<int32_t>(total));
  char* out = result.data_;
  for (std::string_view part : parts) {
    std::memcpy(out, part.data(), part.size());
    out += part.size();
  }
  return result;
}

void LongString::AddRef(char* data) {
  if (data && RefCountOf(data) >= 0) ++RefCountOf(data);
}

void LongString::Release(char* data) {
  if (!data || RefCountOf(data) < 0) return;
  if (--RefCountOf(data) == 0) FreeMem(data - kHeaderSize);
}

}  // namespace runtime

namespace runtime {

void LongString::ReleaseQuietly(char* data) noexcept {
  if (!data || RefCountOf(data) < 0) return;
  if (--RefCountOf(data) == 0) GetMemoryManager().freeMem(data - kHeaderSize);
}

}  // namespace runtime
