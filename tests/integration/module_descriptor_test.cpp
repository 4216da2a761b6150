#include <gtest/gtest.h>

#include "module_file.h"
#include "pipl_bytes.h"

namespace plenorium::test {
namespace {

TEST(ModuleDescriptor, TheBuiltModuleCarriesExactlyTheGeneratedBytes) {
  EXPECT_EQ(host::readDescriptorBytes(PLENORIUM_MODULE_PATH), buildPiplBytes());
}

}  // namespace
}  // namespace plenorium::test
