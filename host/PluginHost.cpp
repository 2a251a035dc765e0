#include "PluginHost.h"

#include <stdexcept>

#include "Errors.h"
#include "StructuredCatch.h"

extern "C" {
uint8_t CallStdcallChecked(void* function, void* argument, int* kept);
void SubmitFileEntry();
void FinishFileEntry();
}

namespace host {

Plugin::Plugin(const std::string& path) : module_(LoadLibraryA(path.c_str())) {
  if (!module_) throw std::runtime_error("cannot load " + path + ": error " + std::to_string(GetLastError()));
  getTitleName_ = reinterpret_cast<decltype(getTitleName_)>(GetProcAddress(module_, MAKEINTRESOURCEA(1)));
  callPlugin_ = reinterpret_cast<decltype(callPlugin_)>(GetProcAddress(module_, MAKEINTRESOURCEA(2)));
  if (!getTitleName_ || !callPlugin_) {
    FreeLibrary(module_);
    throw std::runtime_error(path + " lacks ordinal 1 or 2");
  }
}

Plugin::~Plugin() { Unload(); }

void Plugin::Unload() {
  if (module_) FreeLibrary(module_);
  module_ = nullptr;
}

const char* Plugin::Title() const { return getTitleName_(); }

RunOutcome Plugin::Run(void* hostObject) const {
  RunOutcome outcome;
  EXCEPTION_RECORD record;
  auto call = [&] {
    int kept = 0;
    outcome.result = CallStdcallChecked(reinterpret_cast<void*>(callPlugin_), hostObject, &kept) & 0xFF;
    outcome.conventionKept = kept == 1;
  };
  if (CatchStructured(call, &record)) {
    outcome.raised = true;
    outcome.exceptionCode = record.ExceptionCode;
    outcome.exceptionFlags = record.ExceptionFlags;
    outcome.parameterCount = record.NumberParameters;
    if (runtime::ErrorObject* error = runtime::PlatformErrorObject(&record)) {
      outcome.errorMessage = error->message ? error->message : "";
      runtime::DestroyErrorObject(error);
    }
  }
  return outcome;
}

namespace {

REGISTER_CALL void UnexpectedMethod() {
  FatalAppExitA(0, "the plug-in called a method the host object does not offer");
}

}  // namespace

RecordingHost::RecordingHost() {
  for (void*& entry : methodTable_) entry = reinterpret_cast<void*>(&UnexpectedMethod);
  methodTable_[62] = reinterpret_cast<void*>(&FinishFileEntry);
  methodTable_[63] = reinterpret_cast<void*>(&SubmitFileEntry);
  object_ = {methodTable_, this};
}

std::vector<std::string> RecordingHost::SubmittedPaths() const {
  std::vector<std::string> paths;
  for (const HostCall& call : calls_)
    if (call.kind == HostCall::kSubmitFile) paths.push_back(call.path);
  return paths;
}

void RecordingHost::MaybeFail(HostCall::Kind kind) {
  int made = 0;
  for (const HostCall& call : calls_) made += call.kind == kind;
  if (failAt_ > 0 && kind == failKind_ && made == failAt_)
    runtime::RaiseErrorObject(runtime::NewErrorObject(kind == HostCall::kSubmitFile ? "host failed in SubmitFile"
                                                                                    : "host failed in FinishFile"));
}

}  // namespace host

extern "C" REGISTER_CALL void RecordSubmitFile(void* hostObject, char* path) {
  host::RecordingHost& host = *static_cast<host::RecordingHost::HostObject*>(hostObject)->host;
  host.calls_.push_back({host::HostCall::kSubmitFile, path ? path : ""});
  if (host.keepPaths_) host.keptPaths_.push_back(runtime::LongString::FromReference(path));
  if (host.onSubmit_) host.onSubmit_(path);
  host.MaybeFail(host::HostCall::kSubmitFile);
}

extern "C" REGISTER_CALL void RecordFinishFile(void* hostObject) {
  host::RecordingHost& host = *static_cast<host::RecordingHost::HostObject*>(hostObject)->host;
  host.calls_.push_back({host::HostCall::kFinishFile, {}});
  host.MaybeFail(host::HostCall::kFinishFile);
}

