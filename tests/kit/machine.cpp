#include "kit.h"

namespace kit {

MachineTest::MachineTest() {
#ifndef _WIN32
  winsim::Reset();
#endif
}

void MachineTest::TearDown() {
#ifndef _WIN32
  EXPECT_EQ(winsim::OpenRegistryHandles(), 0u) << "a registry key was left open";
  EXPECT_EQ(winsim::OpenFileHandles(), 0u) << "a file was left open";
  EXPECT_EQ(winsim::OpenInstallerHandles(), 0u) << "an installer handle was left open";
#endif
}

}  // namespace kit
