// The runtime stand-in: shared memory, LongString, errors, clean-up,
// component ownership and code-page-aware paths.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <memory>
#include <string>

#include "Application.h"
#include "Component.h"
#include "Errors.h"
#include "Finally.h"
#include "FormResource.h"
#include "LongString.h"
#include "MemoryManager.h"
#include "Paths.h"
#include "StructuredCatch.h"
#include "borlndmm_diagnostics.h"

extern "C" {
extern void*(REGISTER_CALL* const SharedGetMem)(int32_t) __asm__("__imp_@Borlndmm@SysGetMem$qqri");
extern int32_t(REGISTER_CALL* const SharedFreeMem)(void*) __asm__("__imp_@Borlndmm@SysFreeMem$qqrpv");
extern void*(REGISTER_CALL* const SharedReallocMem)(void*, int32_t) __asm__("__imp_@Borlndmm@SysReallocMem$qqrpvi");
}

using runtime::LongString;

namespace {

TEST(CodePage, IsShiftJis) { ASSERT_EQ(GetACP(), 932u) << "run under Wine with LC_ALL=ja_JP.UTF-8"; }

// --- The shared memory manager stand-in -------------------------------------

TEST(SharedManager, RefusesForeignAndRepeatedFreesAndChangesNothing) {
  const int32_t blocks = BorlndmmOutstandingBlocks();
  void* block = SharedGetMem(16);
  ASSERT_NE(block, nullptr);
  char onStack[16];
  EXPECT_NE(SharedFreeMem(onStack), 0);
  EXPECT_NE(SharedFreeMem(static_cast<char*>(block) + 4), 0);
  EXPECT_EQ(SharedReallocMem(onStack, 32), nullptr);
  EXPECT_EQ(BorlndmmOutstandingBlocks(), blocks + 1);
  EXPECT_EQ(SharedFreeMem(block), 0);
  EXPECT_NE(SharedFreeMem(block), 0);
  EXPECT_EQ(BorlndmmOutstandingBlocks(), blocks);
}

TEST(SharedManager, ReallocateKeepsContentsAndFailureKeepsTheBlock) {
  auto* block = static_cast<char*>(SharedGetMem(4));
  std::memcpy(block, "abc", 4);
  block = static_cast<char*>(SharedReallocMem(block, 100000));
  ASSERT_NE(block, nullptr);
  EXPECT_STREQ(block, "abc");
  BorlndmmFailRequest(1);
  EXPECT_EQ(SharedReallocMem(block, 8), nullptr);
  EXPECT_STREQ(block, "abc");
  EXPECT_EQ(SharedFreeMem(block), 0);
}

TEST(SharedManager, CountsBlocksAndBytesAcrossManyAllocations) {
  std::vector<void*> allocated;
  allocated.reserve(5000);
  const int32_t blocks = BorlndmmOutstandingBlocks();
  const int32_t bytes = BorlndmmOutstandingBytes();
  for (int i = 0; i < 5000; ++i) allocated.push_back(SharedGetMem(10));
  EXPECT_EQ(BorlndmmOutstandingBlocks(), blocks + 5000);
  EXPECT_EQ(BorlndmmOutstandingBytes(), bytes + 50000);
  for (void* block : allocated) EXPECT_EQ(SharedFreeMem(block), 0);
  EXPECT_EQ(BorlndmmOutstandingBlocks(), blocks);
  EXPECT_EQ(BorlndmmOutstandingBytes(), bytes);
}

// --- The module's memory manager ----------------------------------------------

// While it lives, every get and reallocate of the module's manager fails, and
// frees pass to the shared manager.
class FailingManager {
 public:
  FailingManager() : saved_(runtime::GetMemoryManager()) {
    runtime::SetMemoryManager({NoMemory, saved_.freeMem, NoMemoryToResize});
  }
  ~FailingManager() { runtime::SetMemoryManager(saved_); }

 private:
  static REGISTER_CALL void* NoMemory(int32_t) { return nullptr; }
  static REGISTER_CALL void* NoMemoryToResize(void*, int32_t) { return nullptr; }
  runtime::MemoryManager saved_;
};

template <typename Error, typename Body>
bool Throws(Body body) {
  try {
    body();
  } catch (const Error&) {
    return true;
  }
  return false;
}

TEST(MemoryManager, SharedManagerInstalledBeforeTheFirstAllocation) {
  EXPECT_TRUE(runtime::IsMemoryManagerSet());
  EXPECT_EQ(runtime::BuiltInAllocationCount(), 0);
  EXPECT_EQ(runtime::GetMemoryManager().getMem, SharedGetMem);
  const int32_t blocks = BorlndmmOutstandingBlocks();
  auto owned = std::make_unique<int>(7);
  EXPECT_EQ(BorlndmmOutstandingBlocks(), blocks + 1);
  owned.reset();
  EXPECT_EQ(BorlndmmOutstandingBlocks(), blocks);
}

TEST(MemoryManager, NullAndRefusedFreeBecomeThePlatformErrors) {
  EXPECT_TRUE(Throws<runtime::OutOfMemoryError>([] { FailingManager failing; runtime::GetMem(8); }));
  EXPECT_TRUE(Throws<runtime::OutOfMemoryError>([] { FailingManager failing; std::vector<int> grown(4); }));
  EXPECT_TRUE(Throws<runtime::OutOfMemoryError>([] {
    runtime::LongString grown("abc");
    FailingManager failing;
    runtime::ReallocMem(grown.Reference() - 8, 100);
  }));
  int notABlock = 0;
  EXPECT_TRUE(Throws<runtime::InvalidPointerError>([&] { runtime::FreeMem(&notABlock); }));
}

// --- LongString -------------------------------------------------------------

TEST(LongString, LayoutIsCountLengthCharactersNulInOneBlock) {
  const int32_t bytes = BorlndmmOutstandingBytes();
  LongString text("abc");
  char* data = text.Reference();
  EXPECT_EQ(reinterpret_cast<int32_t*>(data)[-2], 1);
  EXPECT_EQ(reinterpret_cast<int32_t*>(data)[-1], 3);
  EXPECT_EQ(data[3], '\0');
  EXPECT_EQ(BorlndmmOutstandingBytes(), bytes + 3 + 9);
  EXPECT_EQ(SharedReallocMem(data, 4), nullptr) << "the block starts at the count, not at the characters";
}

TEST(LongString, EmptyIsNull) {
  EXPECT_EQ(LongString().Reference(), nullptr);
  EXPECT_EQ(LongString("").Reference(), nullptr);
  EXPECT_EQ(LongString::Concat({"", ""}).Reference(), nullptr);
  EXPECT_STREQ(LongString().CStr(), "");
}

TEST(LongString, AssignmentSharesAndDropFreesAtZero) {
  const int32_t blocks = BorlndmmOutstandingBlocks();
  {
    LongString a("path");
    LongString b = a;
    EXPECT_EQ(a.Reference(), b.Reference());
    EXPECT_EQ(LongString::RefCountOf(a.Reference()), 2);
    b = b;
    EXPECT_EQ(LongString::RefCountOf(a.Reference()), 2);
    LongString c("other");
    c = a;
    EXPECT_EQ(LongString::RefCountOf(a.Reference()), 3);
    b.Clear();
    c.Clear();
    EXPECT_EQ(LongString::RefCountOf(a.Reference()), 1);
    EXPECT_EQ(BorlndmmOutstandingBlocks(), blocks + 1);
  }
  EXPECT_EQ(BorlndmmOutstandingBlocks(), blocks);
}

const runtime::LongStringConstant<5> kConstant = {-1, 5, "const"};

TEST(LongString, ConstantsAreSharedUncountedAndNeverFreed) {
  const int32_t blocks = BorlndmmOutstandingBlocks();
  {
    LongString local = kConstant;
    LongString copy = local;
    EXPECT_EQ(local.Reference(), kConstant.text);
    EXPECT_EQ(kConstant.refCount, -1);
    LongString stored = LongString::StoredCopy(local);
    EXPECT_NE(stored.Reference(), kConstant.text);
    EXPECT_EQ(LongString::RefCountOf(stored.Reference()), 1);
    EXPECT_EQ(stored, local);
    LongString shared = LongString::StoredCopy(stored);
    EXPECT_EQ(shared.Reference(), stored.Reference());
  }
  EXPECT_EQ(kConstant.refCount, -1);
  EXPECT_EQ(BorlndmmOutstandingBlocks(), blocks);
}

TEST(LongString, AReferenceTakenByTheOtherSideOutlivesTheOriginal) {
  const int32_t blocks = BorlndmmOutstandingBlocks();
  char* kept;
  {
    LongString path = LongString::Concat({"C:\\", "\\", "photo.jpg"});
    kept = path.Reference();
    ++LongString::RefCountOf(kept);  // the other side's own reference
  }
  EXPECT_STREQ(kept, "C:\\\\photo.jpg");
  ASSERT_EQ(--LongString::RefCountOf(kept), 0);
  EXPECT_EQ(SharedFreeMem(kept - 8), 0);
  EXPECT_EQ(BorlndmmOutstandingBlocks(), blocks);
}

// --- Errors leaving for the host ---------------------------------------------

// Runs raise at a boundary with the host and catches what leaves it, as a
// host does: returns the error's text, the error object destroyed.
std::string RaisedToHost(void (*raise)()) {
  EXCEPTION_RECORD record{};
  auto boundary = [raise] { runtime::RunRaisingToHost(raise); };
  if (!host::CatchStructured(boundary, &record)) return "(nothing raised)";
  EXPECT_EQ(record.ExceptionCode, 0x0EEDFADEu);
  EXPECT_EQ(record.ExceptionFlags & EXCEPTION_NONCONTINUABLE, DWORD(EXCEPTION_NONCONTINUABLE));
  EXPECT_EQ(record.NumberParameters, 7u);
  runtime::ErrorObject* error = runtime::PlatformErrorObject(&record);
  if (!error || !error->message) return "(no error object)";
  std::string text = error->message;
  runtime::DestroyErrorObject(error);
  return text;
}

TEST(Errors, OurErrorsLeaveAsThePlatformsStructuredException) {
  const int32_t blocks = BorlndmmOutstandingBlocks();
  EXPECT_EQ(RaisedToHost([] { FailingManager failing; (void)LongString("x"); }),
            "\x83\x81\x83\x82\x83\x8a\x82\xaa\x91\xab\x82\xe8\x82\xdc\x82\xb9\x82\xf1");
  EXPECT_EQ(RaisedToHost([] { int local; runtime::FreeMem(&local); }),
            "\x96\xb3\x8c\xf8\x82\xc8\x83\x7c\x83\x43\x83\x93\x83\x5e\x91\x80\x8d\xec");
  {
    const std::string systemText = RaisedToHost([] {
      SetLastError(ERROR_FILE_NOT_FOUND);
      runtime::ThrowLastOSError();
    });
    EXPECT_FALSE(systemText.empty());
    EXPECT_EQ(systemText.find("(n"), std::string::npos) << systemText;
  }
  EXPECT_EQ(BorlndmmOutstandingBlocks(), blocks) << "destroying the error objects freed everything";
}

TEST(Errors, NothingLeavesWhenTheBodyReturns) { EXPECT_EQ(RaisedToHost([] {}), "(nothing raised)"); }

// --- Finally ---------------------------------------------------------------

TEST(Finally, RunsOnceOnNormalExitAndOnOurErrors) {
  int runs = 0;
  { runtime::Finally cleanUp([&] { ++runs; }); }
  EXPECT_EQ(runs, 1);
  try {
    runtime::Finally cleanUp([&] { ++runs; });
    runtime::ThrowOutOfMemory();
  } catch (const runtime::OutOfMemoryError&) {
  }
  EXPECT_EQ(runs, 2);
}

TEST(Finally, RunsWhileAHostStructuredExceptionUnwindsThroughIt) {
  int inner = 0;
  int outer = 0;
  const void* chainBefore = reinterpret_cast<void*>(__readfsdword(0));
  auto action = [&] {
    runtime::Finally outerCleanUp([&] { outer = inner + 1; });
    runtime::Finally innerCleanUp([&] { ++inner; });
    RaiseException(0xE0001234, 0, 0, nullptr);
  };
  EXCEPTION_RECORD record;
  ASSERT_TRUE(host::CatchStructured(action, &record));
  EXPECT_EQ(record.ExceptionCode, 0xE0001234u);
  EXPECT_EQ(inner, 1);
  EXPECT_EQ(outer, 2) << "inner clean-up first";
  EXPECT_EQ(reinterpret_cast<void*>(__readfsdword(0)), chainBefore);
}

TEST(Finally, ACleanUpThatFailsOnNormalExitPassesItsErrorOn) {
  EXPECT_THROW({ runtime::Finally cleanUp([] { runtime::ThrowInvalidPointer(); }); }, runtime::InvalidPointerError);
}

// --- Components ---------------------------------------------------------------

struct Probe : runtime::Component {
  Probe(Component* owner, int* destroyed) : Component(owner), destroyed_(destroyed) {}
  ~Probe() override { ++*destroyed_; }
  int* destroyed_;
};

TEST(Component, OwnerDestroysWhatItStillOwns) {
  int destroyed = 0;
  auto* owner = new runtime::Component(nullptr);
  auto* first = new Probe(owner, &destroyed);
  new Probe(owner, &destroyed);
  new Probe(first, &destroyed);
  auto* early = new Probe(owner, &destroyed);
  delete early;
  EXPECT_EQ(destroyed, 1);
  EXPECT_EQ(owner->Components().size(), 2u);
  delete owner;
  EXPECT_EQ(destroyed, 4);
}

TEST(Component, TheApplicationObjectDestroysWhatItStillOwnsWhenFinalized) {
  int destroyed = 0;
  runtime::InitializeApplication(GetModuleHandleA(nullptr));
  new Probe(runtime::application, &destroyed);
  new Probe(runtime::application, &destroyed);
  runtime::FinalizeApplication();
  EXPECT_EQ(destroyed, 2);
  EXPECT_EQ(runtime::application, nullptr);
}

// --- Paths in code page 932 -----------------------------------------------------

// 表 ソ 能: double-byte characters whose second byte is '\'.
const std::string kHyou = "\x95\x5c";
const std::string kSo = "\x83\x5c";
const std::string kNou = "\x94\x5c";

TEST(Paths, SplitsAndJoinsAtRealBackslashesOnly) {
  struct Case {
    std::string path, name;
    std::vector<std::string> folders;
    bool endsWithBackslash;
  };
  const Case cases[] = {
      {"C:\\", "", {}, true},
      {"C:\\Images", "Images", {"Images"}, false},
      {"C:\\Images\\a.jpg", "a.jpg", {"Images", "a.jpg"}, false},
      {"C:\\" + kHyou, kHyou, {kHyou}, false},
      {"C:\\" + kHyou + "\\" + kSo + ".jpg", kSo + ".jpg", {kHyou, kSo + ".jpg"}, false},
      {"C:\\a\\" + kNou, kNou, {"a", kNou}, false},
      {"C:\\" + kSo + "\\", "", {kSo}, true},
      {"\\\\server\\share\\dir", "dir", {"dir"}, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    EXPECT_EQ(runtime::FileNamePart(c.path), c.name);
    const std::vector<std::string_view> folders = runtime::FoldersBelowRoot(c.path);
    EXPECT_EQ(std::vector<std::string>(folders.begin(), folders.end()), c.folders);
    EXPECT_EQ(runtime::EndsWithBackslash(c.path), c.endsWithBackslash);
  }
  EXPECT_EQ(runtime::JoinPath("C:\\", "a").View(), "C:\\a");
  EXPECT_EQ(runtime::JoinPath("C:\\" + kHyou, "a").View(), "C:\\" + kHyou + "\\a");
  EXPECT_EQ(runtime::JoinPath("C:\\" + kHyou + "\\", "a").View(), "C:\\" + kHyou + "\\a");
}

TEST(Paths, ComparesIgnoringCase) {
  EXPECT_EQ(runtime::CompareTextIgnoringCase("PHOTO.JPG", "photo.jpg"), 0);
  EXPECT_LT(runtime::CompareTextIgnoringCase("a.gif", "B.gif"), 0);
  EXPECT_GT(runtime::CompareTextIgnoringCase("c.gif", "B.gif"), 0);
}

// --- Form resources ---------------------------------------------------------

TEST(FormResource, ReadsObjectsSettingsAndQuotedTexts) {
  const runtime::FormObject form = runtime::ParseFormResource(
      "object frm: TForm\n"
      "  Caption = 'It''s \xe8\xa1\xa8'\n"
      "  Width = -12\n"
      "  object a: TButton\n"
      "    Kind = bkOK\n"
      "  end\n"
      "  object b: TButton\n"
      "  end\n"
      "end\n");
  EXPECT_TRUE(form.Text("Caption").View() == "It's \x95\x5c");
  EXPECT_EQ(form.Integer("Width", 0), -12);
  EXPECT_EQ(form.Integer("Height", 7), 7);
  ASSERT_EQ(form.children.size(), 2u);
  EXPECT_EQ(form.Child("a").Text("Kind").View(), "bkOK");
  EXPECT_EQ(form.children[1].name.View(), "b");
}

TEST(FormResource, MalformedTextIsAnError) {
  const char* malformed[] = {
      "object frm: TForm\n",
      "object frm\nend\n",
      "Width = 1\n",
      "object frm: TForm\n  Caption = 'open\nend\n",
      "object frm: TForm\nend\nend\n",
  };
  for (const char* text : malformed) {
    SCOPED_TRACE(text);
    EXPECT_THROW(runtime::ParseFormResource(text), runtime::Exception);
  }
  EXPECT_THROW(runtime::ParseFormResource("object f: T\n  Width = x\nend").Integer("Width", 0), runtime::Exception);
}

}  // namespace
