#include "acquire/HimawariSource.h"

#include <gtest/gtest.h>

#include "tests/acquire/AcquireTesting.h"

namespace vexmora {
namespace {

using satsim::Endpoint;
using satsim::Fault;
using test::Simulator;

const std::string kIndex = "himawari /himawari8/img/FULL_24h/latest.json";
const std::string kThumbnails = "himawari /himawari8/img/D531106/thumbnail/550/";
const std::string kTiles = "himawari /himawari8/img/D531106/2d/550/";

std::vector<std::string> Targets() {
    std::vector<std::string> out;
    for (const auto& request : Simulator().Requests()) {
        out.push_back(request.endpoint + " " + request.target);
    }
    return out;
}

std::vector<std::string> HdTargets(const std::string& datePath) {
    return {kIndex, kTiles + datePath + "_0_0.png", kTiles + datePath + "_1_0.png",
            kTiles + datePath + "_0_1.png", kTiles + datePath + "_1_1.png"};
}

class HimawariSourceTest : public ::testing::Test {
protected:
    void SetUp() override { test::ResetSimulator(); }
    Endpoints endpoints_ = test::SimulatorEndpoints();
};

TEST(HimawariDatePath, ReplacesEverySeparator) {
    EXPECT_EQ(HimawariDatePath("2019-08-12 03:40:00"), "2019/08/12/034000");
    EXPECT_EQ(HimawariDatePath("a-b-c d e:f:g"), "a/b/c/d/efg");
    EXPECT_EQ(HimawariDatePath("2019-8-2  3:4:5"), "2019/8/2//345");
    EXPECT_EQ(HimawariDatePath(""), "");
}

TEST(ReadHimawariDate, FirstQuotedValueAfterAColonUpToTheFirstZeroByte) {
    EXPECT_EQ(ReadHimawariDate(BytesFromText(R"({"date":"2019-08-12 03:40:00","file":"x"})")),
              "2019-08-12 03:40:00");
    EXPECT_EQ(ReadHimawariDate(BytesFromText(R"({"file":"a.png","date":"2019"})")), "a.png");
    EXPECT_EQ(ReadHimawariDate(BytesFromText(std::string("{\0\"date\":\"2019-08-12\"}", 20))), "");
    EXPECT_EQ(ReadHimawariDate(BytesFromText(R"({"date":null})")), "");
    EXPECT_EQ(ReadHimawariDate({}), "");
}

TEST_F(HimawariSourceTest, ThumbnailFollowsTheIndex) {
    Bytes body = FetchHimawariThumbnail(endpoints_);
    EXPECT_EQ(TextFromBytes(body), Simulator().HimawariThumbnail());
    EXPECT_EQ(Targets(),
              (std::vector<std::string>{kIndex, kThumbnails + "2019/08/12/035000_0_0.png"}));
    for (const auto& request : Simulator().Requests()) {
        EXPECT_EQ(request.Header("Referer"), endpoints_.himawariServer + request.target);
    }
}

TEST_F(HimawariSourceTest, IndexDateOfTheExample) {
    Simulator().SetHimawariIndex(R"({"date":"2019-08-12 03:40:00","file":"PI_H08.png"})");
    EXPECT_EQ(HimawariThumbnailPath(endpoints_), "2019/08/12/034000_0_0.png");
    EXPECT_EQ(HimawariTileBase(endpoints_),
              endpoints_.himawariServer + "/himawari8/img/D531106/2d/550/2019/08/12/034000");
    test::ResetSimulator();
    Simulator().SetHimawariIndex(R"({"date":"2019-08-12 03:40:00","file":"PI_H08.png"})");
    EXPECT_FALSE(FetchHimawariHd(endpoints_).empty());
    EXPECT_EQ(Targets(), HdTargets("2019/08/12/034000"));
}

TEST_F(HimawariSourceTest, WithoutADateTheThumbnailIsStillRequested) {
    Simulator().SetFault(Endpoint::Himawari, Fault::MissingMarkers);
    Bytes body = FetchHimawariThumbnail(endpoints_);
    EXPECT_EQ(Targets(), (std::vector<std::string>{kIndex, kThumbnails + "_0_0.png"}));
    // The server's 404 page comes back as it is; the cycle judges it.
    EXPECT_NE(TextFromBytes(body).find("404 Not Found"), std::string::npos);
}

TEST_F(HimawariSourceTest, WithoutADateHdRequestsNoTile) {
    const std::string indexes[] = {R"({"date":null,"file":null})",
                                   std::string("{\0\"date\":\"2019-08-12 03:40:00\"}", 32),
                                   "<html>Service Unavailable</html>"};
    for (const std::string& index : indexes) {
        test::ResetSimulator();
        Simulator().SetHimawariIndex(index);
        EXPECT_TRUE(HimawariTileBase(endpoints_).empty());
        EXPECT_TRUE(FetchHimawariHd(endpoints_).empty());
        EXPECT_EQ(Targets(), (std::vector<std::string>{kIndex, kIndex}));
    }
}

TEST_F(HimawariSourceTest, AnUnreachableServerGivesNothing) {
    Simulator().SetFault(Endpoint::Himawari, Fault::Down);
    EXPECT_TRUE(FetchHimawariThumbnail(endpoints_).empty());
    EXPECT_TRUE(FetchHimawariHd(endpoints_).empty());
}

TEST_F(HimawariSourceTest, HdJoinsTheTilesInFetchOrder) {
    Bytes picture = FetchHimawariHd(endpoints_);
    EXPECT_EQ(Targets(), HdTargets("2019/08/12/035000"));
    test::BmpPixels pixels = test::ReadBmp(picture);
    ASSERT_EQ(pixels.width, 1100);
    ASSERT_EQ(pixels.height, 1100);
    // "_1_0.png" top right, "_0_1.png" bottom left.
    EXPECT_EQ(test::QuadrantAt(pixels, 275, 275), 0);
    EXPECT_EQ(test::QuadrantAt(pixels, 825, 275), 1);
    EXPECT_EQ(test::QuadrantAt(pixels, 275, 825), 2);
    EXPECT_EQ(test::QuadrantAt(pixels, 825, 825), 3);
}

TEST_F(HimawariSourceTest, OneBadTileEmptiesTheResult) {
    Simulator().SetFault(Endpoint::Himawari, Fault::BadTile);
    Simulator().SetBadTile(3);
    EXPECT_TRUE(FetchHimawariHd(endpoints_).empty());
    EXPECT_EQ(Targets(), HdTargets("2019/08/12/035000"));
}

} // namespace
} // namespace vexmora
