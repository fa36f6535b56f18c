#include "platform/qt/AppIcon.h"

namespace vexmora::platform {

QIcon AppIcon() {
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64, 128, 256}) {
        icon.addFile(QStringLiteral(":/vexmora/vexmora-%1.png").arg(size), QSize(size, size));
    }
    return icon;
}

} // namespace vexmora::platform
