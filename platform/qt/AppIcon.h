#pragma once

#include <QIcon>

namespace vexmora::platform {

// The program's icon, a small Earth disk, in every size it is drawn in. It is also the tray
// icon.
QIcon AppIcon();

} // namespace vexmora::platform
