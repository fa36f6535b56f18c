#pragma once

#include <optional>
#include <string_view>

#include "net/Text.h"

// Reading and editing the text of a profile (INI) file the way the Windows profile functions
// treat it: "[section]" header lines and "key=value" lines, GBK bytes, section names and keys
// matched with ASCII letter case folded. An edit changes or adds exactly one line and leaves
// every other line and section as it was.
namespace vexmora {

// The value of `key` in the first section named `section`: the text after the first "=",
// without surrounding white space, without one pair of matching quotes around it, up to a NUL.
// Nothing when the section or the key is missing, or the key's line has no "=".
std::optional<Text> ReadProfileString(std::string_view content, std::string_view section,
                                      std::string_view key);

// The content with "key=value" in the first section named `section`: the key's line is
// replaced, or a line is added after the section's last line that is not blank, or the section
// is added at the end. The value ends at its first line break, so it can never add lines of its
// own. New lines take the line ending the content already uses (CR LF for a new file).
Text WriteProfileString(std::string_view content, std::string_view section, std::string_view key,
                        std::string_view value);

} // namespace vexmora
