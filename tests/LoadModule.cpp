// Loads the module named on the command line, as a host would, and exits
// with 0 when the load succeeded, 1 when it failed. It imports nothing but
// the system's DLLs, so nothing it links satisfies the module's imports.
#include <windows.h>

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  HMODULE module = LoadLibraryA(argv[1]);
  if (!module) return 1;
  FreeLibrary(module);
  return 0;
}
