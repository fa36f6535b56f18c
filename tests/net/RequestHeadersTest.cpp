#include "net/RequestHeaders.h"

#include <gtest/gtest.h>

namespace vexmora {
namespace {

struct AgentCase {
    std::string_view headers;
    std::string_view agent;
};

class AgentFromHeadersTest : public ::testing::TestWithParam<AgentCase> {};

TEST_P(AgentFromHeadersTest, ChoosesAgent) {
    EXPECT_EQ(AgentFromHeaders(GetParam().headers), GetParam().agent) << GetParam().headers;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, AgentFromHeadersTest,
    ::testing::Values(
        AgentCase{"", DefaultAgentText}, AgentCase{"Accept: */*", DefaultAgentText},
        AgentCase{"User-Agent: Foo/1.0", "Foo/1.0"},
        AgentCase{"Accept: */*\r\nUser-Agent:  Foo/1.0 \r\nReferer: x", "Foo/1.0"},
        // The only line, its name in lower case.
        AgentCase{"user-agent: Bar 2", "Bar 2"},
        // A lower-case name after other lines gives its own value, not the rest of the block.
        AgentCase{"Accept: */*\r\nuser-agent: Bar", "Bar"},
        // An empty value is an empty agent, never the following lines.
        AgentCase{"User-Agent: \r\nAccept: */*", ""},
        // Another header whose name ends in User-Agent is not the agent.
        AgentCase{"X-User-Agent: Baz", DefaultAgentText},
        AgentCase{"User-Agent:　全角　", "全角"}));

TEST(TextAfterColonTest, GivesTrimmedRest) {
    EXPECT_EQ(TextAfterColon("Name:  v:w "), "v:w");
    EXPECT_EQ(TextAfterColon("no colon"), "");
    EXPECT_EQ(TextAfterColon("x:"), "");
}

struct CompleteCase {
    std::string_view headers;
    int method;
    std::string_view expected;
};

class CompleteRequestHeadersTest : public ::testing::TestWithParam<CompleteCase> {};

TEST_P(CompleteRequestHeadersTest, AddsMissingDefaultLines) {
    const CompleteCase& c = GetParam();
    EXPECT_EQ(CompleteRequestHeaders(c.headers, "http://h.cn/A?b=1", c.method), c.expected)
        << c.headers;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CompleteRequestHeadersTest,
    ::testing::Values(
        CompleteCase{"", 0, "Accept: */*\r\nReferer: http://h.cn/A?b=1\r\nAccept-Language: zh-cn"},
        // A name in lower case counts as present.
        CompleteCase{"accept: text/html", 0,
                     "accept: text/html\r\nReferer: http://h.cn/A?b=1\r\nAccept-Language: zh-cn"},
        CompleteCase{"Referer: http://r/", 0,
                     "Referer: http://r/\r\nAccept: */*\r\nAccept-Language: zh-cn"},
        CompleteCase{"Accept: */*\r\nReferer: x\r\nAccept-Language: en", 0,
                     "Accept: */*\r\nReferer: x\r\nAccept-Language: en"},
        CompleteCase{"", 1,
                     "Accept: */*\r\nReferer: http://h.cn/A?b=1\r\nAccept-Language: zh-cn\r\n"
                     "Content-Type: application/x-www-form-urlencoded"},
        CompleteCase{"content-type: application/json", 1,
                     "content-type: application/json\r\nAccept: */*\r\nReferer: "
                     "http://h.cn/A?b=1\r\nAccept-Language: zh-cn"},
        // Only POST gets a content type: not PUT (3), DELETE (5) or any other index.
        CompleteCase{"", 3, "Accept: */*\r\nReferer: http://h.cn/A?b=1\r\nAccept-Language: zh-cn"},
        CompleteCase{"", 5, "Accept: */*\r\nReferer: http://h.cn/A?b=1\r\nAccept-Language: zh-cn"},
        CompleteCase{"", 9,
                     "Accept: */*\r\nReferer: http://h.cn/A?b=1\r\nAccept-Language: zh-cn"}));

TEST(CompleteRequestHeadersTest, LineBreaksInTheUrlDoNotStartHeaderLines) {
    EXPECT_EQ(CompleteRequestHeaders("Accept: */*", "http://h/x\r\nX-Evil: 1", 0),
              "Accept: */*\r\nReferer: http://h/xX-Evil: 1\r\nAccept-Language: zh-cn");
}

struct NormalizeCase {
    std::string_view headers;
    std::string_view expected;
};

class NormalizeHeaderNamesTest : public ::testing::TestWithParam<NormalizeCase> {};

TEST_P(NormalizeHeaderNamesTest, CapitalizesNames) {
    EXPECT_EQ(NormalizeHeaderNames(GetParam().headers), GetParam().expected) << GetParam().headers;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, NormalizeHeaderNamesTest,
    ::testing::Values(NormalizeCase{"accept-language: zh-cn", "Accept-Language: zh-cn"},
                      NormalizeCase{"x-requested-with: xml-http", "X-Requested-With: xml-http"},
                      NormalizeCase{"content-TYPE: text/a-b", "Content-TYPE: text/a-b"},
                      NormalizeCase{"ACCEPT: x", "ACCEPT: x"},
                      NormalizeCase{"accept: text/html", "Accept: text/html"},
                      // An empty line between two header lines is dropped.
                      NormalizeCase{"a: 1\r\n\r\nb: 2", "A: 1\r\nB: 2"},
                      NormalizeCase{"a: 1\r\nno colon\r\nb: 2\r\n", "A: 1\r\nB: 2"},
                      NormalizeCase{"", ""}, NormalizeCase{"x--y-: v", "X--Y-: v"},
                      NormalizeCase{"-a: v", "-A: v"}, NormalizeCase{": v", ": v"},
                      // A name that begins with a Chinese character keeps it as it is.
                      NormalizeCase{"名-a: v", "名-A: v"}));

TEST(CapitalizeFirstTest, UpperCasesOnlyAnAsciiFirstLetter) {
    EXPECT_EQ(CapitalizeFirst("abc"), "Abc");
    EXPECT_EQ(CapitalizeFirst("1bc"), "1bc");
    EXPECT_EQ(CapitalizeFirst(""), "");
    EXPECT_EQ(CapitalizeFirst("设置"), "设置");
}

} // namespace
} // namespace vexmora
