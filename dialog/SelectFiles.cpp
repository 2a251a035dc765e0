#include "SelectFiles.h"

#include "Application.h"
#include "Errors.h"

TfrmSelect* frmSelect = nullptr;

namespace {

using runtime::FormObject;

COLORREF ColorNamed(std::string_view name) {
  if (name == "clBtnFace") return GetSysColor(COLOR_BTNFACE);
  if (name == "clWindowText") return GetSysColor(COLOR_WINDOWTEXT);
  if (name == "clBlack") return RGB(0, 0, 0);
  throw runtime::Exception(runtime::LongString::Concat({"unknown colour ", name}));
}

BYTE CharsetNamed(std::string_view name) {
  if (name == "SHIFTJIS_CHARSET") return SHIFTJIS_CHARSET;
  if (name == "DEFAULT_CHARSET") return DEFAULT_CHARSET;
  throw runtime::Exception(runtime::LongString::Concat({"unknown character set ", name}));
}

// The face name points into the layout, which outlives the dialog's construction.
runtime::FontSettings FontOf(const FormObject& object) {
  const runtime::LongString* face = object.Find("Font.Name");
  return {CharsetNamed(object.Text("Font.Charset").View()), ColorNamed(object.Text("Font.Color").View()),
          object.Integer("Font.Height", -12), face ? face->CStr() : ""};
}

runtime::Bounds BoundsOf(const FormObject& object) {
  return {object.Integer("Left", 0), object.Integer("Top", 0), object.Integer("Width", 0),
          object.Integer("Height", 0)};
}

runtime::FormSettings FormSettingsOf(const FormObject& form) {
  return {form.Text("Caption"), {form.Integer("ClientWidth", 0), form.Integer("ClientHeight", 0)}, FontOf(form),
          form.Integer("TextHeight", 12)};
}

runtime::ListSettings ListSettingsOf(const FormObject& object, int id) {
  return {BoundsOf(object), object.Integer("ItemHeight", 0), ColorNamed(object.Text("Color").View()), FontOf(object),
          id};
}

runtime::BitBtn::Kind KindOf(const FormObject& object) {
  return object.Text("Kind").View() == "bkOK" ? runtime::BitBtn::Kind::OK : runtime::BitBtn::Kind::Cancel;
}

enum ListId { kFileListId = 101, kDirectoryListId, kDriveBoxId };

}  // namespace

TfrmSelect::TfrmSelect(runtime::Component* owner)
    : TfrmSelect(owner, runtime::LoadFormResource(runtime::application->Instance(), "TFRMSELECT")) {}

TfrmSelect::TfrmSelect(runtime::Component* owner, const FormObject& layout)
    : Form(owner, FormSettingsOf(layout)),
      BitBtn1(new runtime::BitBtn(*this, BoundsOf(layout.Child("BitBtn1")), KindOf(layout.Child("BitBtn1")))),
      fltFileName(new runtime::FileListBox(this, ListSettingsOf(layout.Child("fltFileName"), kFileListId),
                                           layout.Child("fltFileName").Text("Mask").View(),
                                           layout.Child("fltFileName").Text("MultiSelect").View() == "True")),
      dltDirectoryName(
          new runtime::DirectoryListBox(this, ListSettingsOf(layout.Child("dltDirectoryName"), kDirectoryListId),
                                        fltFileName)),
      dcbDriveName(new runtime::DriveComboBox(this, ListSettingsOf(layout.Child("dcbDriveName"), kDriveBoxId))),
      BitBtn2(new runtime::BitBtn(*this, BoundsOf(layout.Child("BitBtn2")), KindOf(layout.Child("BitBtn2")))) {
  if (const runtime::LongString* caption = layout.Child("BitBtn2").Find("Caption")) BitBtn2->SetCaption(*caption);
  dcbDriveName->SetDirectoryList(dltDirectoryName);
  dltDirectoryName->onChange = [this] { dltDirectoryNameChange(dltDirectoryName); };
  dcbDriveName->onChange = [this] { dcbDriveNameChange(dcbDriveName); };
  dcbDriveName->SetUp();
}

void TfrmSelect::dcbDriveNameChange(runtime::Component*) { fltFileName->SetItemIndex(0); }

void TfrmSelect::dltDirectoryNameChange(runtime::Component*) {
  fltFileName->SetDirectory(dltDirectoryName->Directory().View());
  fltFileName->SetItemIndex(0);
}
