// Forms and buttons: the rules that need no window, then real forms whose
// modal loop is driven from a thread timer on the test's own thread.
#include <gtest/gtest.h>
#include <windows.h>

#include <functional>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "Application.h"
#include "BitBtn.h"
#include "DialogDriver.h"
#include "Control.h"
#include "Form.h"
#include "FormRules.h"
#include "Gdi.h"

using runtime::BitBtn;
using runtime::Bounds;
using runtime::DialogKeyAction;
using runtime::Form;

namespace {

class ApplicationEnvironment : public ::testing::Environment {
 public:
  void SetUp() override { runtime::InitializeApplication(GetModuleHandleA(nullptr)); }
  void TearDown() override { runtime::FinalizeApplication(); }
};
const auto* const kEnvironment = ::testing::AddGlobalTestEnvironment(new ApplicationEnvironment);

// --- Rules without a window ---------------------------------------------------

TEST(FormRules, ScalesDesignLengthsByMeasuredOverDesignedTextHeight) {
  struct Case {
    int length, measured, designed, expected;
  } cases[] = {
      {328, 12, 12, 328},  // as designed: unchanged
      {328, 15, 12, 410},  // 120 pixels per inch
      {255, 13, 12, 276},  // 276.25 rounds down
      {81, 13, 12, 88},    // 87.75 rounds up
      {-13, 15, 12, -16},  // a font height keeps its sign
      {0, 24, 12, 0},
      {147, 6, 12, 74},  // a smaller font shrinks the layout
  };
  for (const Case& c : cases)
    EXPECT_EQ(runtime::ScaleLength(c.length, c.measured, c.designed), c.expected)
        << c.length << " * " << c.measured << " / " << c.designed;
}

TEST(FormRules, ScalesEveryEdgeOfBoundsIndependently) {
  const Bounds scaled = runtime::ScaleBounds({147, 216, 81, 33}, 15, 12);
  EXPECT_EQ(scaled.left, 184);
  EXPECT_EQ(scaled.top, 270);
  EXPECT_EQ(scaled.width, 101);
  EXPECT_EQ(scaled.height, 41);
}

TEST(FormRules, CentresOnTheScreenButNeverLeftOfOrAboveIt) {
  struct Case {
    SIZE window, screen;
    POINT expected;
  } cases[] = {
      {{336, 284}, {1024, 768}, {344, 242}},
      {{337, 285}, {1024, 768}, {343, 241}},
      {{1024, 768}, {1024, 768}, {0, 0}},
      {{1200, 300}, {1024, 768}, {0, 234}},
      {{300, 900}, {1024, 768}, {362, 0}},
      {{2000, 2000}, {640, 480}, {0, 0}},
  };
  for (const Case& c : cases) {
    const POINT origin = runtime::CentredOrigin(c.window, c.screen);
    EXPECT_EQ(origin.x, c.expected.x) << c.window.cx << "x" << c.window.cy;
    EXPECT_EQ(origin.y, c.expected.y) << c.window.cx << "x" << c.window.cy;
  }
}

TEST(FormRules, DialogKeys) {
  struct Case {
    const char* what;
    WPARAM key;
    runtime::DialogKeyContext context;
    DialogKeyAction expected;
  } cases[] = {
      {"Enter on a list", VK_RETURN, {false, false, false, false, false}, DialogKeyAction::PressDefaultButton},
      {"Enter on a button", VK_RETURN, {false, false, false, true, false}, DialogKeyAction::PressFocusedButton},
      {"Shift+Enter", VK_RETURN, {true, false, false, false, false}, DialogKeyAction::PassOn},
      {"Ctrl+Enter", VK_RETURN, {false, true, false, false, false}, DialogKeyAction::PassOn},
      {"Alt+Enter", VK_RETURN, {false, false, true, false, false}, DialogKeyAction::PassOn},
      {"Shift+Enter on a button", VK_RETURN, {true, false, false, true, false}, DialogKeyAction::PassOn},
      {"Enter in an open combo list", VK_RETURN, {false, false, false, false, true}, DialogKeyAction::PassOn},
      {"Esc on a list", VK_ESCAPE, {false, false, false, false, false}, DialogKeyAction::PressCancelButton},
      {"Esc on a button", VK_ESCAPE, {false, false, false, true, false}, DialogKeyAction::PressCancelButton},
      {"Shift+Esc", VK_ESCAPE, {true, false, false, false, false}, DialogKeyAction::PassOn},
      {"Ctrl+Esc", VK_ESCAPE, {false, true, false, false, false}, DialogKeyAction::PassOn},
      {"Esc in an open combo list", VK_ESCAPE, {false, false, false, false, true}, DialogKeyAction::PassOn},
      {"Tab", VK_TAB, {false, false, false, true, false}, DialogKeyAction::FocusNext},
      {"Shift+Tab", VK_TAB, {true, false, false, false, false}, DialogKeyAction::FocusPrevious},
      {"Ctrl+Tab", VK_TAB, {false, true, false, false, false}, DialogKeyAction::PassOn},
      {"Space on a button", VK_SPACE, {false, false, false, true, false}, DialogKeyAction::PassOn},
      {"Down", VK_DOWN, {false, false, false, false, false}, DialogKeyAction::PassOn},
  };
  for (const Case& c : cases) EXPECT_EQ(runtime::DialogKeyActionFor(c.key, c.context), c.expected) << c.what;
}

// --- Driving a modal loop -----------------------------------------------------

// Steps run from thread timers, so that they run inside whatever message
// loop the thread is in: the form's, or a message box's within it.
std::map<UINT_PTR, std::function<void()>>& PendingSteps() {
  static std::map<UINT_PTR, std::function<void()>> steps;
  return steps;
}

void CALLBACK RunStep(HWND, UINT, UINT_PTR id, DWORD) {
  KillTimer(nullptr, id);
  auto found = PendingSteps().find(id);
  if (found == PendingSteps().end()) return;
  const std::function<void()> step = std::move(found->second);
  PendingSteps().erase(found);
  step();
}

void After(UINT milliseconds, std::function<void()> step) {
  PendingSteps()[SetTimer(nullptr, 0, milliseconds, &RunStep)] = std::move(step);
}

// Runs step every 50 ms until it returns true, or fails after about 10 s.
void Until(const char* what, std::function<bool()> step, int triesLeft = 200) {
  After(50, [=] {
    if (step()) return;
    if (triesLeft > 0)
      Until(what, step, triesLeft - 1);
    else
      ADD_FAILURE() << "gave up waiting: " << what;
  });
}

void CancelPendingSteps() {
  for (const auto& step : PendingSteps()) KillTimer(nullptr, step.first);
  PendingSteps().clear();
}

void PostKey(WPARAM key) { PostMessageA(GetFocus(), WM_KEYDOWN, key, 1); }

// Keys as the keyboard gives them, so that the thread's modifier state follows.
void TypeWith(WORD modifier, WORD key) {
  INPUT inputs[4] = {};
  const WORD keys[4] = {modifier, key, key, modifier};
  for (int i = 0; i < 4; ++i) {
    inputs[i].type = INPUT_KEYBOARD;
    inputs[i].ki.wVk = keys[i];
    inputs[i].ki.dwFlags = i < 2 ? 0 : KEYEVENTF_KEYUP;
  }
  SendInput(4, inputs, sizeof(INPUT));
}

BOOL CALLBACK AppendText(HWND child, LPARAM texts) {
  char text[256];
  GetWindowTextA(child, text, sizeof text);
  *reinterpret_cast<std::string*>(texts) += std::string(text) + "\n";
  return TRUE;
}

// The texts of a message box: its message and its button.
std::string WindowTexts(HWND window) {
  std::string texts;
  EnumChildWindows(window, &AppendText, reinterpret_cast<LPARAM>(&texts));
  return texts;
}

// "ｿﾞﾙｳﾞｪｲﾝ" and "ＭＳ Ｐゴシック" in Shift-JIS.
const char kCaption[] = "\xbf\xde\xd9\xb3\xde\xaa\xb2\xdd";
const char kFormFace[] = "\x82\x6c\x82\x72\x20\x82\x6f\x83\x53\x83\x56\x83\x62\x83\x4e";
constexpr UINT kThrowOurError = WM_APP + 100;
constexpr UINT kThrowStandardError = WM_APP + 101;

runtime::FormSettings Settings(SIZE clientSize, int fontHeight = -12) {
  return {runtime::LongString(kCaption), clientSize,
          runtime::FontSettings{SHIFTJIS_CHARSET, GetSysColor(COLOR_WINDOWTEXT), fontHeight, kFormFace}, 12};
}

void Throw(UINT message) {
  if (message == kThrowOurError) throw runtime::Exception(runtime::LongString("Drive not ready."));
  throw std::runtime_error("Folder vanished.");
}

// A list box of ours: it records the Enter keys it gets, and fails on demand.
class TestList : public runtime::WinControl {
 public:
  TestList(Form& form, const Bounds& bounds) : WinControl(&form) {
    CreateStandardControl("LISTBOX", "", WS_TABSTOP | WS_BORDER | LBS_NOTIFY, form.Scaled(bounds), form.Handle(), 100);
  }
  int enterKeys = 0;
  bool shiftWithEnter = false;

 protected:
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
    if (message == kThrowOurError || message == kThrowStandardError) Throw(message);
    if (message == WM_KEYDOWN && wParam == VK_RETURN) {
      ++enterKeys;
      shiftWithEnter = GetKeyState(VK_SHIFT) < 0;
    }
    return WinControl::HandleMessage(message, wParam, lParam);
  }
};

// The tab order OK, list, Cancel.
class TestForm : public Form {
 public:
  explicit TestForm(runtime::Component* owner, SIZE clientSize = {328, 255}, int fontHeight = -12)
      : Form(owner, Settings(clientSize, fontHeight)),
        ok(new BitBtn(*this, {147, 216, 81, 33}, BitBtn::Kind::OK)),
        list(new TestList(*this, {8, 8, 153, 100})),
        cancel(new BitBtn(*this, {243, 216, 81, 33}, BitBtn::Kind::Cancel)) {}
  BitBtn* ok;
  TestList* list;
  BitBtn* cancel;

 protected:
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
    if (message == kThrowOurError || message == kThrowStandardError) Throw(message);
    return Form::HandleMessage(message, wParam, lParam);
  }
};

class FormTest : public ::testing::Test {
 protected:
  void TearDown() override {
    CancelPendingSteps();
    testing_support::PumpMessages();
  }

  // ShowModal, with a step that ends a loop that would otherwise never end.
  static int ShowModal(Form& form) {
    After(30000, [&form] {
      ADD_FAILURE() << "the modal loop did not end";
      form.SetModalResult(99);
    });
    return form.ShowModal();
  }

  std::unique_ptr<TestForm> form_ = std::make_unique<TestForm>(runtime::application);
};

TEST_F(FormTest, EachWayOfClosingGivesItsModalResult) {
  struct Case {
    const char* what;
    std::function<void(TestForm&)> gesture;
    int expected;
  } cases[] = {
      {"click OK", [](TestForm& f) { SendMessageA(f.ok->Handle(), BM_CLICK, 0, 0); }, 1},
      {"click Cancel", [](TestForm& f) { SendMessageA(f.cancel->Handle(), BM_CLICK, 0, 0); }, 2},
      {"Enter where the focus starts", [](TestForm&) { PostKey(VK_RETURN); }, 1},
      {"Enter on the list",
       [](TestForm& f) {
         SetFocus(f.list->Handle());
         PostKey(VK_RETURN);
       },
       1},
      {"Enter on Cancel",
       [](TestForm& f) {
         SetFocus(f.cancel->Handle());
         PostKey(VK_RETURN);
       },
       2},
      {"Esc on OK", [](TestForm&) { PostKey(VK_ESCAPE); }, 2},
      {"Esc on the list",
       [](TestForm& f) {
         SetFocus(f.list->Handle());
         PostKey(VK_ESCAPE);
       },
       2},
      {"close request", [](TestForm& f) { PostMessageA(f.Handle(), WM_CLOSE, 0, 0); }, 2},
      {"close from the system", [](TestForm& f) { PostMessageA(f.Handle(), WM_SYSCOMMAND, SC_CLOSE, 0); }, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TestForm form(runtime::application);
    After(50, [&] {
      EXPECT_EQ(GetFocus(), form.ok->Handle()) << "the focus starts on the first tab stop";
      c.gesture(form);
    });
    EXPECT_EQ(ShowModal(form), c.expected);
    EXPECT_EQ(form.ModalResult(), c.expected);
    EXPECT_EQ(form.list->enterKeys, 0) << "the list never sees the Enter that closes";
    CancelPendingSteps();
  }
}

TEST_F(FormTest, QuitEndsTheLoopAsCancelAndIsPostedAgain) {
  After(50, [] { PostQuitMessage(7); });
  EXPECT_EQ(ShowModal(*form_), 2);
  MSG message;
  ASSERT_TRUE(PeekMessageA(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  EXPECT_EQ(message.wParam, 7u);
}

TEST_F(FormTest, TabAndShiftTabMoveThroughTheTabStopsAndWrap) {
  std::vector<HWND> visited;
  const auto record = [&] { visited.push_back(GetFocus()); };
  After(50, [&] {
    record();
    PostKey(VK_TAB);
    After(50, [&] {
      record();
      PostKey(VK_TAB);
      After(50, [&] {
        record();
        PostKey(VK_TAB);
        After(50, [&] {
          record();
          SetForegroundWindow(form_->Handle());
          TypeWith(VK_SHIFT, VK_TAB);
          Until("Shift+Tab", [&] {
            if (GetFocus() == form_->ok->Handle()) return false;
            record();
            form_->SetModalResult(2);
            return true;
          });
        });
      });
    });
  });
  ShowModal(*form_);
  const std::vector<HWND> expected = {form_->ok->Handle(), form_->list->Handle(), form_->cancel->Handle(),
                                      form_->ok->Handle(), form_->cancel->Handle()};
  EXPECT_EQ(visited, expected);
}

TEST_F(FormTest, ShiftEnterGoesToTheFocusedControlAndPressesNothing) {
  After(50, [&] {
    SetForegroundWindow(form_->Handle());
    SetFocus(form_->list->Handle());
    TypeWith(VK_SHIFT, VK_RETURN);
    Until("Shift+Enter in the list", [&] {
      if (form_->list->enterKeys == 0 && form_->ModalResult() == 0) return false;
      SendMessageA(form_->cancel->Handle(), BM_CLICK, 0, 0);
      return true;
    });
  });
  EXPECT_EQ(ShowModal(*form_), 2) << "Shift+Enter pressed a button";
  EXPECT_EQ(form_->list->enterKeys, 1);
  EXPECT_TRUE(form_->list->shiftWithEnter);
}

TEST_F(FormTest, AltF4ClosesAsCancel) {
  After(50, [&] {
    SetForegroundWindow(form_->Handle());
    TypeWith(VK_MENU, VK_F4);
  });
  EXPECT_EQ(ShowModal(*form_), 2);
}

TEST_F(FormTest, EnterAndEscOnlyCloseAnOpenComboList) {
  HWND combo = CreateWindowExA(0, "COMBOBOX", "", WS_CHILD | WS_VISIBLE | WS_TABSTOP | CBS_DROPDOWNLIST, 8, 120, 150,
                               200, form_->Handle(), nullptr, GetModuleHandleA(nullptr), nullptr);
  ASSERT_NE(combo, nullptr);
  SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("a:"));
  SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("c:"));
  std::vector<bool> openAfterKey;
  const auto openAndPress = [&](WPARAM key, std::function<void()> next) {
    SetFocus(combo);
    SendMessageA(combo, CB_SHOWDROPDOWN, TRUE, 0);
    EXPECT_TRUE(SendMessageA(combo, CB_GETDROPPEDSTATE, 0, 0));
    PostKey(key);
    After(50, [&, next] {
      openAfterKey.push_back(SendMessageA(combo, CB_GETDROPPEDSTATE, 0, 0) != 0);
      next();
    });
  };
  After(50, [&] {
    openAndPress(VK_ESCAPE, [&] {
      openAndPress(VK_RETURN, [&] {
        EXPECT_EQ(form_->ModalResult(), 0);
        PostKey(VK_ESCAPE);  // the list is closed now: Cancel
      });
    });
  });
  EXPECT_EQ(ShowModal(*form_), 2);
  EXPECT_EQ(openAfterKey, (std::vector<bool>{false, false}));
}

TEST_F(FormTest, OtherWindowsOfTheThreadAreDisabledWhileShownAndExactlyThoseEnabledAfter) {
  const auto topLevel = [](DWORD style) {
    return CreateWindowExA(0, "STATIC", "host", WS_POPUP | style, 0, 0, 100, 100, nullptr, nullptr,
                           GetModuleHandleA(nullptr), nullptr);
  };
  HWND host = topLevel(WS_VISIBLE);
  HWND alreadyDisabled = topLevel(WS_VISIBLE | WS_DISABLED);
  HWND hidden = topLevel(0);
  SetActiveWindow(host);
  bool checked = false;
  After(50, [&] {
    EXPECT_FALSE(IsWindowEnabled(host));
    EXPECT_FALSE(IsWindowEnabled(alreadyDisabled));
    EXPECT_TRUE(IsWindowEnabled(hidden));
    EXPECT_TRUE(IsWindowEnabled(form_->Handle()));
    EXPECT_TRUE(IsWindowVisible(form_->Handle()));
    checked = true;
    PostKey(VK_RETURN);
  });
  EXPECT_EQ(ShowModal(*form_), 1);
  EXPECT_TRUE(checked);
  EXPECT_TRUE(IsWindowEnabled(host));
  EXPECT_FALSE(IsWindowEnabled(alreadyDisabled));
  EXPECT_TRUE(IsWindowEnabled(hidden));
  EXPECT_EQ(GetActiveWindow(), host) << "the window that was active is active again";
  EXPECT_TRUE(IsWindow(form_->Handle())) << "closing does not destroy the form";
  EXPECT_FALSE(IsWindowVisible(form_->Handle()));
  DestroyWindow(host);
  DestroyWindow(alreadyDisabled);
  DestroyWindow(hidden);
}

TEST_F(FormTest, IsATopmostDialogFrameOfItsOwnCentredOnTheScreen) {
  struct Case {
    const char* what;
    SIZE clientSize;
  } cases[] = {{"fits", {328, 255}}, {"larger than the screen", {1400, 1000}}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TestForm form(runtime::application, c.clientSize);
    After(50, [&] { PostKey(VK_ESCAPE); });
    ShowModal(form);
    RECT frame;
    GetWindowRect(form.Handle(), &frame);
    const POINT expected = runtime::CentredOrigin({frame.right - frame.left, frame.bottom - frame.top},
                                                  {GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)});
    EXPECT_EQ(frame.left, expected.x);
    EXPECT_EQ(frame.top, expected.y);
    EXPECT_GE(frame.left, 0);
    EXPECT_GE(frame.top, 0);
    const LONG style = GetWindowLongA(form.Handle(), GWL_STYLE);
    EXPECT_EQ(style & WS_CAPTION, WS_CAPTION);
    EXPECT_EQ(style & (WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_CHILD), 0);
    EXPECT_TRUE(GetWindowLongA(form.Handle(), GWL_EXSTYLE) & WS_EX_TOPMOST);
    EXPECT_EQ(GetWindow(form.Handle(), GW_OWNER), nullptr);
    EXPECT_EQ(GetClassLongPtrA(form.Handle(), GCLP_HBRBACKGROUND), static_cast<ULONG_PTR>(COLOR_BTNFACE + 1));
    EXPECT_TRUE(form.Caption() == runtime::LongString(kCaption));
  }
}

TEST_F(FormTest, ButtonsCarryTheirKindsCaptionsAndIds) {
  EXPECT_TRUE(form_->ok->Caption() == runtime::LongString("OK"));
  EXPECT_TRUE(form_->cancel->Caption() == runtime::LongString("Cancel"));
  EXPECT_EQ(GetDlgCtrlID(form_->ok->Handle()), IDOK);
  EXPECT_EQ(GetDlgCtrlID(form_->cancel->Handle()), IDCANCEL);
  form_->cancel->SetCaption(runtime::LongString("\x83\x4c\x83\x83\x83\x93\x83\x5a\x83\x8b"));  // キャンセル
  char text[32];
  GetWindowTextA(form_->cancel->Handle(), text, sizeof text);
  EXPECT_TRUE(std::string(text) == "\x83\x4c\x83\x83\x83\x93\x83\x5a\x83\x8b");
  // Painting them goes through our drawing; it must neither fail nor leave the loop.
  After(50, [&] {
    RedrawWindow(form_->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    SetFocus(form_->cancel->Handle());
    EnableWindow(form_->ok->Handle(), FALSE);
    UpdateWindow(form_->ok->Handle());
    PostKey(VK_RETURN);
  });
  EXPECT_EQ(ShowModal(*form_), 2);
}

TEST_F(FormTest, AFontThatMeasuresOtherThanDesignedScalesTheLayout) {
  const runtime::Font bigFont =
      runtime::CreateFontOf(Settings({}).font, MulDiv(-24, runtime::ScreenPixelsPerInch(), 96));
  const int measured = runtime::LineHeight(bigFont.Get());
  ASSERT_NE(measured, 12);
  TestForm form(runtime::application, {328, 255}, -24);
  RECT client;
  GetClientRect(form.Handle(), &client);
  EXPECT_EQ(client.right, MulDiv(328, measured, 12));
  EXPECT_EQ(client.bottom, MulDiv(255, measured, 12));
  RECT button;
  GetWindowRect(form.ok->Handle(), &button);
  MapWindowPoints(nullptr, form.Handle(), reinterpret_cast<POINT*>(&button), 2);
  EXPECT_EQ(button.left, MulDiv(147, measured, 12));
  EXPECT_EQ(button.top, MulDiv(216, measured, 12));
  EXPECT_EQ(button.right - button.left, MulDiv(81, measured, 12));
  EXPECT_EQ(button.bottom - button.top, MulDiv(33, measured, 12));
  EXPECT_EQ(form.Scaled(-13), MulDiv(-13, measured, 12)) << "the list font follows too";
}

TEST_F(FormTest, ReleaseDestroysTheFormOnlyWhenItsMessageIsDelivered) {
  After(50, [] { PostKey(VK_RETURN); });
  ShowModal(*form_);
  const HWND window = form_->Handle();
  TestForm* form = form_.release();
  form->Release();
  EXPECT_TRUE(IsWindow(window));
  EXPECT_EQ(runtime::application->Components().back(), form);
  testing_support::PumpMessages();
  EXPECT_FALSE(IsWindow(window));
  for (runtime::Component* component : runtime::application->Components()) EXPECT_NE(component, form);
}

TEST_F(FormTest, AnOwnerDestroyedFirstTakesTheFormAndItsLateReleaseMessageAlong) {
  auto* owner = new runtime::Component(nullptr);
  auto* form = new TestForm(owner);
  const HWND window = form->Handle();
  form->Release();
  delete owner;
  EXPECT_FALSE(IsWindow(window));
  auto* next = new TestForm(runtime::application);
  testing_support::PumpMessages();
  EXPECT_TRUE(IsWindow(next->Handle())) << "the late message touched another form";
  delete next;
}

TEST_F(FormTest, TheWindowClassGoesWithTheLastForm) {
  char className[32];
  GetClassNameA(form_->Handle(), className, sizeof className);
  const HINSTANCE instance = runtime::application->Instance();
  WNDCLASSEXA found = {};
  found.cbSize = sizeof found;
  auto second = std::make_unique<TestForm>(runtime::application);
  form_.reset();
  EXPECT_TRUE(GetClassInfoExA(instance, className, &found)) << "another form still uses it";
  auto third = std::make_unique<TestForm>(runtime::application);
  second.reset();
  third.reset();
  EXPECT_FALSE(GetClassInfoExA(instance, className, &found));
}

TEST_F(FormTest, AControlWhoseWindowIsGoneIsUnboundAndStillDeletable) {
  HWND window = form_->list->Handle();
  DestroyWindow(window);
  EXPECT_EQ(form_->list->Handle(), nullptr);
  delete form_->list;
  EXPECT_EQ(form_->Components().size(), 2u);
}

TEST_F(FormTest, ErrorsInHandlersAreShownInTheErrorBoxAndTheLoopGoesOn) {
  struct Case {
    const char* what;
    bool inControl;  // the form's own window procedure, or a subclassed control's
    UINT message;
    const char* text;
  } cases[] = {
      {"our error in the form", false, kThrowOurError, "Drive not ready."},
      {"a standard error in a control", true, kThrowStandardError, "Folder vanished."},
  };
  const runtime::LongString title = runtime::application->Title();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TestForm form(runtime::application);
    std::string shown;
    bool formDisabledMeanwhile = false;
    After(50, [&] {
      SetFocus(form.list->Handle());
      PostMessageA(c.inControl ? form.list->Handle() : form.Handle(), c.message, 0, 0);
      Until("the error box", [&] {
        HWND box = FindWindowA("#32770", title.CStr());
        if (!box) return false;
        shown = WindowTexts(box);
        formDisabledMeanwhile = !IsWindowEnabled(form.Handle());
        SendMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(box, IDOK)));
        After(50, [&] {
          EXPECT_EQ(form.ModalResult(), 0);
          EXPECT_TRUE(IsWindowVisible(form.Handle()));
          EXPECT_EQ(GetFocus(), form.list->Handle()) << "the focus is back where it was";
          SendMessageA(form.ok->Handle(), BM_CLICK, 0, 0);
        });
        return true;
      });
    });
    EXPECT_EQ(ShowModal(form), 1);
    EXPECT_NE(shown.find(c.text), std::string::npos) << shown;
    EXPECT_TRUE(formDisabledMeanwhile);
    CancelPendingSteps();
  }
}

}  // namespace
