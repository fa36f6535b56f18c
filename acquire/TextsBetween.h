#pragma once

#include <string_view>
#include <vector>

#include "net/Text.h"

namespace vexmora {

// Fills `list` (cleared first) with every text that stands between an occurrence of `left` and
// the next `right` after it, in text order, and returns how many. The search for the next
// `left` resumes just behind the previous `left`, not behind its `right`. A `maxLength` above 0
// keeps only entries shorter than it; `prefix` and `suffix` wrap each entry; `keepLeft` and
// `keepRight` keep the markers around it; `start` is a 1-based position (0: the beginning).
int TextsBetween(std::string_view text, std::string_view left, std::string_view right,
                 std::vector<Text>& list, bool ignoreCase = false, int maxLength = 0,
                 std::string_view prefix = {}, std::string_view suffix = {}, bool keepLeft = false,
                 bool keepRight = false, int start = 0);

} // namespace vexmora
