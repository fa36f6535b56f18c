#pragma once

#include <string>
#include <string_view>

namespace vexmora::platform {

// UTF-8 to code page 936. Malformed input and characters GBK lacks become "?"; the result
// ends at the first NUL of the input.
std::string Utf8ToGbkBytes(std::string_view utf8);

// Code page 936 to UTF-8, for file names and the window layer. A byte sequence that is not
// GBK becomes U+FFFD.
std::string GbkToUtf8(std::string_view gbk);

} // namespace vexmora::platform
