// The package a run's session opens: a real .msi, a folder of .idt tables, or none (an
// empty package). It is laid on a drive of its own outside the machine folder, so that
// nothing of it is written into the machine.
#pragma once

#include <string>

namespace bench {

const char kPackageDrive = 'Z';

// Lays the package drive over scratchFolder; after the machine is loaded.
void MapPackageDrive(const std::string& scratchFolder);
// Makes package number `slot` in its own folder of the package drive and returns its
// Windows path ("Z:\1\package.msi"); a BenchError says why it cannot be used.
std::string PreparePackage(const std::string& given, const std::string& scratchFolder, int slot);

}  // namespace bench
