#include "acquire/FengYunSource.h"

#include <gtest/gtest.h>

#include "acquire/TextsBetween.h"
#include "net/TextHelpers.h"
#include "tests/acquire/AcquireTesting.h"
#include "tests/support/FengYunRequests.h"

namespace vexmora {
namespace {

using satsim::Endpoint;
using satsim::Fault;
using test::Simulator;

constexpr const char* kQueryTarget = test::kFengYunQueryTarget;
constexpr const auto& kBoxes = test::kFengYunTileBoxes;
using test::FengYunTileTarget;

std::vector<std::string> Targets() {
    std::vector<std::string> out;
    for (const auto& request : Simulator().Requests()) {
        out.push_back(request.endpoint + " " + request.target);
    }
    return out;
}

std::vector<std::string> ExpectedHdTargets(const std::string& date, const std::string& time) {
    std::vector<std::string> out = {std::string("fy4a-query ") + kQueryTarget};
    for (const char* box : kBoxes) {
        out.push_back("fy4a-tile " + FengYunTileTarget(date, time, box));
    }
    return out;
}

class FengYunSourceTest : public ::testing::Test {
protected:
    void SetUp() override { test::ResetSimulator(); }
    Endpoints endpoints_ = test::SimulatorEndpoints();
};

TEST_F(FengYunSourceTest, ThumbnailIsOneGetWithTheDefaultHeaderBlock) {
    Bytes body = FetchFengYunThumbnail(endpoints_);
    EXPECT_EQ(TextFromBytes(body), Simulator().Fy4aThumbnail());
    auto requests = Simulator().Requests();
    ASSERT_EQ(requests.size(), 1u);
    const auto& request = requests[0];
    EXPECT_EQ(request.endpoint, "fy4a-image");
    EXPECT_EQ(request.method, "GET");
    EXPECT_EQ(request.target, "/CLOUDIMAGE/FY4A/THUMBNAIL/FY4A_AGRI_DISK_MTCC.jpg");
    EXPECT_EQ(request.Header("Accept"), "*/*");
    EXPECT_EQ(request.Header("Referer"),
              endpoints_.fy4aImageServer + "/CLOUDIMAGE/FY4A/THUMBNAIL/FY4A_AGRI_DISK_MTCC.jpg");
    EXPECT_EQ(request.Header("Accept-Language"), "zh-cn");
    EXPECT_EQ(request.Header("User-Agent"), "Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)");
    EXPECT_EQ(request.Header("Host"),
              "127.0.0.1:" + std::to_string(Simulator().Port(Endpoint::Fy4aImage)));
    EXPECT_EQ(request.Header("Cookie"), "");
}

TEST_F(FengYunSourceTest, ThumbnailOfADeadServerIsEmpty) {
    Simulator().SetFault(Endpoint::Fy4aImage, Fault::Down);
    EXPECT_TRUE(FetchFengYunThumbnail(endpoints_).empty());
}

TEST_F(FengYunSourceTest, HdJoinsTheFourTilesOfTheNewestTimeInPlace) {
    Bytes picture = FetchFengYunHd(endpoints_);
    EXPECT_EQ(Targets(), ExpectedHdTargets(test::kFy4aDate, "0345"));
    // The tiles go over TLS to the tile server; every request carries the same header block.
    for (const auto& request : Simulator().Requests()) {
        EXPECT_EQ(request.Header("Accept-Language"), "zh-cn");
        EXPECT_EQ(
            request.Header("Referer"),
            test::PercentDecoded((request.endpoint == "fy4a-tile" ? endpoints_.fy4aTileServer
                                                                  : endpoints_.fy4aQueryServer) +
                                 request.target));
    }
    test::BmpPixels pixels = test::ReadBmp(picture);
    ASSERT_EQ(pixels.width, 512);
    ASSERT_EQ(pixels.height, 512);
    EXPECT_EQ(pixels.bitsPerPixel, 32);
    EXPECT_EQ(test::QuadrantAt(pixels, 128, 128), 0);
    EXPECT_EQ(test::QuadrantAt(pixels, 384, 128), 1);
    EXPECT_EQ(test::QuadrantAt(pixels, 128, 384), 2);
    EXPECT_EQ(test::QuadrantAt(pixels, 384, 384), 3);
}

struct DataTimeCase {
    const char* name;
    const char* answer;
    const char* date; // nullptr: no usable entry, so no tile is requested
    const char* time;
};

class FengYunDataTimeTest : public FengYunSourceTest,
                            public ::testing::WithParamInterface<DataTimeCase> {};

TEST_P(FengYunDataTimeTest, PicksTheLastDateAndTheLastTimeOnTheirOwn) {
    const DataTimeCase& c = GetParam();
    Simulator().SetQueryAnswer(c.answer);
    Bytes picture = FetchFengYunHd(endpoints_);
    if (!c.date) {
        EXPECT_TRUE(picture.empty());
        EXPECT_EQ(Targets(), std::vector<std::string>{std::string("fy4a-query ") + kQueryTarget});
        return;
    }
    EXPECT_EQ(Targets(), ExpectedHdTargets(c.date, c.time));
    EXPECT_FALSE(picture.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Answers, FengYunDataTimeTest,
    ::testing::Values(
        DataTimeCase{"ThreeEntriesGiveTheThird",
                     R"({"ds":[{"dataDate":"20190810","dataTime":"010000"},)"
                     R"({"dataDate":"20190811","dataTime":"020000"},)"
                     R"({"dataDate":"20190812","dataTime":"031500"}]})",
                     "20190812", "0315"},
        DataTimeCase{"TwoDatesAndThreeTimes",
                     R"({"ds":[{"dataDate":"20190811","dataTime":"010000"},)"
                     R"({"dataDate":"20190812","dataTime":"020000"},{"n":3,"dataTime":"033000"}]})",
                     "20190812", "0330"},
        DataTimeCase{"AShortTimeIsUsedWhole", R"([{"dataDate":"20190812","dataTime":"930"}])",
                     "20190812", "930"},
        DataTimeCase{"ADateThatDoesNotOpenItsObject",
                     R"({"ds":[{"id":1,"dataDate":"20190812","dataTime":"034500"}]})", nullptr,
                     nullptr},
        DataTimeCase{"ATimeWithoutClosingQuote", R"({"dataDate":"20190812","dataTime":"0345)",
                     nullptr, nullptr},
        DataTimeCase{"NoEntries", R"({"status":200,"ds":[]})", nullptr, nullptr}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(FengYunSourceTest, ABrokenQueryAnswerRequestsNoTile) {
    for (Fault fault : {Fault::EmptyBody, Fault::ErrorPage, Fault::MissingMarkers}) {
        SCOPED_TRACE(satsim::FaultName(fault));
        test::ResetSimulator();
        Simulator().SetFault(Endpoint::Fy4aQuery, fault);
        EXPECT_TRUE(FetchFengYunHd(endpoints_).empty());
        EXPECT_EQ(Targets().size(), 1u);
    }
    test::ResetSimulator();
    Simulator().SetFault(Endpoint::Fy4aQuery, Fault::Down);
    EXPECT_TRUE(FetchFengYunHd(endpoints_).empty());
    EXPECT_TRUE(Targets().empty());
}

TEST_F(FengYunSourceTest, AnyTileThatIsNoPictureEmptiesTheResult) {
    for (int bad = 1; bad <= 4; ++bad) {
        SCOPED_TRACE(bad);
        test::ResetSimulator();
        Simulator().SetFault(Endpoint::Fy4aTile, Fault::BadTile);
        Simulator().SetBadTile(bad);
        EXPECT_TRUE(FetchFengYunHd(endpoints_).empty());
        // All five requests still go out, one after the other.
        EXPECT_EQ(Targets(), ExpectedHdTargets(test::kFy4aDate, "0345"));
    }
    test::ResetSimulator();
    Simulator().SetFault(Endpoint::Fy4aTile, Fault::Down);
    EXPECT_TRUE(FetchFengYunHd(endpoints_).empty());
}

TEST(FengYunTileUrls, EachKeepsTheFixedPartAndOneBoundingBox) {
    Endpoints endpoints;
    endpoints.fy4aTileServer = "https://tiles.example";
    std::vector<Text> urls = FengYunTileUrls("20190812", "0345", endpoints);
    ASSERT_EQ(urls.size(), 4u);
    for (int i = 0; i < 4; ++i) {
        const Text& url = urls[i];
        EXPECT_EQ(url, "https://tiles.example" + FengYunTileTarget("20190812", "0345", kBoxes[i]));
        Text fixed = Text("&SRS=EPSG%3A11111&STYLES=&BBOX=") + kBoxes[i];
        EXPECT_EQ(FindText(url, "&SRS=EPSG%3A11111&STYLES=&BBOX="),
                  FindTextLast(url, "&SRS=EPSG%3A11111&STYLES=&BBOX="));
        EXPECT_EQ(TextRight(url, static_cast<int>(fixed.size())), fixed);
        for (const char* placeholder : {"位置", "年月日", "时间戳"}) {
            EXPECT_EQ(FindText(url, placeholder), -1) << placeholder;
        }
    }
}

TEST(FengYunQueryUrl, CarriesTheFixedEndTime) {
    Endpoints endpoints;
    endpoints.fy4aQueryServer = "http://query.example:8080";
    EXPECT_EQ(FengYunQueryUrl(endpoints), Text("http://query.example:8080") + kQueryTarget);
}

TEST(TextsBetween, ResumesBehindTheLeftMarker) {
    std::vector<Text> list = {"stale"};
    // Behind "<a" the next "<" is searched from just behind the first one, so the "<b" inside
    // the first entry opens a second one.
    EXPECT_EQ(TextsBetween("<a<b>c", "<", ">", list), 2);
    EXPECT_EQ(list, (std::vector<Text>{"a<b", "b"}));
}

TEST(TextsBetween, ATrailingLeftMarkerGivesNoEntry) {
    std::vector<Text> list;
    EXPECT_EQ(TextsBetween("[1] [2] [3", "[", "]", list), 2);
    EXPECT_EQ(list, (std::vector<Text>{"1", "2"}));
    EXPECT_EQ(TextsBetween("nothing here", "[", "]", list), 0);
    EXPECT_TRUE(list.empty());
    EXPECT_EQ(TextsBetween("[1]", "", "]", list), 0);
}

TEST(TextsBetween, OptionalArguments) {
    std::vector<Text> list;
    EXPECT_EQ(TextsBetween("<A>x<bb>", "<", ">", list, false, 2), 1);
    EXPECT_EQ(list, std::vector<Text>{"A"});
    EXPECT_EQ(TextsBetween("K=1;k=22;", "k=", ";", list, true, 0, "(", ")", true, true), 2);
    EXPECT_EQ(list, (std::vector<Text>{"(k=1;)", "(k=22;)"}));
    EXPECT_EQ(TextsBetween("<1><2><3>", "<", ">", list, false, 0, {}, {}, false, false, 4), 2);
    EXPECT_EQ(list, (std::vector<Text>{"2", "3"}));
    // A GBK character whose second byte looks like the marker does not start a match.
    EXPECT_EQ(TextsBetween("\xB0\x5B"
                           "[x]",
                           "[", "]", list),
              1);
    EXPECT_EQ(list, std::vector<Text>{"x"});
}

} // namespace
} // namespace vexmora
