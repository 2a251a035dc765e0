#include "ImageInfo.h"

#include <windows.h>

#include <cstring>
#include <vector>

namespace host {
namespace {

constexpr std::size_t kHeaderBytes = 64 * 1024;  // JPEG frame headers may follow large metadata

uint32_t LittleEndian(const unsigned char* p, int bytes) {
  uint32_t value = 0;
  for (int i = bytes - 1; i >= 0; --i) value = value << 8 | p[i];
  return value;
}

uint32_t BigEndian(const unsigned char* p, int bytes) {
  uint32_t value = 0;
  for (int i = 0; i < bytes; ++i) value = value << 8 | p[i];
  return value;
}

// The first start-of-frame segment gives the size; markers without a length are skipped.
bool JpegSize(const unsigned char* data, std::size_t size, int& width, int& height) {
  std::size_t at = 2;
  while (at + 9 < size) {
    if (data[at] != 0xFF) return false;
    const unsigned char marker = data[at + 1];
    if (marker == 0xFF) {
      ++at;
      continue;
    }
    if (marker == 0xD8 || (marker >= 0xD0 && marker <= 0xD7) || marker == 0x01) {
      at += 2;
      continue;
    }
    const bool frame = marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
    if (frame) {
      height = static_cast<int>(BigEndian(data + at + 5, 2));
      width = static_cast<int>(BigEndian(data + at + 7, 2));
      return true;
    }
    at += 2 + BigEndian(data + at + 2, 2);
  }
  return false;
}

}  // namespace

ImageInfo ImageInfoFromHeader(const unsigned char* data, std::size_t size) {
  ImageInfo info;
  info.readable = true;
  if (size >= 26 && data[0] == 'B' && data[1] == 'M') {
    info.format = "BMP";
    info.width = static_cast<int>(static_cast<int32_t>(LittleEndian(data + 18, 4)));
    const int32_t height = static_cast<int32_t>(LittleEndian(data + 22, 4));
    info.height = height < 0 ? -height : height;  // negative: stored top-down
  } else if (size >= 24 && std::memcmp(data, "\x89PNG\r\n\x1a\n", 8) == 0 && std::memcmp(data + 12, "IHDR", 4) == 0) {
    info.format = "PNG";
    info.width = static_cast<int>(BigEndian(data + 16, 4));
    info.height = static_cast<int>(BigEndian(data + 20, 4));
  } else if (size >= 10 && (std::memcmp(data, "GIF87a", 6) == 0 || std::memcmp(data, "GIF89a", 6) == 0)) {
    info.format = "GIF";
    info.width = static_cast<int>(LittleEndian(data + 6, 2));
    info.height = static_cast<int>(LittleEndian(data + 8, 2));
  } else if (size >= 4 && data[0] == 0xFF && data[1] == 0xD8) {
    info.format = "JPEG";
    if (!JpegSize(data, size, info.width, info.height)) info.width = info.height = 0;
  }
  return info;
}

ImageInfo ReadImageInfo(const std::string& path) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return {};
  LARGE_INTEGER fileSize{};
  GetFileSizeEx(file, &fileSize);
  std::vector<unsigned char> header(kHeaderBytes);
  DWORD read = 0;
  ReadFile(file, header.data(), static_cast<DWORD>(header.size()), &read, nullptr);
  CloseHandle(file);
  ImageInfo info = ImageInfoFromHeader(header.data(), read);
  info.bytes = static_cast<uint64_t>(fileSize.QuadPart);
  return info;
}

}  // namespace host
