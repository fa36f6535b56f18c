#pragma once

#include <string_view>

#include "net/Text.h"

// The request header block of one exchange: header lines "Name: value" separated by CR LF,
// with no CR LF after the last line.
namespace vexmora {

// The agent every request carries unless the caller's headers name another.
inline constexpr std::string_view DefaultAgentText =
    "Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)";

// The value of the block's User-Agent line (name in any letter case), trimmed; the default
// agent text when the block has no such line. The value never holds a CR or LF.
Text AgentFromHeaders(std::string_view headers);

// The bytes after the first ':', trimmed of spaces; empty when there is no colon.
Text TextAfterColon(std::string_view text);

// Appends the default lines the block lacks: "Accept: */*", "Referer: " + url,
// "Accept-Language: zh-cn", and for POST (method 1) the form content type. Each name counts as
// present when it occurs anywhere in the block, in any letter case.
Text CompleteRequestHeaders(std::string_view headers, std::string_view url, int method);

// Upper-cases the first letter of every header name and every letter after a '-' in it; the
// rest of each line is kept as it is. Lines without a colon (empty lines too) are dropped.
Text NormalizeHeaderNames(std::string_view headers);

// The text with its first byte upper-cased when that is an ASCII letter.
Text CapitalizeFirst(std::string_view text);

} // namespace vexmora
