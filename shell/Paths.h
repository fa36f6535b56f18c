#pragma once

#include "net/Text.h"

// Where the program keeps its files: everything beside the executable, never in the working
// folder. Paths are GBK with '/' separators; the file system layer turns them into its names.
namespace vexmora {

// The folder of the running executable, without a trailing '/'.
Text RunDirectory();

// RunDirectory + "/data/" (exactly one trailing '/').
Text DataFolder();
Text DataFolder(const Text& runDirectory);

// RunDirectory + "/data/vxmr.ini".
Text SettingsFile();
Text SettingsFile(const Text& runDirectory);

// Makes sure the data folder exists, with any missing parent. True when it exists afterwards;
// start-up goes on either way (later writes into a missing folder just fail).
bool EnsureDataFolder(const Text& runDirectory);

} // namespace vexmora
