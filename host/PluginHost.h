// A reference host: loads a plug-in, calls its two exports by ordinal and
// hands it a host object whose method table has FinishFile at position 62
// and SubmitFile at position 63, both in the platform's register convention.
#pragma once
#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "LongString.h"
#include "Register.h"

// What the host object's method-table entries call, with the plug-in's registers.
extern "C" REGISTER_CALL void RecordSubmitFile(void* hostObject, char* path);
extern "C" REGISTER_CALL void RecordFinishFile(void* hostObject);

namespace host {

// The result of one Call_Plugin: what it returned, or the structured
// exception that left it.
struct RunOutcome {
  bool raised = false;
  bool result = false;
  bool conventionKept = false;  // the argument removed, EBX, ESI, EDI and EBP kept
  DWORD exceptionCode = 0;
  DWORD exceptionFlags = 0;
  DWORD parameterCount = 0;
  std::string errorMessage;  // the platform error's text, when it was one
};

class Plugin {
 public:
  explicit Plugin(const std::string& path);  // throws std::runtime_error when the load fails
  ~Plugin();
  Plugin(const Plugin&) = delete;
  Plugin& operator=(const Plugin&) = delete;

  HMODULE Module() const { return module_; }
  const char* Title() const;
  // Calls Call_Plugin and catches what leaves it as a host of the platform
  // does: a platform error object is freed after its text has been read.
  // The call checks the standard convention (conventionKept in the outcome).
  RunOutcome Run(void* hostObject) const;
  void Unload();

 private:
  HMODULE module_;
  const char*(__stdcall* getTitleName_)();
  uint8_t(__stdcall* callPlugin_)(void*);
};

// One call the plug-in made on the host object.
struct HostCall {
  enum Kind { kSubmitFile, kFinishFile } kind;
  std::string path;  // SubmitFile's argument
  bool operator==(const HostCall& other) const { return kind == other.kind && path == other.path; }
};

class RecordingHost {
 public:
  RecordingHost();
  RecordingHost(const RecordingHost&) = delete;
  RecordingHost& operator=(const RecordingHost&) = delete;

  // What Call_Plugin receives.
  void* Object() { return &object_; }
  const std::vector<HostCall>& Calls() const { return calls_; }
  std::vector<std::string> SubmittedPaths() const;

  // Keeps a reference of its own to every path it receives.
  void KeepPaths(bool keep) { keepPaths_ = keep; }
  const std::vector<runtime::LongString>& KeptPaths() const { return keptPaths_; }
  void DropKeptPaths() { keptPaths_.clear(); }

  // Raises a platform error from the n-th call (1-based) of that operation.
  void FailOn(HostCall::Kind kind, int n) { failKind_ = kind; failAt_ = n; }
  // Runs inside every SubmitFile, after the call has been recorded.
  void OnSubmit(std::function<void(const char* path)> action) { onSubmit_ = std::move(action); }

 private:
  struct HostObject {  // its first word points to the method table
    void* const* methodTable;
    RecordingHost* host;
  };
  friend REGISTER_CALL void ::RecordSubmitFile(void* hostObject, char* path);
  friend REGISTER_CALL void ::RecordFinishFile(void* hostObject);
  void MaybeFail(HostCall::Kind kind);

  void* methodTable_[64];
  HostObject object_;
  std::vector<HostCall> calls_;
  bool keepPaths_ = false;
  std::vector<runtime::LongString> keptPaths_;
  HostCall::Kind failKind_ = HostCall::kSubmitFile;
  int failAt_ = 0;
  std::function<void(const char*)> onSubmit_;
};

}  // namespace host
