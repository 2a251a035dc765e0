// The module as a host sees it: loading, the title, a run, unloading.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>

#include "PluginHost.h"
#include "borlndmm_diagnostics.h"

namespace {

TEST(Module, TitleIsAConstantLongStringInReadOnlyStorage) {
  host::Plugin plugin("Zorvane.plg");
  const char* title = plugin.Title();
  EXPECT_EQ(title, plugin.Title());
  EXPECT_EQ(std::memcmp(title, "\xbf\xde\xd9\xb3\xde\xaa\xb2\xdd", 9), 0);
  EXPECT_EQ(reinterpret_cast<const int32_t*>(title)[-1], 8);
  EXPECT_EQ(reinterpret_cast<const int32_t*>(title)[-2], -1);
  MEMORY_BASIC_INFORMATION memory;
  ASSERT_NE(VirtualQuery(title, &memory, sizeof memory), 0u);
  EXPECT_EQ(memory.AllocationBase, plugin.Module());
  EXPECT_EQ(memory.Protect & (PAGE_READWRITE | PAGE_WRITECOPY | PAGE_EXECUTE_READWRITE), 0u);
}

}  // namespace

#include "FormResource.h"

namespace {

// What the module stores for its dialog, read back from the built module.
TEST(Module, StoresTheDialogLayoutAsResourceTFRMSELECT) {
  host::Plugin plugin("Zorvane.plg");
  const runtime::FormObject form = runtime::LoadFormResource(plugin.Module(), "TFRMSELECT");
  EXPECT_TRUE(form.name.View() == "frmSelect" && form.className.View() == "TfrmSelect");
  EXPECT_TRUE(form.Text("Caption").View() == plugin.Title());
  EXPECT_EQ(form.Integer("ClientWidth", 0), 328);
  EXPECT_EQ(form.Integer("ClientHeight", 0), 255);
  EXPECT_TRUE(form.Text("Font.Name").View() == "\x82\x6c\x82\x72\x20\x82\x6f\x83\x53\x83\x56\x83\x62\x83\x4e");
  struct Expected {
    const char* name;
    const char* className;
    int left, top, width, height, tabOrder;
  };
  const Expected components[] = {
      {"BitBtn1", "TBitBtn", 147, 216, 81, 33, 0},
      {"fltFileName", "TFileListBox", 171, 9, 153, 204, 1},
      {"dltDirectoryName", "TDirectoryListBox", 8, 35, 153, 178, 2},
      {"dcbDriveName", "TDriveComboBox", 8, 9, 154, 19, 3},
      {"BitBtn2", "TBitBtn", 243, 216, 81, 33, 4},
  };
  ASSERT_EQ(form.children.size(), 5u);
  for (std::size_t i = 0; i < 5; ++i) {
    const runtime::FormObject& child = form.children[i];
    const Expected& expected = components[i];
    SCOPED_TRACE(expected.name);
    EXPECT_EQ(child.name.View(), expected.name);
    EXPECT_EQ(child.className.View(), expected.className);
    EXPECT_EQ(child.Integer("Left", -1), expected.left);
    EXPECT_EQ(child.Integer("Top", -1), expected.top);
    EXPECT_EQ(child.Integer("Width", -1), expected.width);
    EXPECT_EQ(child.Integer("Height", -1), expected.height);
    EXPECT_EQ(child.Integer("TabOrder", -1), expected.tabOrder);
  }
  EXPECT_EQ(form.Child("fltFileName").Text("Mask").View(),
            "*.gif;*.jpg;*.pcx;*.bmp;*.wmf;*.ico;*.scm;*.png;*.cms;*.tif;*.pcd;*.dxf;*.tga;*.eps");
  EXPECT_TRUE(form.Child("dcbDriveName").Text("Font.Name").View() ==
              "\x82\x6c\x82\x72\x20\x83\x53\x83\x56\x83\x62\x83\x4e");
}

}  // namespace
