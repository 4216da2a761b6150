#include "frame_folder.h"

#include <gtest/gtest.h>

namespace plenorium {
namespace {

TEST(FrameFolder, IsResourcesBesideTheModuleWhateverTheModuleIsCalled) {
  EXPECT_EQ(frameFolderFor("/opt/fx/Plenorium.aex", '/'), "/opt/fx/Resources/");
  EXPECT_EQ(frameFolderFor("/opt/fx/plenorium-1.0.so", '/'), "/opt/fx/Resources/");
  EXPECT_EQ(frameFolderFor("C:\\Plug-ins\\Walls\\Plenorium.aex", '\\'), "C:\\Plug-ins\\Walls\\Resources\\");
  EXPECT_EQ(frameFolderFor("C:\\Plug-ins\\P.aex", '\\'), "C:\\Plug-ins\\Resources\\");
}

TEST(FrameFolder, AModuleWithoutAFolderLooksInTheWorkingFolder) {
  EXPECT_EQ(frameFolderFor("Plenorium.aex", '/'), "Resources/");
  EXPECT_EQ(frameFolderFor("", '/'), "Resources/");
}

}  // namespace
}  // namespace plenorium
