// Reading the file list of a large folder: the system's fourteen ANSI
// searches plus one sort (limit A, SearchMatchingFilesBySystem) against one
// directory pass with the matching done in-process (ReadMatchingFiles), and
// against creating the whole dialog on that folder (lists read and filled).
// Usage: read_files_bench [N]  -- N matching and N other files (default 10000).
// Needs a display for the dialog.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "Application.h"
#include "FileSystem.h"
#include "SelectFiles.h"

namespace {

constexpr char kImageMask[] = "*.gif;*.jpg;*.pcx;*.bmp;*.wmf;*.ico;*.scm;*.png;*.cms;*.tif;*.pcd;*.dxf;*.tga;*.eps";
constexpr const char* kImageExtensions[] = {"gif", "JPG", "pcx", "Bmp", "wmf", "ico", "scm",
                                            "PNG", "cms", "tif", "pcd", "dxf", "tga", "eps"};
constexpr const char* kOtherExtensions[] = {"txt", "doc", "jpeg", "html", "c"};

double Seconds(LARGE_INTEGER start, LARGE_INTEGER end) {
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  return static_cast<double>(end.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart);
}

template <typename Read>
double MedianOfThree(Read read, std::size_t& count) {
  std::vector<double> times;
  for (int run = 0; run < 3; ++run) {
    LARGE_INTEGER start, end;
    QueryPerformanceCounter(&start);
    count = read().size();
    QueryPerformanceCounter(&end);
    times.push_back(Seconds(start, end));
  }
  std::sort(times.begin(), times.end());
  return times[1];
}

bool CreateEmptyFile(const std::string& path) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  CloseHandle(file);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  const int count = argc > 1 ? std::atoi(argv[1]) : 10000;
  if (count <= 0) {
    std::fprintf(stderr, "usage: read_files_bench [N]\n");
    return 2;
  }
  char temp[MAX_PATH];
  GetTempPathA(MAX_PATH, temp);
  char folder[MAX_PATH];
  wsprintfA(folder, "%szorvane_bench_%lu_%lu", temp, GetCurrentProcessId(), GetTickCount());
  if (!CreateDirectoryA(folder, nullptr)) {
    std::fprintf(stderr, "cannot create %s (%lu)\n", folder, GetLastError());
    return 1;
  }

  std::vector<std::string> paths;
  paths.reserve(2 * static_cast<std::size_t>(count));
  char name[64];
  for (int i = 0; i < count; ++i) {
    wsprintfA(name, "\\Image %06d.%s", i, kImageExtensions[i % 14]);
    paths.push_back(folder + std::string(name));
    wsprintfA(name, "\\other %06d.%s", i, kOtherExtensions[i % 5]);
    paths.push_back(folder + std::string(name));
  }
  int status = 0;
  LARGE_INTEGER start, end;
  QueryPerformanceCounter(&start);
  for (const std::string& path : paths) {
    if (!CreateEmptyFile(path)) {
      std::fprintf(stderr, "cannot create %s (%lu)\n", path.c_str(), GetLastError());
      status = 1;
      break;
    }
  }
  QueryPerformanceCounter(&end);

  if (status == 0) {
    std::printf("N = %d matching + %d other files (made in %.2f s)\n", count, count, Seconds(start, end));
    std::size_t bySystem = 0;
    std::size_t ours = 0;
    const double systemTime =
        MedianOfThree([&] { return runtime::SearchMatchingFilesBySystem(folder, kImageMask); }, bySystem);
    const double ourTime = MedianOfThree([&] { return runtime::ReadMatchingFiles(folder, kImageMask); }, ours);
    runtime::InitializeApplication(GetModuleHandleA(nullptr));
    SetCurrentDirectoryA(folder);
    std::size_t listed = 0;
    const double dialogTime = MedianOfThree(
        [&] {
          TfrmSelect dialog(runtime::application);
          return std::vector<int>(dialog.fltFileName->Count());
        },
        listed);
    SetCurrentDirectoryA(temp);
    runtime::FinalizeApplication();
    std::printf("%-44s %10s %10s\n", "median of 3", "seconds", "entries");
    std::printf("%-44s %10.3f %10u\n", "SearchMatchingFilesBySystem (14 searches)", systemTime,
                static_cast<unsigned>(bySystem));
    std::printf("%-44s %10.3f %10u\n", "ReadMatchingFiles (1 pass)", ourTime, static_cast<unsigned>(ours));
    std::printf("%-44s %10.3f %10u\n", "dialog created on the folder", dialogTime, static_cast<unsigned>(listed));
    std::printf("dialog / limit A: %.2f\n", dialogTime / systemTime);
    if (bySystem != ours || ours != static_cast<std::size_t>(count) || listed != ours) {
      std::fprintf(stderr, "the lists differ in length\n");
      status = 1;
    }
  }

  for (const std::string& path : paths) DeleteFileA(path.c_str());
  if (!RemoveDirectoryA(folder)) {
    std::fprintf(stderr, "cannot remove %s (%lu)\n", folder, GetLastError());
    status = 1;
  }
  return status;
}
