#include "net/TextHelpers.h"

#include <climits>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace vexmora {
namespace {

// "丂" is 81 40 and "丄" is 81 52 in GBK: their second bytes are the ASCII bytes '@' and 'R',
// which a careless byte search would match.

TEST(GbkLiteralTest, ChineseLiteralsAreGbkBytes) {
    EXPECT_EQ(Text("设置"), Text("\xC9\xE8\xD6\xC3"));
    EXPECT_EQ(Text("#引号"), Text("#\xD2\xFD\xBA\xC5"));
    EXPECT_EQ(Text("　"), Text("\xA1\xA1")); // the full-width space
}

struct FindCase {
    std::string_view text;
    std::string_view what;
    int start;
    bool ignoreCase;
    int expected;
};

class FindTextTest : public ::testing::TestWithParam<FindCase> {};

TEST_P(FindTextTest, GivesPosition) {
    const FindCase& c = GetParam();
    EXPECT_EQ(FindText(c.text, c.what, c.start, c.ignoreCase), c.expected)
        << "text '" << c.text << "' what '" << c.what << "' start " << c.start;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FindTextTest,
    ::testing::Values(
        FindCase{"abcb", "b", 1, false, 2}, FindCase{"abcb", "b", 3, false, 4},
        FindCase{"abcb", "b", 4, false, 4}, FindCase{"abcb", "b", 5, false, -1},
        FindCase{"abcb", "b", 99, false, -1}, FindCase{"abcb", "b", 0, false, 2},
        FindCase{"abcb", "b", -7, false, 2}, FindCase{"ab", "", 1, false, 1},
        FindCase{"ab", "", 2, false, 1}, FindCase{"ab", "", 3, false, -1},
        FindCase{"", "", 1, false, -1}, FindCase{"", "a", 1, false, -1},
        FindCase{"xabc", "ABC", 1, true, 2}, FindCase{"xabc", "ABC", 1, false, -1},
        FindCase{"xABC", "abc", 1, true, 2}, FindCase{"abc", "abcd", 1, false, -1},
        // Second byte of a double-byte character never starts a match.
        FindCase{"\x81\x40", "@", 1, false, -1}, FindCase{"\x81\x40@", "@", 1, false, 3},
        FindCase{"\x81\x52r", "r", 1, true, 3}, FindCase{"\x81\x52", "R", 1, false, -1},
        // A start inside a character searches from the next character.
        FindCase{"\x81\x40@", "@", 2, false, 3}, FindCase{"啊设置", "设置", 2, false, 3},
        FindCase{"啊设置设置", "设置", 4, false, 7},
        FindCase{"a\x81\x40\x81\x40@", "@", 5, false, 6},
        // Chinese text: "设置" found after a Chinese prefix.
        FindCase{"啊设置", "设置", 1, false, 3},
        // "\xE8\xD6" is the middle of "设置": no match across characters.
        FindCase{"设置", "\xE8\xD6", 1, false, -1},
        // ignoreCase does not fold the second byte of a character: 81 52 is
        // not 81 72.
        FindCase{"\x81\x72", "\x81R", 1, true, -1},
        FindCase{"a\x81\x52", "A\x81\x52", 1, true, 1}));

TEST(FindTextLastTest, FindsLastOccurrenceOnCharacterBoundaries) {
    EXPECT_EQ(FindTextLast("abcb", "b"), 4);
    EXPECT_EQ(FindTextLast("abcb", "x"), -1);
    EXPECT_EQ(FindTextLast("", "x"), -1);
    EXPECT_EQ(FindTextLast("a@\x81\x40", "@"), 2);
    EXPECT_EQ(FindTextLast("aXbx", "x", true), 4);
    EXPECT_EQ(FindTextLast("设置设置", "设置"), 5);
}

struct ReplaceCase {
    std::string_view text;
    std::string_view what;
    std::string_view with;
    int start;
    std::optional<int> count;
    bool caseSensitive;
    std::string_view expected;
};

class ReplaceTextTest : public ::testing::TestWithParam<ReplaceCase> {};

TEST_P(ReplaceTextTest, Replaces) {
    const ReplaceCase& c = GetParam();
    EXPECT_EQ(ReplaceText(c.text, c.what, c.with, c.start, c.count, c.caseSensitive), c.expected)
        << "text '" << c.text << "' what '" << c.what << "'";
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ReplaceTextTest,
    ::testing::Values(ReplaceCase{"a-b-c", "-", "/", 1, std::nullopt, true, "a/b/c"},
                      ReplaceCase{"a-b-c", "-", "/", 1, 1, true, "a/b-c"},
                      ReplaceCase{"a-b-c", "-", "/", 1, 0, true, "a-b-c"},
                      ReplaceCase{"a-b-c", "-", "/", 1, -1, true, "a/b/c"},
                      ReplaceCase{"a-b-c", "-", "/", 3, std::nullopt, true, "a-b/c"},
                      ReplaceCase{"a-b-c", "-", "/", 6, std::nullopt, true, "a-b-c"},
                      ReplaceCase{"a-b-c", "", "/", 1, std::nullopt, true, "a-b-c"},
                      ReplaceCase{"", "-", "/", 1, std::nullopt, true, ""},
                      ReplaceCase{"a-b", "-", "", 1, std::nullopt, true, "ab"},
                      ReplaceCase{"aaaa", "aa", "b", 1, std::nullopt, true, "bb"},
                      ReplaceCase{"aaa", "aa", "b", 1, std::nullopt, true, "ba"},
                      ReplaceCase{"xAx", "a", "b", 1, std::nullopt, true, "xAx"},
                      ReplaceCase{"xAx", "a", "b", 1, std::nullopt, false, "xbx"},
                      // The second byte of "丂" is '@' and stays.
                      ReplaceCase{"\x81\x40@", "@", "!", 1, std::nullopt, true, "\x81\x40!"},
                      ReplaceCase{"年月日/时间戳", "年月日", "20240101", 1, std::nullopt, true,
                                  "20240101/时间戳"}));

TEST(ReplaceTextTest, DefaultsDeleteEveryOccurrenceCaseSensitively) {
    EXPECT_EQ(ReplaceText("a b c", " "), "abc");
    EXPECT_EQ(ReplaceText("Set-Cookie: x", "set-cookie:"), "Set-Cookie: x");
}

struct SplitCase {
    std::string_view text;
    std::string_view separator;
    std::vector<Text> expected;
};

class SplitTextTest : public ::testing::TestWithParam<SplitCase> {};

TEST_P(SplitTextTest, Splits) {
    const SplitCase& c = GetParam();
    EXPECT_EQ(SplitText(c.text, c.separator), c.expected) << "text '" << c.text << "'";
}

INSTANTIATE_TEST_SUITE_P(Cases, SplitTextTest,
                         ::testing::Values(SplitCase{"a;;b;", ";", {"a", "", "b"}},
                                           SplitCase{";a", ";", {"", "a"}}, SplitCase{"", ";", {}},
                                           SplitCase{"abc", ";", {"abc"}},
                                           SplitCase{";", ";", {""}}, SplitCase{"a;b", "", {"a;b"}},
                                           SplitCase{"a\r\nb\r\n\r\n", "\r\n", {"a", "b", ""}},
                                           SplitCase{"a; b; c", "; ", {"a", "b", "c"}},
                                           // The second byte of "丄" is 'R': not a separator.
                                           SplitCase{"x\x81Ry", "R", {"x\x81Ry"}},
                                           SplitCase{"设置,设置", ",", {"设置", "设置"}}));

TEST(SpacesTest, TrimSpacesRemovesAsciiAndFullWidthSpacesAtBothEnds) {
    EXPECT_EQ(TrimSpaces("  a b  "), "a b");
    EXPECT_EQ(TrimSpaces("　设置　"), "设置");
    EXPECT_EQ(TrimSpaces(" 　 x 　 "), "x");
    EXPECT_EQ(TrimSpaces("\tx\t"), "\tx\t");
    EXPECT_EQ(TrimSpaces("\r\nx"), "\r\nx");
    EXPECT_EQ(TrimSpaces("   "), "");
    EXPECT_EQ(TrimSpaces(""), "");
    // "啊" followed by a lone A1: the last two bytes A1 A1 are not a full-width space.
    EXPECT_EQ(TrimSpaces("x\xB0\xA1\xA1"), "x\xB0\xA1\xA1");
}

TEST(SpacesTest, RemoveSpacesRemovesEverySpace) {
    EXPECT_EQ(RemoveSpaces(" a b　c "), "abc");
    EXPECT_EQ(RemoveSpaces("a\tb"), "a\tb");
    EXPECT_EQ(RemoveSpaces("\xB0\xA1\xA1\xA1"), "\xB0\xA1");
    EXPECT_EQ(RemoveSpaces(""), "");
}

TEST(BytePiecesTest, LeftRightMidCountBytes) {
    EXPECT_EQ(TextLeft("abc", 2), "ab");
    EXPECT_EQ(TextLeft("abc", 9), "abc");
    EXPECT_EQ(TextLeft("abc", 0), "");
    EXPECT_EQ(TextLeft("abc", -1), "");
    EXPECT_EQ(TextLeft("设置", 1), "\xC9"); // byte counts may cut a character
    EXPECT_EQ(TextRight("abc", 2), "bc");
    EXPECT_EQ(TextRight("abc", 9), "abc");
    EXPECT_EQ(TextRight("abc", 0), "");
    EXPECT_EQ(TextRight("abc", -3), "");
    EXPECT_EQ(TextMid("abcdef", 2, 3), "bcd");
    EXPECT_EQ(TextMid("abcdef", 5, 9), "ef");
    EXPECT_EQ(TextMid("abcdef", 6, 1), "f");
    EXPECT_EQ(TextMid("abcdef", 7, 1), "");
    EXPECT_EQ(TextMid("abcdef", 0, 2), "");
    EXPECT_EQ(TextMid("abcdef", 2, 0), "");
    EXPECT_EQ(TextMid("abcdef", 2, -1), "");
}

TEST(LetterCaseTest, OnlyAsciiLettersOutsideDoubleByteCharactersChange) {
    EXPECT_EQ(ToUpperAscii("abc-XYZ 1"), "ABC-XYZ 1");
    EXPECT_EQ(ToLowerAscii("abc-XYZ 1"), "abc-xyz 1");
    // 81 72 and 81 52 are two different characters; neither may turn into the other.
    EXPECT_EQ(ToUpperAscii("\x81\x72r"), "\x81\x72R");
    EXPECT_EQ(ToLowerAscii("\x81\x52R"), "\x81\x52r");
    EXPECT_EQ(ToUpperAscii("设置"), "设置");
}

struct IntegerCase {
    std::string_view text;
    int expected;
};

class ToIntegerTest : public ::testing::TestWithParam<IntegerCase> {};

TEST_P(ToIntegerTest, Reads) {
    EXPECT_EQ(ToInteger(GetParam().text), GetParam().expected) << "'" << GetParam().text << "'";
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ToIntegerTest,
    ::testing::Values(IntegerCase{"2", 2}, IntegerCase{" 2", 2}, IntegerCase{"\t\r\n 2", 2},
                      IntegerCase{"2x", 2}, IntegerCase{"abc", 0}, IntegerCase{"", 0},
                      IntegerCase{"-2", -2}, IntegerCase{"+7", 7}, IntegerCase{"- 2", 0},
                      IntegerCase{"8443", 8443}, IntegerCase{"007", 7},
                      // Full-width digits, sign and space ("２", "－３", "　１２").
                      IntegerCase{"２", 2}, IntegerCase{"\xA3\xB2", 2}, IntegerCase{"－３", -3},
                      IntegerCase{"＋４", 4}, IntegerCase{"　１２", 12}, IntegerCase{"1２3", 123},
                      // Full-width letters stop the digits as the ASCII letter would.
                      IntegerCase{"1ａ2", 1},
                      // A tilde or an asterisk from the special pairs stops the digits too.
                      IntegerCase{"1\xA1\xAB"
                                  "2",
                                  1},
                      IntegerCase{"5\xA1\xEE"
                                  "2",
                                  5},
                      // Other Chinese characters stop the digits.
                      IntegerCase{"3设置", 3}, IntegerCase{"设置3", 0},
                      // Out of range clamps instead of wrapping.
                      IntegerCase{"2147483647", INT_MAX}, IntegerCase{"2147483648", INT_MAX},
                      IntegerCase{"-2147483648", INT_MIN}, IntegerCase{"-99999999999", INT_MIN},
                      IntegerCase{"99999999999999999999999", INT_MAX}));

TEST(SmallPrimitivesTest, BlankTextAndBytesToText) {
    EXPECT_EQ(BlankText(3), "   ");
    EXPECT_EQ(BlankText(0), "");
    EXPECT_EQ(BlankText(-1), "");
    EXPECT_EQ(BytesToText(Bytes{'a', 'b', 0, 'c'}), "ab");
    EXPECT_EQ(BytesToText(Bytes{'a', 'b'}), "ab");
    EXPECT_EQ(BytesToText(Bytes{0, 'a'}), "");
    EXPECT_EQ(BytesToText(Bytes{}), "");
    EXPECT_EQ(BytesFromText("ab"), (Bytes{'a', 'b'}));
}

struct BetweenCase {
    std::string_view text;
    std::string_view left;
    std::string_view right;
    int start;
    bool ignoreCase;
    std::string_view expected;
};

class TextBetweenTest : public ::testing::TestWithParam<BetweenCase> {};

TEST_P(TextBetweenTest, Cuts) {
    const BetweenCase& c = GetParam();
    EXPECT_EQ(TextBetween(c.text, c.left, c.right, c.start, c.ignoreCase), c.expected)
        << "text '" << c.text << "' left '" << c.left << "' right '" << c.right << "'";
}

constexpr std::string_view kJson = R"({"code":"12","time":"20240101"})";

INSTANTIATE_TEST_SUITE_P(
    Cases, TextBetweenTest,
    ::testing::Values(BetweenCase{kJson, ":\"", "\"", 1, false, "12"},
                      BetweenCase{kJson, ":#引号", "#引号", 1, false, "12"},
                      BetweenCase{kJson, "#引号time#引号:#引号", "#引号", 1, false, "20240101"},
                      BetweenCase{kJson, "\"nothing\":\"", "\"", 1, false, ""},
                      BetweenCase{"a=[x", "[", "]", 1, false, ""},
                      BetweenCase{"a=[]b", "[", "]", 1, false, ""},
                      BetweenCase{"[1][2]", "[", "]", 3, false, "2"},
                      BetweenCase{"<B>x</b>", "<b>", "</B>", 1, true, "x"},
                      BetweenCase{"<B>x</b>", "<b>", "</B>", 1, false, ""},
                      BetweenCase{"标题：设置。", "：", "。", 1, false, "设置"}));

TEST(TextBeforeTest, GivesTextBeforeMarker) {
    EXPECT_EQ(TextBefore("Set-Cookie: a=1", ": "), "Set-Cookie");
    EXPECT_EQ(TextBefore(": a", ": "), "");
    EXPECT_EQ(TextBefore("abc", "x"), "");
    EXPECT_EQ(TextBefore("a:b:c", ":", 3), "a:b");
    EXPECT_EQ(TextBefore("a:b", ":", -4), "a");
    EXPECT_EQ(TextBefore("aXb", "x", 1, true), "a");
}

TEST(ReplaceManyTest, AppliesPairsInOrder) {
    EXPECT_EQ(ReplaceMany("2024-01-02 03:04:05", {}, {}, {}, "-", "/", " ", "/", ":", ""),
              "2024/01/02/030405");
    EXPECT_EQ(ReplaceMany("2024-01-02", 1, {}, {}, "-", "/"), "2024/01-02");
    EXPECT_EQ(ReplaceMany("2024-01-02", {}, {}, {}, "-", "/"), "2024/01/02");
    // The count limits each pair on its own.
    EXPECT_EQ(ReplaceMany("a-b-c d e", 1, {}, {}, "-", "+", " ", "_"), "a+b-c_d e");
    EXPECT_EQ(ReplaceMany("a-b", 0, {}, {}, "-", "+"), "a-b");
    // Without caseSensitive letters match in any case; with it only exactly.
    EXPECT_EQ(ReplaceMany("aAa", {}, {}, {}, "a", "b"), "bbb");
    EXPECT_EQ(ReplaceMany("aAa", {}, {}, true, "a", "b"), "bAb");
    EXPECT_EQ(ReplaceMany("a-b-c", {}, 0, {}, "-", "+"), "a+b+c");
    EXPECT_EQ(ReplaceMany("a-b-c", {}, 3, {}, "-", "+"), "a-b+c");
    EXPECT_EQ(ReplaceMany("https://x/年月日/时间戳.png", {}, {}, {}, "年月日", "20240102", "时间戳",
                          "20240102030405"),
              "https://x/20240102/20240102030405.png");
}

TEST(Utf8ToGbkTest, ConvertsChineseText) {
    // "设置" in UTF-8 is six bytes; in GBK four.
    const Bytes utf8{0xE8, 0xAE, 0xBE, 0xE7, 0xBD, 0xAE};
    EXPECT_EQ(Utf8ToGbk(utf8), "设置");
    EXPECT_EQ(Utf8ToGbk(std::string_view("abc")), "abc");
    EXPECT_EQ(Utf8ToGbk(Bytes{}), "");
}

TEST(Utf8ToGbkTest, MalformedAndUnmappableBecomeQuestionMarks) {
    // A lone continuation byte and a truncated sequence.
    EXPECT_EQ(Utf8ToGbk(std::string_view("a\x80z")), "a?z");
    EXPECT_EQ(Utf8ToGbk(std::string_view("a\xE8\xAE")), "a?");
    // U+1F600 (an emoji) is not in GBK.
    EXPECT_EQ(Utf8ToGbk(std::string_view("x\xF0\x9F\x98\x80y")), "x?y");
}

TEST(Utf8ToGbkTest, EndsAtFirstNul) {
    const Bytes utf8{'a', 0xE8, 0xAE, 0xBE, 0, 'b'};
    EXPECT_EQ(Utf8ToGbk(utf8), "a\xC9\xE8");
    EXPECT_EQ(Utf8ToGbk(Bytes{0, 'a'}), "");
}

} // namespace
} // namespace vexmora
