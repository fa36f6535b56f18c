#include "net/TextHelpers.h"

#include <climits>
#include <cstddef>

#include "platform/CodePage.h"

namespace vexmora {
namespace {

constexpr std::string_view kFullWidthSpace = "\xA1\xA1";

// Length of the character that starts at `i`: 2 for a lead byte (1 when the text ends there).
std::size_t CharLength(std::string_view text, std::size_t i) {
    return IsLeadByte(text[i]) && i + 1 < text.size() ? 2 : 1;
}

char FoldAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// Whether `what` occurs at byte `i` of `text`. With `ignoreCase` only single-byte characters
// of `what` fold; both bytes of a double-byte character must match exactly, so that folding
// never turns one Chinese character into another.
bool MatchesAt(std::string_view text, std::size_t i, std::string_view what, bool ignoreCase) {
    if (what.size() > text.size() - i) {
        return false;
    }
    if (!ignoreCase) {
        return text.compare(i, what.size(), what) == 0;
    }
    for (std::size_t k = 0; k < what.size();) {
        if (IsLeadByte(what[k])) {
            std::size_t n = CharLength(what, k);
            if (text.compare(i + k, n, what.substr(k, n)) != 0) {
                return false;
            }
            k += n;
        } else {
            if (FoldAscii(text[i + k]) != FoldAscii(what[k])) {
                return false;
            }
            ++k;
        }
    }
    return true;
}

// The byte offset where a search from the 1-based `start` begins: on a character boundary at
// or after it. May be text.size() (nothing left to search) or more (start past the end).
std::size_t SearchOffset(std::string_view text, int start) {
    if (start <= 1) {
        return 0;
    }
    auto wanted = static_cast<std::size_t>(start) - 1;
    if (wanted >= text.size()) {
        return wanted;
    }
    // The place after a byte below 0x80 is always a boundary (that byte ends a character,
    // single or double), and the bytes of 0x80 or more that follow it pair up as lead and
    // trail. So the length of that run before `wanted` tells whether `wanted` is inside a
    // character, without walking the text from its beginning.
    std::size_t run = 0;
    while (run < wanted && IsLeadByte(text[wanted - run - 1])) {
        ++run;
    }
    return run % 2 == 0 ? wanted : wanted + 1;
}

// Offset of the first `what` at or after the character boundary `from`, or npos.
std::size_t FindFrom(std::string_view text, std::string_view what, std::size_t from,
                     bool ignoreCase) {
    if (from >= text.size()) {
        return std::string_view::npos;
    }
    if (what.empty()) {
        return 0; // an empty text is found at the start whenever there is text to search
    }
    for (std::size_t i = from; i < text.size(); i += CharLength(text, i)) {
        if (MatchesAt(text, i, what, ignoreCase)) {
            return i;
        }
    }
    return std::string_view::npos;
}

int ToPosition(std::size_t offset) {
    return offset == std::string_view::npos ? -1 : static_cast<int>(offset) + 1;
}

bool IsAsciiSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// The ASCII character a full-width form stands for, or 0 when the pair is none of them.
char AsciiOfFullWidth(unsigned char lead, unsigned char trail) {
    if (lead == 0xA3 && trail >= 0xA1 && trail <= 0xFE) {
        return static_cast<char>(trail - 0x80);
    }
    if (lead == 0xA1) {
        switch (trail) {
        case 0xA1:
            return ' ';
        case 0xAB:
            return '~';
        case 0xEE:
        case 0xEF:
            return '*';
        default:
            break;
        }
    }
    return 0;
}

// A text holds no NUL: everything from the first one on is dropped.
void CutAtNul(Text& text) {
    if (auto at = text.find('\0'); at != Text::npos) {
        text.resize(at);
    }
}

} // namespace

int FindText(std::string_view text, std::string_view what, int start, bool ignoreCase) {
    return ToPosition(FindFrom(text, what, SearchOffset(text, start), ignoreCase));
}

int FindTextLast(std::string_view text, std::string_view what, bool ignoreCase) {
    if (text.empty()) {
        return -1;
    }
    std::size_t last = std::string_view::npos;
    for (std::size_t i = 0; i < text.size(); i += CharLength(text, i)) {
        if (MatchesAt(text, i, what, ignoreCase)) {
            last = i;
        }
    }
    return ToPosition(last);
}

Text ReplaceText(std::string_view text, std::string_view what, std::string_view with, int start,
                 std::optional<int> count, bool caseSensitive) {
    std::size_t from = SearchOffset(text, start);
    if (text.empty() || what.empty() || from >= text.size() || (count && *count == 0)) {
        return Text(text);
    }
    bool limited = count && *count > 0;
    int left = limited ? *count : 0;
    Text result(text.substr(0, from));
    result.reserve(text.size());
    std::size_t i = from;
    while (i < text.size()) {
        if ((!limited || left > 0) && MatchesAt(text, i, what, !caseSensitive)) {
            result.append(with);
            i += what.size();
            --left;
            continue;
        }
        std::size_t n = CharLength(text, i);
        result.append(text.substr(i, n));
        i += n;
    }
    return result;
}

std::vector<Text> SplitText(std::string_view text, std::string_view separator) {
    std::vector<Text> pieces;
    if (text.empty()) {
        return pieces;
    }
    if (separator.empty()) {
        pieces.emplace_back(text);
        return pieces;
    }
    std::size_t pieceStart = 0;
    std::size_t i = 0;
    while (i < text.size()) {
        if (MatchesAt(text, i, separator, false)) {
            pieces.emplace_back(text.substr(pieceStart, i - pieceStart));
            i += separator.size();
            pieceStart = i;
        } else {
            i += CharLength(text, i);
        }
    }
    if (pieceStart < text.size()) {
        pieces.emplace_back(text.substr(pieceStart));
    }
    return pieces;
}

bool StartsWithSpace(std::string_view text) {
    return !text.empty() && (text[0] == ' ' || text.starts_with(kFullWidthSpace));
}

Text TrimSpaces(std::string_view text) {
    // Walk by characters so that a trailing 0xA1 0xA1 that straddles two characters is not
    // taken for a full-width space.
    std::size_t first = std::string_view::npos;
    std::size_t end = 0;
    for (std::size_t i = 0; i < text.size();) {
        std::size_t n = CharLength(text, i);
        if (!StartsWithSpace(text.substr(i, n))) {
            if (first == std::string_view::npos) {
                first = i;
            }
            end = i + n;
        }
        i += n;
    }
    if (first == std::string_view::npos) {
        return {};
    }
    return Text(text.substr(first, end - first));
}

Text RemoveSpaces(std::string_view text) {
    Text result;
    result.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        std::size_t n = CharLength(text, i);
        std::string_view c = text.substr(i, n);
        if (!StartsWithSpace(c)) {
            result.append(c);
        }
        i += n;
    }
    return result;
}

Text TextLeft(std::string_view text, int n) {
    if (n <= 0) {
        return {};
    }
    return Text(text.substr(0, static_cast<std::size_t>(n)));
}

Text TextRight(std::string_view text, int n) {
    if (n <= 0) {
        return {};
    }
    auto count = static_cast<std::size_t>(n);
    if (count >= text.size()) {
        return Text(text);
    }
    return Text(text.substr(text.size() - count));
}

Text TextMid(std::string_view text, int start, int n) {
    if (start < 1 || n <= 0 || static_cast<std::size_t>(start) > text.size()) {
        return {};
    }
    return Text(text.substr(static_cast<std::size_t>(start) - 1, static_cast<std::size_t>(n)));
}

namespace {

template <typename Change> Text ChangeAsciiLetters(std::string_view text, Change change) {
    Text result(text);
    for (std::size_t i = 0; i < result.size();) {
        std::size_t n = CharLength(result, i);
        if (n == 1 && !IsLeadByte(result[i])) {
            result[i] = change(result[i]);
        }
        i += n;
    }
    return result;
}

} // namespace

Text ToUpperAscii(std::string_view text) {
    return ChangeAsciiLetters(
        text, [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; });
}

Text ToLowerAscii(std::string_view text) {
    return ChangeAsciiLetters(text, FoldAscii);
}

int ToInteger(std::string_view text) {
    Text ascii;
    ascii.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        std::size_t n = CharLength(text, i);
        char plain = n == 2 ? AsciiOfFullWidth(static_cast<unsigned char>(text[i]),
                                               static_cast<unsigned char>(text[i + 1]))
                            : 0;
        if (plain != 0) {
            ascii.push_back(plain);
        } else {
            ascii.append(text.substr(i, n));
        }
        i += n;
    }
    std::size_t i = 0;
    while (i < ascii.size() && IsAsciiSpace(ascii[i])) {
        ++i;
    }
    bool negative = false;
    if (i < ascii.size() && (ascii[i] == '+' || ascii[i] == '-')) {
        negative = ascii[i] == '-';
        ++i;
    }
    // Accumulate as a negative number so that INT_MIN itself fits; clamp on overflow.
    long long value = 0;
    for (; i < ascii.size() && ascii[i] >= '0' && ascii[i] <= '9'; ++i) {
        value = value * 10 - (ascii[i] - '0');
        if (value < -static_cast<long long>(INT_MAX) - 1) {
            return negative ? INT_MIN : INT_MAX;
        }
    }
    if (negative) {
        return static_cast<int>(value);
    }
    return value < -static_cast<long long>(INT_MAX) ? INT_MAX : static_cast<int>(-value);
}

Text BlankText(int n) {
    return n <= 0 ? Text() : Text(static_cast<std::size_t>(n), ' ');
}

Text BytesToText(const Bytes& bytes) {
    Text text(bytes.begin(), bytes.end());
    CutAtNul(text);
    return text;
}

Text TextBetween(std::string_view text, std::string_view left, std::string_view right, int start,
                 bool ignoreCase) {
    const Text leftMarker = ReplaceText(left, "#引号", "\"");
    const Text rightMarker = ReplaceText(right, "#引号", "\"");
    int leftAt = FindText(text, leftMarker, start, ignoreCase);
    if (leftAt == -1) {
        return {};
    }
    int valueAt = leftAt + static_cast<int>(leftMarker.size());
    int rightAt = FindText(text, rightMarker, valueAt, ignoreCase);
    if (rightAt == -1 || rightAt <= valueAt) {
        return {};
    }
    return Text(text.substr(static_cast<std::size_t>(valueAt) - 1,
                            static_cast<std::size_t>(rightAt - valueAt)));
}

Text TextBefore(std::string_view text, std::string_view marker, int start, bool ignoreCase) {
    int at = FindText(text, marker, start < 1 ? 1 : start, ignoreCase);
    if (at <= 1) {
        return {};
    }
    return Text(text.substr(0, static_cast<std::size_t>(at) - 1));
}

Text ReplaceMany(std::string_view text, std::optional<int> count, std::optional<int> start,
                 std::optional<bool> caseSensitive, std::string_view search1,
                 std::string_view replace1, std::string_view search2, std::string_view replace2,
                 std::string_view search3, std::string_view replace3, std::string_view search4,
                 std::string_view replace4, std::string_view search5, std::string_view replace5) {
    const int from = start.value_or(0) == 0 ? 1 : *start;
    const bool exactCase = caseSensitive.value_or(false);
    const std::string_view pairs[5][2] = {{search1, replace1},
                                          {search2, replace2},
                                          {search3, replace3},
                                          {search4, replace4},
                                          {search5, replace5}};
    Text result(text);
    for (const auto& pair : pairs) {
        result = ReplaceText(result, pair[0], pair[1], from, count, exactCase);
    }
    return result;
}

Text Utf8ToGbk(std::string_view utf8) {
    utf8 = utf8.substr(0, utf8.find('\0'));
    if (utf8.empty()) {
        return {};
    }
    Text gbk = platform::Utf8ToGbkBytes(utf8);
    // A text never holds a NUL, whatever the converter gives back.
    CutAtNul(gbk);
    return gbk;
}

Text Utf8ToGbk(const Bytes& utf8) {
    return Utf8ToGbk(std::string_view(reinterpret_cast<const char*>(utf8.data()), utf8.size()));
}

} // namespace vexmora
