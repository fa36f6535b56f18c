#include "acquire/TextsBetween.h"

#include "net/TextHelpers.h"

namespace vexmora {

int TextsBetween(std::string_view text, std::string_view left, std::string_view right,
                 std::vector<Text>& list, bool ignoreCase, int maxLength, std::string_view prefix,
                 std::string_view suffix, bool keepLeft, bool keepRight, int start) {
    list.clear();
    if (left.empty()) {
        // An empty left marker would be found at every position and never move the search on.
        return 0;
    }
    int position = start < 1 ? 1 : start;
    while (true) {
        int found = FindText(text, left, position, ignoreCase);
        if (found < 0) {
            break;
        }
        position = found + static_cast<int>(left.size());
        int end = FindText(text, right, position, ignoreCase);
        if (end < 0) {
            break;
        }
        Text entry(prefix);
        if (keepLeft) {
            entry.append(left);
        }
        entry.append(
            text.substr(static_cast<size_t>(position - 1), static_cast<size_t>(end - position)));
        if (keepRight) {
            entry.append(right);
        }
        entry.append(suffix);
        if (maxLength <= 0 || static_cast<int>(entry.size()) < maxLength) {
            list.push_back(std::move(entry));
        }
    }
    return static_cast<int>(list.size());
}

} // namespace vexmora
