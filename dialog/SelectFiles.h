// The file selection dialog: a drive box, a directory list and a
// multi-selection list of image files, with OK and Cancel. Its layout and
// settings are the module's resource TFRMSELECT.
#pragma once
#include "BitBtn.h"
#include "FileControls.h"
#include "Form.h"
#include "FormResource.h"

class TfrmSelect : public runtime::Form {
 public:
  explicit TfrmSelect(runtime::Component* owner);

  runtime::BitBtn* BitBtn1;
  runtime::FileListBox* fltFileName;
  runtime::DirectoryListBox* dltDirectoryName;
  runtime::DriveComboBox* dcbDriveName;
  runtime::BitBtn* BitBtn2;

  void dcbDriveNameChange(runtime::Component* sender);
  void dltDirectoryNameChange(runtime::Component* sender);

 private:
  TfrmSelect(runtime::Component* owner, const runtime::FormObject& layout);
};

// The dialog of the current run.
extern TfrmSelect* frmSelect;
