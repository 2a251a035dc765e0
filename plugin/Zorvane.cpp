// The plug-in's boundary with its host: the title, the run, and the module's
// start-up and shut-down.
#include <windows.h>

#include "Application.h"
#include "Errors.h"
#include "Finally.h"
#include "LongString.h"
#include "SelectFiles.h"

namespace {

// "ｿﾞﾙｳﾞｪｲﾝ" in Shift-JIS, a constant in read-only storage.
const runtime::LongStringConstant<8> kTitle = {-1, 8, "\xbf\xde\xd9\xb3\xde\xaa\xb2\xdd"};

// The host object's two operations, by their place in its method table, in
// the register convention: the object first, then the path.
constexpr int kFinishFilePosition = 62;
constexpr int kSubmitFilePosition = 63;
using SubmitFileMethod = void(REGISTER_CALL*)(void* hostObject, char* path);
using FinishFileMethod = void(REGISTER_CALL*)(void* hostObject);

// The method at that place, read afresh from the object's first word.
template <typename Method>
Method MethodOf(void* hostObject, int position) {
  void* const* table = *static_cast<void* const* volatile*>(hostObject);
  return reinterpret_cast<Method>(table[position]);
}

// The directory list's directory, one backslash and the entry's name, joined
// as they are: a file of a root directory gets two backslashes in a row.
void MakeFullPath(const int& index, runtime::LongString& path) {
  path = runtime::LongString::Concat({frmSelect->dltDirectoryName->Directory().View(), "\\",
                                      frmSelect->fltFileName->Item(index).View()});
}

// "プラグインは既に実行中です": a run started while one is under way (from inside
// the host's operations, say) would overwrite the dialog the first run walks.
const runtime::LongStringConstant<26> kAlreadyRunning = {
    -1, 26, "\x83\x76\x83\x89\x83\x4f\x83\x43\x83\x93\x82\xcd\x8a\xf9\x82\xc9\x8e\xc0\x8d\x73\x92\x86\x82\xc5\x82\xb7"};

// True while a run is under way; cleared however it ends.
bool running = false;

// Shows the dialog and hands every selected file to the host. The path is
// dropped however this ends, and the dialog released however it ends once
// its showing has returned, host errors included.
void SelectAndHandOver(void* hostObject) {
  if (running) throw runtime::Exception(kAlreadyRunning);
  running = true;
  runtime::Finally endRun([] { running = false; });
  runtime::LongString path;
  runtime::Finally dropPath([&path] { path.Clear(); });
  frmSelect = new TfrmSelect(runtime::application);
  frmSelect->ShowModal();
  runtime::Finally release([] { frmSelect->Release(); });
  if (frmSelect->ModalResult() != runtime::kModalResultOK) return;
  for (int index = 0; index < frmSelect->fltFileName->Count(); ++index) {
    if (!frmSelect->fltFileName->Selected(index)) continue;
    MakeFullPath(index, path);
    MethodOf<SubmitFileMethod>(hostObject, kSubmitFilePosition)(hostObject, path.Reference());
    MethodOf<FinishFileMethod>(hostObject, kFinishFilePosition)(hostObject);
  }
}

}  // namespace

extern "C" {

const char* GetTitleName() { return kTitle.text; }

bool __stdcall Call_Plugin(void* hostObject) {
  runtime::RunRaisingToHost([hostObject] { SelectAndHandOver(hostObject); });
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
