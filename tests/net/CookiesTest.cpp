#include "net/Cookies.h"

#include <gtest/gtest.h>

namespace vexmora {
namespace {

struct CollectCase {
    std::string_view raw;
    std::string_view cookies;
};

class CollectSetCookiesTest : public ::testing::TestWithParam<CollectCase> {};

TEST_P(CollectSetCookiesTest, CollectsNameValueParts) {
    EXPECT_EQ(CollectSetCookies(GetParam().raw), GetParam().cookies) << GetParam().raw;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CollectSetCookiesTest,
    ::testing::Values(
        CollectCase{"HTTP/1.1 200 OK\r\nSet-Cookie: a=1; path=/\r\n\r\n", "a=1"},
        CollectCase{"HTTP/1.1 200 OK\r\nSet-Cookie: b=2\r\n\r\n", "b=2"},
        CollectCase{"HTTP/1.1 200 OK\r\nset-cookie: a=1; path=/\r\n\r\n", ""},
        CollectCase{"HTTP/1.1 200 OK\r\nSet-Cookie:a=1\r\n\r\n", ""},
        CollectCase{"HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n", ""}, CollectCase{"", ""},
        // Order of the lines; a name set twice appears twice.
        CollectCase{"HTTP/1.1 200 OK\r\nSet-Cookie: a=1; path=/\r\nX: y\r\nSet-Cookie: b=2\r\n"
                    "Set-Cookie:  a=3 ; HttpOnly\r\n\r\n",
                    "a=1; b=2; a=3"},
        // A line that sets nothing adds no empty piece.
        CollectCase{"HTTP/1.1 200 OK\r\nSet-Cookie: ; path=/\r\nSet-Cookie: b=2\r\n\r\n", "b=2"},
        CollectCase{"HTTP/1.1 200 OK\r\nSet-Cookie: sid=a b c; path=/\r\n\r\n", "sid=a b c"}));

struct MergeCase {
    std::string_view oldCookies;
    std::string_view newCookies;
    std::string_view merged;
};

class MergeCookiesTest : public ::testing::TestWithParam<MergeCase> {};

TEST_P(MergeCookiesTest, MergesAndStoresIntoOld) {
    const MergeCase& c = GetParam();
    Text oldCookies(c.oldCookies);
    Text newCookies(c.newCookies);
    EXPECT_EQ(MergeCookies(oldCookies, newCookies), c.merged)
        << "old '" << c.oldCookies << "' new '" << c.newCookies << "'";
    EXPECT_EQ(oldCookies, c.merged);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MergeCookiesTest,
    ::testing::Values(MergeCase{"a=1; b=2", "b=3", "b=3; a=1"},
                      MergeCase{"a=1; b=2", "b=deleted", "a=1"}, MergeCase{"", "x=1", "x=1"},
                      MergeCase{"x=1", "", "x=1"}, MergeCase{"", "", ""},
                      MergeCase{"a=1 2", "", "a=12"},
                      // Of two old pieces with one name the first survives.
                      MergeCase{"a=1; a=2; b=1", "c=1", "c=1; a=1; b=1"},
                      // New cookies first, then the old ones that were not set again.
                      MergeCase{"a=1;b=2;c=3", "c=4; a=5", "c=4; a=5; b=2"},
                      MergeCase{"a=deleted; b=1", "", "b=1"},
                      // Exact repeats go; empty pieces never appear.
                      MergeCase{"", "a=1; a=1", "a=1"}, MergeCase{"a=1;;b=2;", ";", "a=1; b=2"},
                      // A name without "=" is a whole-piece name.
                      MergeCase{"flag; a=1", "flag", "flag; a=1"}));

TEST(MergeCookiesTest, BothArgumentsLoseTheirSpaces) {
    Text oldCookies = "a = 1; b=2";
    Text newCookies = "c = x y";
    EXPECT_EQ(MergeCookies(oldCookies, newCookies), "c=xy; a=1; b=2");
    EXPECT_EQ(newCookies, "c=xy");
    EXPECT_EQ(oldCookies, "c=xy; a=1; b=2");
}

TEST(CookieNameTest, NameBeforeFirstEquals) {
    EXPECT_EQ(CookieName(" sid =a=b"), "sid");
    EXPECT_EQ(CookieName(" flag "), "flag");
    EXPECT_EQ(CookieName("=v"), "");
}

TEST(RemoveDuplicatesTest, KeepsFirstOfEachExactPiece) {
    EXPECT_EQ(RemoveDuplicates("a; b; a; A; b", "; "), "a; b; A");
    EXPECT_EQ(RemoveDuplicates("a;b;", ";"), "a;b");
    EXPECT_EQ(RemoveDuplicates("", "; "), "");
    // Without a separator the pieces are characters; CR LF and double-byte ones stay whole.
    EXPECT_EQ(RemoveDuplicates("abca\r\n\r\n设置设"), "abc\r\n设置");
    // "\x81\x61" is one character, not a repeat of "a"; the second lone "a" is.
    EXPECT_EQ(RemoveDuplicates("a\x81"
                               "aa"),
              "a\x81"
              "a");
}

} // namespace
} // namespace vexmora
