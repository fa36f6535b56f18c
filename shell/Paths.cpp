#include "shell/Paths.h"

#include "platform/FileSystem.h"

namespace vexmora {

Text RunDirectory() {
    return platform::ExecutableDirectory();
}

Text DataFolder() {
    return DataFolder(RunDirectory());
}

Text DataFolder(const Text& runDirectory) {
    return runDirectory + "/data/";
}

Text SettingsFile() {
    return SettingsFile(RunDirectory());
}

Text SettingsFile(const Text& runDirectory) {
    return DataFolder(runDirectory) + "vxmr.ini";
}

bool EnsureDataFolder(const Text& runDirectory) {
    Text folder = DataFolder(runDirectory);
    if (platform::IsDirectory(folder)) {
        return true;
    }
    return platform::MakeDirectories(folder);
}

} // namespace vexmora
