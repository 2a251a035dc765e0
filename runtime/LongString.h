// The platform's 8-bit string. A LongString is a reference to its first
// character; the 4 bytes before it hold the length, the 4 before those the
// reference count, and a NUL follows the last character. The storage is one
// block of length + 9 bytes from the module's memory manager, starting at the
// count. The empty string is the null reference. A constant has the count -1
// and is never freed. Counts change with plain, non-atomic arithmetic.
#pragma once
#include <cstdint>
#include <initializer_list>
#include <string_view>

namespace runtime {

// A LongString constant in read-only storage: declare it const at namespace
// scope with the count -1.
template <int32_t Length>
struct LongStringConstant {
  int32_t refCount;
  int32_t length;
  char text[Length + 1];
};

class LongString {
 public:
  LongString() = default;
  explicit LongString(std::string_view text);
  template <int32_t Length>
  LongString(const LongStringConstant<Length>& constant)  // NOLINT: shares, as a constant does
      : data_(const_cast<char*>(constant.text)) {}
  LongString(const LongString& other) : data_(other.data_) { AddRef(data_); }
  LongString(LongString&& other) noexcept : data_(other.data_) { other.data_ = nullptr; }
  LongString& operator=(const LongString& other);
  LongString& operator=(LongString&& other) noexcept;
  ~LongString() { ReleaseQuietly(data_); }

  // The copy a module-wide or heap variable stores: a constant is copied into
  // storage of its own, with the count 1; anything else is shared.
  static LongString StoredCopy(const LongString& source);
  // Takes a reference of one's own to a raw LongString handed over by reference.
  static LongString FromReference(char* data);
  // The characters of all parts, in one new string.
  static LongString Concat(std::initializer_list<std::string_view> parts);

  // The reference itself: null for the empty string.
  char* Reference() const { return data_; }
  const char* CStr() const { return data_ ? data_ : ""; }
  int32_t Length() const { return data_ ? LengthOf(data_) : 0; }
  bool IsEmpty() const { return data_ == nullptr; }
  std::string_view View() const { return {CStr(), static_cast<std::size_t>(Length())}; }
  void Clear() { Release(data_); data_ = nullptr; }

  // The reference count and length stored before the first character.
  static int32_t& RefCountOf(char* data) { return reinterpret_cast<int32_t*>(data)[-2]; }
  static int32_t LengthOf(const char* data) { return reinterpret_cast<const int32_t*>(data)[-1]; }
  // Adds a reference, or drops one and frees the storage at 0; both leave
  // constants and the empty string alone.
  static void AddRef(char* data);
  static void Release(char* data);
  // As Release, where no error may leave: a free the manager refuses has
  // changed nothing, so the block is only left behind.
  static void ReleaseQuietly(char* data) noexcept;

 private:
  static char* Allocate(int32_t length);
  char* data_ = nullptr;
};

inline bool operator==(const LongString& a, const LongString& b) { return a.View() == b.View(); }
inline bool operator!=(const LongString& a, const LongString& b) { return !(a == b); }

}  // namespace runtime
