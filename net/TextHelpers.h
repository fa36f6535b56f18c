#pragma once

#include <optional>
#include <string_view>
#include <vector>

#include "net/Text.h"

// The text operations every parser of the program rests on. A text is GBK: a byte of 0x80 or
// more starts a double-byte character and takes the next byte with it. Lengths and positions
// are bytes; positions are 1-based and -1 means "not found". Searches step over whole
// characters, so a match never starts on the second byte of a double-byte character. Letter
// case folds ASCII letters only, and only outside double-byte characters. "Spaces" are the
// ASCII space and the full-width space (0xA1 0xA1); tab, CR and LF are not spaces.
namespace vexmora {

// True when the byte starts a double-byte character.
inline bool IsLeadByte(char byte) {
    return static_cast<unsigned char>(byte) >= 0x80;
}

// Position of the first `what` that begins at or after `start`, or -1. A `start` of 1 or
// less searches from the beginning; a `start` inside a double-byte character searches from
// the next character. An empty `what` is found at the first position searched, unless
// nothing is left to search.
int FindText(std::string_view text, std::string_view what, int start = 1, bool ignoreCase = false);

// Position of the last `what` in the whole text, or -1.
int FindTextLast(std::string_view text, std::string_view what, bool ignoreCase = false);

// Replaces `what` by `with` from `start` on, left to right without overlap, at most `count`
// times (every occurrence when `count` is left out or negative). Bytes before `start` are kept
// as they are. Unchanged when the text or `what` is empty, `start` lies past the end, or
// `count` is 0.
Text ReplaceText(std::string_view text, std::string_view what, std::string_view with = {},
                 int start = 1, std::optional<int> count = std::nullopt, bool caseSensitive = true);

// The pieces between separators. The empty text gives no piece; empty pieces are kept, except
// that a trailing separator adds none. An empty separator gives the whole text as one piece.
std::vector<Text> SplitText(std::string_view text, std::string_view separator);

// True for the ASCII space and the full-width space at the start of `text`.
bool StartsWithSpace(std::string_view text);

Text TrimSpaces(std::string_view text);
Text RemoveSpaces(std::string_view text);

// Byte counts: these may cut through a double-byte character.
Text TextLeft(std::string_view text, int n);
Text TextRight(std::string_view text, int n);
// `n` bytes from the 1-based `start`; empty when `start` is below 1 or past the end, or n <= 0.
Text TextMid(std::string_view text, int start, int n);

Text ToUpperAscii(std::string_view text);
Text ToLowerAscii(std::string_view text);

// Full-width ASCII forms and the full-width space become ASCII first; then, as atoi: leading
// white space, an optional sign, decimal digits up to the first other character. 0 when there
// are no digits; a value out of range is clamped to the int range.
int ToInteger(std::string_view text);

// n ASCII spaces (none when n <= 0).
Text BlankText(int n);

// The bytes up to the first NUL, or all of them when there is none. (Text to bytes is
// BytesFromText of net/Text.h.)
Text BytesToText(const Bytes& bytes);

// The text between the first `left` at or after `start` and the next `right` after it; empty
// when either is missing. "#引号" in a marker stands for a double quote.
Text TextBetween(std::string_view text, std::string_view left, std::string_view right,
                 int start = 1, bool ignoreCase = false);

// The text before the first `marker` at or after `start` (below 1 counts as 1); empty when the
// marker is missing or at position 1.
Text TextBefore(std::string_view text, std::string_view marker, int start = 1,
                bool ignoreCase = false);

// Up to five search-and-replace pairs applied in order with ReplaceText. A left-out `count`
// replaces every occurrence (a given one limits each pair on its own); a left-out or 0 `start`
// is 1; a left-out `caseSensitive` is false. A left-out pair changes nothing.
Text ReplaceMany(std::string_view text, std::optional<int> count, std::optional<int> start,
                 std::optional<bool> caseSensitive, std::string_view search1,
                 std::string_view replace1, std::string_view search2 = {},
                 std::string_view replace2 = {}, std::string_view search3 = {},
                 std::string_view replace3 = {}, std::string_view search4 = {},
                 std::string_view replace4 = {}, std::string_view search5 = {},
                 std::string_view replace5 = {});

// UTF-8 bytes to GBK text. Malformed input and characters GBK lacks become "?"; the result
// ends where the input has its first NUL.
Text Utf8ToGbk(const Bytes& utf8);
Text Utf8ToGbk(std::string_view utf8);

} // namespace vexmora
