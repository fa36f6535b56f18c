#include "shell/ProfileText.h"

#include <gtest/gtest.h>

namespace vexmora {
namespace {

// The literals of this file are GBK bytes at run time.
TEST(ProfileText, ChineseLiteralsAreGbk) {
    EXPECT_EQ(Text("设置"), "\xC9\xE8\xD6\xC3");
}

struct ReadCase {
    const char* name;
    std::string content;
    std::string section;
    std::string key;
    std::optional<Text> expected;
};

class ProfileRead : public testing::TestWithParam<ReadCase> {};

TEST_P(ProfileRead, FindsTheValueAsTheProfileFunctionsDo) {
    const ReadCase& c = GetParam();
    EXPECT_EQ(ReadProfileString(c.content, c.section, c.key), c.expected);
}

// "\xB0\x41" and "\xB0\x61" are two different GBK characters whose second bytes are the ASCII
// letters A and a; "\xB0\x5D" is a character whose second byte is "]".
INSTANTIATE_TEST_SUITE_P(
    Cases, ProfileRead,
    testing::Values(
        ReadCase{"Plain", "[设置]\r\n设置壁纸=真\r\n", "设置", "设置壁纸", "真"},
        ReadCase{"LfOnly", "[设置]\n图片大小=2\n", "设置", "图片大小", "2"},
        ReadCase{"NoFinalLineBreak", "[设置]\r\n图片大小=3", "设置", "图片大小", "3"},
        ReadCase{"BlanksTrimmed", "  [设置]\r\n \t图片大小 =  2 \t\r\n", "设置", "图片大小", "2"},
        ReadCase{"QuotesStripped", "[设置]\r\n刷新间隔=\" 2\"\r\n", "设置", "刷新间隔", " 2"},
        ReadCase{"SingleQuotesStripped", "[设置]\r\nk='v'\r\n", "设置", "k", "v"},
        ReadCase{"UnmatchedQuoteKept", "[设置]\r\nk=\"v\r\n", "设置", "k", "\"v"},
        ReadCase{"FirstEqualsSplits", "[设置]\r\nk=a=b\r\n", "设置", "k", "a=b"},
        ReadCase{"EmptyValue", "[设置]\r\nk=\r\n", "设置", "k", ""},
        ReadCase{"KeyWithoutEquals", "[设置]\r\nk\r\n", "设置", "k", std::nullopt},
        ReadCase{"MissingKey", "[设置]\r\nother=1\r\n", "设置", "k", std::nullopt},
        ReadCase{"MissingSection", "[其他]\r\nk=1\r\n", "设置", "k", std::nullopt},
        ReadCase{"KeyOfAnotherSection", "[设置]\r\na=1\r\n[其他]\r\nk=2\r\n", "设置", "k",
                 std::nullopt},
        ReadCase{"KeyBeforeAnySection", "k=1\r\n[设置]\r\n", "设置", "k", std::nullopt},
        ReadCase{"FirstOfTwoKeys", "[设置]\r\nk=1\r\nk=2\r\n", "设置", "k", "1"},
        ReadCase{"FirstOfTwoSections", "[设置]\r\nk=1\r\n[设置]\r\nk=2\r\n", "设置", "k", "1"},
        ReadCase{"AsciiCaseFolded", "[Settings]\r\nInterval=3\r\n", "SETTINGS", "interval", "3"},
        ReadCase{"SecondByteNotFolded", "[设置]\r\n\xB0\x41=1\r\n", "设置", "\xB0\x61",
                 std::nullopt},
        ReadCase{"SecondByteBracketIsNoHeaderEnd", "[\xB0\x5D\r\nk=1\r\n", "\xB0", "k",
                 std::nullopt},
        ReadCase{"SecondByteBracketInsideName", "[\xB0\x5D]\r\nk=1\r\n", "\xB0\x5D", "k", "1"},
        ReadCase{"CommentLineIsNoKey", "[设置]\r\n;k=1\r\nk=2\r\n", "设置", "k", "2"},
        ReadCase{"ValueCutAtNul", std::string("[设置]\r\nk=ab") + '\0' + "cd\r\n", "设置", "k",
                 "ab"},
        ReadCase{"EmptyContent", "", "设置", "k", std::nullopt}),
    [](const testing::TestParamInfo<ReadCase>& info) { return std::string(info.param.name); });

struct WriteCase {
    const char* name;
    std::string before;
    std::string key;
    std::string value;
    std::string after;
};

class ProfileWrite : public testing::TestWithParam<WriteCase> {};

TEST_P(ProfileWrite, ChangesOnlyTheKeysLine) {
    const WriteCase& c = GetParam();
    EXPECT_EQ(WriteProfileString(c.before, "设置", c.key, c.value), c.after);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ProfileWrite,
    testing::Values(
        WriteCase{"NewFile", "", "设置壁纸", "真", "[设置]\r\n设置壁纸=真\r\n"},
        WriteCase{"ReplaceValue", "[设置]\r\n图片大小=1\r\n刷新间隔=2\r\n", "图片大小", "3",
                  "[设置]\r\n图片大小=3\r\n刷新间隔=2\r\n"},
        WriteCase{"ReplaceKeepsStoredSpelling", "[设置]\r\nInterval = 1 \r\n", "interval", "2",
                  "[设置]\r\nInterval=2\r\n"},
        WriteCase{"ReplaceLastLineWithoutBreak", "[设置]\r\nk=1", "k", "2", "[设置]\r\nk=2"},
        WriteCase{"ReplaceLfLine", "[设置]\nk=1\nz=0\n", "k", "2", "[设置]\nk=2\nz=0\n"},
        WriteCase{"ReplaceValuelessKey", "[设置]\r\nk\r\n", "k", "2", "[设置]\r\nk=2\r\n"},
        WriteCase{"AddAfterLastKeyBeforeBlankAndNextSection",
                  "[设置]\r\na=1\r\n\r\n[其他]\r\nb=2\r\n", "k", "真",
                  "[设置]\r\na=1\r\nk=真\r\n\r\n[其他]\r\nb=2\r\n"},
        WriteCase{"AddToHeaderOnlySection", "[设置]\r\n[其他]\r\n", "k", "1",
                  "[设置]\r\nk=1\r\n[其他]\r\n"},
        WriteCase{"AddAtEndWithoutFinalBreak", "[设置]\r\na=1", "k", "1",
                  "[设置]\r\na=1\r\nk=1\r\n"},
        WriteCase{"AddSectionAfterOthers", "; my notes\r\n[其他]\r\nb=2\r\n", "k", "0",
                  "; my notes\r\n[其他]\r\nb=2\r\n[设置]\r\nk=0\r\n"},
        WriteCase{"AddSectionToLfFileWithoutFinalBreak", "[其他]\nb=2", "k", "0",
                  "[其他]\nb=2\n[设置]\nk=0\n"},
        WriteCase{"OnlyFirstOfTwoKeys", "[设置]\r\nk=1\r\nk=1\r\n", "k", "2",
                  "[设置]\r\nk=2\r\nk=1\r\n"},
        WriteCase{"LineBreakInValueCannotAddLines", "[设置]\r\n", "忽略版本", "3.0\r\n设置壁纸=真",
                  "[设置]\r\n忽略版本=3.0\r\n"}),
    [](const testing::TestParamInfo<WriteCase>& info) { return std::string(info.param.name); });

TEST(ProfileText, WrittenValueReadsBack) {
    Text content;
    content = WriteProfileString(content, "设置", "图片来源", "1");
    content = WriteProfileString(content, "设置", "图片画质", "0");
    content = WriteProfileString(content, "设置", "图片来源", "0");
    EXPECT_EQ(ReadProfileString(content, "设置", "图片来源"), "0");
    EXPECT_EQ(ReadProfileString(content, "设置", "图片画质"), "0");
    EXPECT_EQ(content, "[设置]\r\n图片来源=0\r\n图片画质=0\r\n");
}

} // namespace
} // namespace vexmora
