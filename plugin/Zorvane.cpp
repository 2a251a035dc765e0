// The plug-in's boundary with its host: the title, the run, and the module's
// start-up and shut-down.
#include <windows.h>

#include "Application.h"
#include "Errors.h"
#include "LongString.h"

namespace {

// "ｿﾞﾙｳﾞｪｲﾝ" in Shift-JIS, a constant in read-only storage.
const runtime::LongStringConstant<8> kTitle = {-1, 8, "\xbf\xde\xd9\xb3\xde\xaa\xb2\xdd"};

}  // namespace

extern "C" {

const char* GetTitleName() { return kTitle.text; }

bool __stdcall Call_Plugin(void* hostObject) {
  (void)hostObject;
  return true;
}

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, void*) {
  switch (reason) {
    case DLL_PROCESS_ATTACH:
      try {
        runtime::InitializeApplication(instance);
      } catch (const runtime::Exception& error) {
        MessageBoxA(nullptr, error.Message().CStr(), nullptr, MB_OK | MB_ICONSTOP | MB_TASKMODAL);
        return FALSE;
      }
      return TRUE;
    case DLL_PROCESS_DETACH:
      runtime::FinalizeApplication();
      return TRUE;
    default:
      return TRUE;
  }
}

}  // extern "C"
