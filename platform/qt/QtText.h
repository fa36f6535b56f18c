#pragma once

#include <QString>
#include <string_view>

#include "platform/CodePage.h"

namespace vexmora::platform {

// A GBK text of the core as Qt's text.
inline QString ToQString(std::string_view gbk) {
    return QString::fromStdString(GbkToUtf8(gbk));
}

// Qt's text as a GBK text of the core ("?" for characters GBK lacks).
inline std::string FromQString(const QString& text) {
    return Utf8ToGbkBytes(text.toStdString());
}

} // namespace vexmora::platform
