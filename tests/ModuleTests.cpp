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
