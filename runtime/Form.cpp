#include "Form.h"

#include <algorithm>
#include <string>
#include <vector>

#include "Application.h"
#include "Errors.h"

namespace runtime {

namespace {

constexpr char kClassName[] = "ZorvaneForm";
constexpr UINT kReleaseMessage = WM_APP + 1;
constexpr int kDesignPixelsPerInch = 96;
// WS_CAPTION without WS_SYSMENU: a title bar with no system menu and no buttons.
constexpr DWORD kStyle = WS_POPUP | WS_CAPTION | WS_CLIPCHILDREN;
constexpr DWORD kExStyle = WS_EX_DLGMODALFRAME | WS_EX_TOPMOST;

bool KeyHeld(int key) { return GetKeyState(key) < 0; }

bool IsPushButton(HWND control) {
  return control && (SendMessageA(control, WM_GETDLGCODE, 0, 0) & (DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON));
}

bool IsComboListOpen(HWND control) {
  char className[16];
  return control && GetClassNameA(control, className, sizeof className) && lstrcmpiA(className, "ComboBox") == 0 &&
         SendMessageA(control, CB_GETDROPPEDSTATE, 0, 0);
}

bool IsTabStop(HWND control) {
  return (GetWindowLongA(control, GWL_STYLE) & WS_TABSTOP) && IsWindowVisible(control) && IsWindowEnabled(control);
}

// While it lives, the form is shown and the thread's other visible, enabled
// top-level windows are disabled; then exactly those are enabled again
// before the form hides, so that one of them takes the activation back.
class ModalShowing {
 public:
  explicit ModalShowing(HWND form) : form_(form) {
    EnumThreadWindows(GetCurrentThreadId(), &CollectEnabledWindow, reinterpret_cast<LPARAM>(this));
    for (HWND window : disabled_) EnableWindow(window, FALSE);
    ShowWindow(form_, SW_SHOW);
  }
  ~ModalShowing() {
    for (HWND window : disabled_) EnableWindow(window, TRUE);
    ShowWindow(form_, SW_HIDE);
  }
  ModalShowing(const ModalShowing&) = delete;
  ModalShowing& operator=(const ModalShowing&) = delete;

 private:
  static BOOL CALLBACK CollectEnabledWindow(HWND window, LPARAM self) {
    auto* showing = reinterpret_cast<ModalShowing*>(self);
    if (window != showing->form_ && IsWindowVisible(window) && IsWindowEnabled(window))
      showing->disabled_.push_back(window);
    return TRUE;
  }

  HWND form_;
  std::vector<HWND> disabled_;
};

}  // namespace

Form::WindowClass::WindowClass(HINSTANCE instance) : instance_(instance) {
  WNDCLASSEXA windowClass = {};
  windowClass.cbSize = sizeof windowClass;
  windowClass.style = CS_DBLCLKS;
  windowClass.lpfnWndProc = &WinControl::OwnClassProcedure;
  windowClass.hInstance = instance;
  windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  windowClass.lpszClassName = kClassName;
  if (!RegisterClassExA(&windowClass) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) ThrowLastOSError();
}

Form::WindowClass::~WindowClass() { UnregisterClassA(kClassName, instance_); }

Form::Form(Component* owner, const FormSettings& settings)
    : WinControl(owner),
      windowClass_(application->Instance()),
      font_(CreateFontOf(settings.font, MulDiv(settings.font.height, ScreenPixelsPerInch(), kDesignPixelsPerInch))),
      fontColor_(settings.font.color),
      measuredTextHeight_(LineHeight(font_.Get())),
      designTextHeight_(settings.designTextHeight) {
  RECT frame = {0, 0, Scaled(settings.clientSize.cx), Scaled(settings.clientSize.cy)};
  AdjustWindowRectEx(&frame, kStyle, FALSE, kExStyle);
  OffsetRect(&frame, -frame.left, -frame.top);
  CreateOwnClassWindow(kExStyle, kClassName, settings.caption.CStr(), kStyle, frame, nullptr);
}

// The window goes before the font and the class.
Form::~Form() { DestroyHandle(); }

LongString Form::Caption() const {
  std::string text(GetWindowTextLengthA(Handle()) + 1, '\0');
  text.resize(GetWindowTextA(Handle(), text.data(), static_cast<int>(text.size())));
  return LongString(text);
}

void Form::SetCaption(const LongString& caption) {
  if (!SetWindowTextA(Handle(), caption.CStr())) ThrowLastOSError();
}

int Form::Scaled(int designLength) const { return ScaleLength(designLength, measuredTextHeight_, designTextHeight_); }

Bounds Form::Scaled(const Bounds& design) const { return ScaleBounds(design, measuredTextHeight_, designTextHeight_); }

int Form::ShowModal() {
  modalResult_ = kModalResultNone;
  lastFocus_ = nullptr;
  if (!placed_) MoveToScreenCentre();
  bool quit = false;
  int exitCode = 0;
  {
    ModalShowing showing(Handle());
    SetFocus(Handle());  // passes the focus on to the first tab stop
    while (modalResult_ == kModalResultNone) {
      MSG message;
      const BOOL got = GetMessageA(&message, nullptr, 0, 0);
      if (got == -1) ThrowLastOSError();
      if (got == 0) {
        quit = true;
        exitCode = static_cast<int>(message.wParam);
        modalResult_ = kModalResultCancel;
      } else if (!HandleDialogKey(message)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
      }
    }
  }
  if (quit) PostQuitMessage(exitCode);
  return modalResult_;
}

void Form::Release() {
  if (!PostMessageA(Handle(), kReleaseMessage, 0, 0)) ThrowLastOSError();
}

void Form::MoveToScreenCentre() {
  RECT frame;
  GetWindowRect(Handle(), &frame);
  const POINT origin = CentredOrigin({frame.right - frame.left, frame.bottom - frame.top},
                                     {GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)});
  SetWindowPos(Handle(), nullptr, origin.x, origin.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  placed_ = true;
}

LRESULT Form::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CLOSE:
      OnClose();
      return 0;
    case WM_ACTIVATE:
      OnActivate(LOWORD(wParam));
      break;
    case WM_SETFOCUS:
      OnSetFocus();
      return 0;
    case kReleaseMessage:
      OnRelease();
      return 0;
    case WM_COMMAND:
      if (lParam) return ReflectToControl(reinterpret_cast<HWND>(lParam), message, wParam, lParam);
      break;
    case WM_DRAWITEM:
      return ReflectToControl(reinterpret_cast<const DRAWITEMSTRUCT*>(lParam)->hwndItem, message, wParam, lParam);
    case WM_MEASUREITEM:
      return OnMeasureItem(wParam, lParam);
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
      if (LRESULT brush = ReflectToControl(reinterpret_cast<HWND>(lParam), message, wParam, lParam)) return brush;
      break;
  }
  return WinControl::HandleMessage(message, wParam, lParam);
}

// A close request from the system (Alt+F4) is a Cancel; the form stays.
void Form::OnClose() { SetModalResult(kModalResultCancel); }

void Form::OnActivate(WORD state) {
  if (state == WA_INACTIVE) lastFocus_ = FocusedControl();
}

void Form::OnSetFocus() {
  HWND control = lastFocus_ && IsWindow(lastFocus_) && IsTabStop(lastFocus_) ? lastFocus_ : FirstTabStop();
  if (control) SetFocus(control);
}

void Form::OnRelease() { delete this; }

// Sent while the control is being created, before it is subclassed; such a
// control gets no answer and keeps its own measure.
LRESULT Form::OnMeasureItem(WPARAM wParam, LPARAM lParam) {
  HWND control = GetDlgItem(Handle(), static_cast<int>(wParam));
  return control ? ReflectToControl(control, WM_MEASUREITEM, wParam, lParam) : 0;
}

LRESULT Form::ReflectToControl(HWND control, UINT message, WPARAM wParam, LPARAM lParam) {
  return SendMessageA(control, Reflected(message), wParam, lParam);
}

bool Form::HandleDialogKey(const MSG& message) {
  if (message.message != WM_KEYDOWN || (message.hwnd != Handle() && !IsChild(Handle(), message.hwnd))) return false;
  HWND focused = FocusedControl();
  const DialogKeyContext context = {KeyHeld(VK_SHIFT), KeyHeld(VK_CONTROL), KeyHeld(VK_MENU), IsPushButton(focused),
                                    IsComboListOpen(focused)};
  switch (DialogKeyActionFor(message.wParam, context)) {
    case DialogKeyAction::PassOn:
      return false;
    case DialogKeyAction::FocusNext:
      MoveFocus(focused, true);
      return true;
    case DialogKeyAction::FocusPrevious:
      MoveFocus(focused, false);
      return true;
    case DialogKeyAction::PressFocusedButton:
      return PressButton(focused);
    case DialogKeyAction::PressDefaultButton:
      return PressButton(GetDlgItem(Handle(), IDOK));
    case DialogKeyAction::PressCancelButton:
      return PressButton(GetDlgItem(Handle(), IDCANCEL));
  }
  return false;
}

// The form's child that holds the focus or contains the window that does.
HWND Form::FocusedControl() const {
  for (HWND window = GetFocus(); window; window = GetAncestor(window, GA_PARENT))
    if (GetAncestor(window, GA_PARENT) == Handle()) return window;
  return nullptr;
}

HWND Form::FirstTabStop() const {
  for (HWND child = GetWindow(Handle(), GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
    if (IsTabStop(child)) return child;
  return nullptr;
}

// Tab order is the children's creation order, and wraps around.
void Form::MoveFocus(HWND from, bool forward) {
  std::vector<HWND> tabStops;
  for (HWND child = GetWindow(Handle(), GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
    if (IsTabStop(child)) tabStops.push_back(child);
  if (tabStops.empty()) return;
  const std::size_t count = tabStops.size();
  const std::size_t index = std::find(tabStops.begin(), tabStops.end(), from) - tabStops.begin();
  if (index == count)
    SetFocus(forward ? tabStops.front() : tabStops.back());
  else
    SetFocus(tabStops[forward ? (index + 1) % count : (index + count - 1) % count]);
}

// As the button's own click does; a disabled button takes no key.
bool Form::PressButton(HWND button) {
  if (!button || !IsWindowEnabled(button)) return false;
  SendMessageA(Handle(), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(button), BN_CLICKED), reinterpret_cast<LPARAM>(button));
  return true;
}

}  // namespace runtime
