#pragma once

#include <string_view>

#include "net/Text.h"

// Cookie text carried from request to request: "name=value" pieces separated by "; ". Only
// names and values are kept; attributes (path, domain, expiry) are dropped.
namespace vexmora {

// The name=value parts of the raw response block's "Set-Cookie: " lines (name exactly in this
// case, a space after the colon), in the order of the lines, joined with "; ".
Text CollectSetCookies(std::string_view rawHeaders);

// Merges the cookies a response set into the cookies sent with it. Both arguments lose their
// spaces. The new pieces come first; old pieces whose name was not set again follow; a piece
// whose value is "deleted" disappears with its old value. The result is also stored into
// `oldCookies`.
Text MergeCookies(Text& oldCookies, Text& newCookies);

// The text before the first '=', trimmed; the whole piece trimmed when it has no '='.
Text CookieName(std::string_view piece);

// The pieces between separators without exact repeats, first one kept, joined with the
// separator. With an empty separator the pieces are the text's characters (CR LF counts as one).
Text RemoveDuplicates(std::string_view text, std::string_view separator = {});

} // namespace vexmora
