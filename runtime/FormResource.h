// A form's layout as stored in the module: a tree of objects, each with a
// name, a class, its settings in stored order and its child objects.
//
//   object frmSelect: TfrmSelect
//     ClientWidth = 328
//     Caption = 'text'            (UTF-8 in the resource, ANSI once read)
//     object BitBtn1: TBitBtn
//       Kind = bkOK
//     end
//   end
#pragma once
#include <windows.h>

#include <string_view>
#include <utility>
#include <vector>

#include "LongString.h"

namespace runtime {

struct FormObject {
  LongString name;
  LongString className;
  std::vector<std::pair<LongString, LongString>> settings;  // quoted texts without their quotes
  std::vector<FormObject> children;

  // The setting's value, or null when it is not stored.
  const LongString* Find(std::string_view setting) const;
  // The setting as a whole number, or fallback when it is not stored.
  int Integer(std::string_view setting, int fallback) const;
  LongString Text(std::string_view setting) const;
  // The child object of that name; throws when there is none.
  const FormObject& Child(std::string_view childName) const;
};

// Throws runtime::Exception naming the line when the text is malformed.
FormObject ParseFormResource(std::string_view text);
// Reads the RCDATA resource of that name from the module.
FormObject LoadFormResource(HINSTANCE module, const char* resourceName);

}  // namespace runtime
