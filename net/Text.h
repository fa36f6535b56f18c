#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vexmora {

// A text of the system: GBK (code page 936) bytes, no NUL. Lengths and positions are in bytes.
using Text = std::string;

// Raw bytes: a response body, an encoded image, a file's content.
using Bytes = std::vector<std::uint8_t>;

inline Bytes BytesFromText(std::string_view text) { return Bytes(text.begin(), text.end()); }

inline Text TextFromBytes(const Bytes& bytes) { return Text(bytes.begin(), bytes.end()); }

} // namespace vexmora
