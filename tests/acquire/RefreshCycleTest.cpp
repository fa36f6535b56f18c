#include "acquire/RefreshCycle.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "acquire/ClockText.h"
#include "acquire/PadAndScale.h"
#include "platform/CodePage.h"
#include "platform/FileSystem.h"
#include "platform/ImageCodec.h"

#include "tests/acquire/AcquireTesting.h"
#include "tests/support/TempDir.h"
#include <algorithm>
#include <filesystem>

namespace vexmora {
namespace {

using satsim::Endpoint;
using satsim::Fault;
using test::RecordedHost;
using test::Simulator;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;

// The messages, written out here rather than taken from the code under test.
const Text kStart = " 正在更新地球图片……";
const Text kDone = " 更新地球图片完成。";
const Text kFailed = " 更新地球图片失败。";
const Text kToFengYun = " 正在获取风云4号图片……";
const Text kToHimawari = " 正在获取向日葵8号图片……";
const Text kAllFailed = " 更新地球图片全部失败。";
const Text kFraming = " 正在处理图片大小……";
const Text kFramed = " 处理图片大小完成。";
const Text kWallpaper = " 正在更换背景图片……";
const Text kWallpaperDone = " 更换背景图片完成。";

const std::vector<Text> kFullRun = {kStart, kDone, kFraming, kFramed, kWallpaper, kWallpaperDone};

const std::vector<std::string> kDisable = {"enable group 0", "enable button 0", "enable tray 0"};
const std::vector<std::string> kEnable = {"enable group 1", "enable button 1", "enable tray 1"};

class RefreshCycleTest : public ::testing::Test {
protected:
    void SetUp() override {
        test::ResetSimulator();
        environment_.dataFolder = platform::Utf8ToGbkBytes(folder_.path().string()) + "/data";
        platform::MakeDirectories(environment_.dataFolder);
        environment_.endpoints = test::SimulatorEndpoints();
        environment_.wallpaper = &wallpaper_;
        environment_.pause = [this](std::chrono::milliseconds pause) {
            pauses_.push_back(static_cast<int>(pause.count()));
        };
        environment_.clock = [] { return ClockReading{9, 5, 3}; };
    }

    void Run(RecordedHost& host) { RunRefreshCycle(host.Quality(), host, environment_); }

    Text Path(const char* name) const { return environment_.dataFolder + "/" + name; }
    std::optional<Bytes> File(const char* name) const {
        return platform::ReadWholeFile(Path(name));
    }

    // The events a cycle produces around its log lines: disable, ..., enable, timer.
    static void ExpectFrame(const RecordedHost& host, int finalPeriod) {
        std::vector<std::string> events = host.Events();
        ASSERT_GE(events.size(), 8u);
        EXPECT_EQ(events[0], "timer 0");
        EXPECT_EQ(std::vector<std::string>(events.begin() + 1, events.begin() + 4), kDisable);
        EXPECT_EQ(std::vector<std::string>(events.end() - 4, events.end() - 1), kEnable);
        EXPECT_EQ(events.back(), "timer " + std::to_string(finalPeriod));
    }

    test::TempDir folder_;
    CycleEnvironment environment_;
    test::RecordedWallpaper wallpaper_;
    std::vector<int> pauses_;
};

TEST(ClockText, NoLeadingZeros) {
    EXPECT_EQ(ClockText({9, 5, 3}), "9时5分3秒");
    EXPECT_EQ(ClockText({0, 0, 0}), "0时0分0秒");
    EXPECT_EQ(ClockText({23, 59, 59}), "23时59分59秒");
    EXPECT_EQ(LogLine({9, 5, 3}, " 更新地球图片完成。"), "9时5分3秒 更新地球图片完成。\r\n");
}

TEST(ClockText, TheMessagesAreGbk) {
    // "……" is two full-width ellipses, A1AD A1AD in GBK.
    EXPECT_EQ(kStart, " \xD5\xFD\xD4\xDA\xB8\xFC\xD0\xC2\xB5\xD8\xC7\xF2\xCD\xBC\xC6\xAC"
                      "\xA1\xAD\xA1\xAD");
}

struct QualitySource {
    int quality;
    int source;
};

class EveryQualityAndSource : public RefreshCycleTest,
                              public ::testing::WithParamInterface<QualitySource> {};

TEST_P(EveryQualityAndSource, FullRunWritesBothFilesAndSetsTheWallpaper) {
    RecordedHost::Options options;
    options.quality = GetParam().quality;
    options.source = GetParam().source;
    options.size = 1;
    options.position = 2;
    options.interval = 2;
    RecordedHost host(options);
    Run(host);

    EXPECT_EQ(host.Messages(), kFullRun);
    for (const Text& line : host.Lines()) {
        EXPECT_EQ(line.rfind("9时5分3秒 ", 0), 0u) << line;
    }
    ExpectFrame(host, 2 * 600000);

    ASSERT_EQ(host.Pictures().size(), 1u);
    Bytes picture = host.Pictures()[0];
    EXPECT_EQ(File("vxmr_1.png"), picture);
    bool fast = options.quality == 0;
    if (fast && options.source == 1) {
        EXPECT_EQ(TextFromBytes(picture), Simulator().HimawariThumbnail()); // the PNG as sent
    } else {
        test::BmpPixels shown = test::ReadBmp(picture);
        int side = fast ? 550 : (options.source == 0 ? 512 : 1100);
        ASSERT_EQ(shown.width, side);
        ASSERT_EQ(shown.height, side);
        EXPECT_EQ(test::QuadrantAt(shown, side / 4, side / 4), 0);
        EXPECT_EQ(test::QuadrantAt(shown, side * 3 / 4, side * 3 / 4), 3);
    }

    test::BmpPixels framed = test::ReadBmp(File("vxmr.png").value_or(Bytes{}));
    ASSERT_EQ(framed.width, 800);
    ASSERT_EQ(framed.height, 600);
    EXPECT_EQ(framed.bitsPerPixel, 24);
    EXPECT_TRUE(test::IsBlack(framed.At(10, 300)));  // left strip
    EXPECT_TRUE(test::IsBlack(framed.At(790, 300))); // right strip
    // The Earth sits between the strips, quadrants in place. The 512-pixel FengYun-4A mosaic
    // gets strips of the 170 x 1024 shape at its own height, 85 x 512.
    int side = fast ? 550 : (options.source == 0 ? 512 : 1100);
    int stripWidth = fast ? 91 : (options.source == 0 ? 85 : 183);
    int stripHeight = side;
    double canvasWidth = 2 * stripWidth + side;
    double canvasHeight = std::max(side, stripHeight);
    int top = (stripHeight - side) / 2;
    for (int q = 0; q < 4; ++q) {
        double x = stripWidth + side * (q % 2 == 0 ? 0.25 : 0.75);
        double y = top + side * (q < 2 ? 0.25 : 0.75);
        EXPECT_EQ(test::QuadrantAt(framed, static_cast<int>(x * 800 / canvasWidth),
                                   static_cast<int>(y * 600 / canvasHeight)),
                  q);
    }
    Text path = Path("vxmr.png");
    if (fast) {
        EXPECT_THAT(wallpaper_.Calls(), ElementsAre("set " + path + " 2", "apply " + path));
        EXPECT_THAT(pauses_, ElementsAre(100));
    } else {
        EXPECT_THAT(wallpaper_.Calls(), ElementsAre("set " + path + " 2"));
        EXPECT_TRUE(pauses_.empty());
    }
}

INSTANTIATE_TEST_SUITE_P(Cycles, EveryQualityAndSource,
                         ::testing::Values(QualitySource{0, 0}, QualitySource{0, 1},
                                           QualitySource{1, 0}, QualitySource{1, 1}),
                         [](const auto& info) {
                             return std::string(info.param.quality == 0 ? "Fast" : "Hd") +
                                    (info.param.source == 0 ? "FengYun" : "Himawari");
                         });

TEST_F(RefreshCycleTest, FastFallsBackToHimawariWhenFengYunIsDown) {
    Simulator().SetFault(Endpoint::Fy4aImage, Fault::Down);
    RecordedHost host;
    Run(host);
    EXPECT_EQ(host.Messages(), (std::vector<Text>{kStart, kFailed, kToHimawari, kDone, kFraming,
                                                  kFramed, kWallpaper, kWallpaperDone}));
    ASSERT_EQ(host.Pictures().size(), 1u);
    EXPECT_EQ(TextFromBytes(host.Pictures()[0]), Simulator().HimawariThumbnail());
    EXPECT_EQ(host.Source(), 0); // the setting itself is not changed
}

TEST_F(RefreshCycleTest, HdFallsBackToFengYunAndFramesItWithItsOwnStrip) {
    Simulator().SetFault(Endpoint::Himawari, Fault::MissingMarkers);
    RecordedHost::Options options;
    options.quality = 1;
    options.source = 1;
    options.size = 0;
    RecordedHost host(options);
    Run(host);
    EXPECT_EQ(host.Messages(), (std::vector<Text>{kStart, kFailed, kToFengYun, kDone, kFraming,
                                                  kFramed, kWallpaper, kWallpaperDone}));
    EXPECT_EQ(test::ReadBmp(host.Pictures().at(0)).width, 512);
    // The 512-pixel picture is framed by strips of FengYun-4A's shape at its own height
    // (85 x 512, not Himawari-8's 183 x 1100): 682 x 512 fills the 4:3 picture, no white bands.
    test::BmpPixels framed = test::ReadBmp(File("vxmr.png").value_or(Bytes{}));
    ASSERT_EQ(framed.width, 640);
    for (int y : {2, 100, 240, 380, 477}) {
        SCOPED_TRACE(y);
        EXPECT_TRUE(test::IsBlack(framed.At(20, y)));
        EXPECT_TRUE(test::IsBlack(framed.At(619, y)));
        EXPECT_FALSE(test::IsWhite(framed.At(320, y)));
    }
}

TEST_F(RefreshCycleTest, AllFailedLeavesTheFilesAndThePictureAlone) {
    platform::WriteWholeFile(Path("vxmr_1.png"), Text("old download"));
    platform::WriteWholeFile(Path("vxmr.png"), Text("old wallpaper"));
    Simulator().SetFault(Endpoint::Fy4aImage, Fault::Down);
    Simulator().SetFault(Endpoint::Fy4aQuery, Fault::Down);
    Simulator().SetFault(Endpoint::Himawari, Fault::ErrorPage);
    for (int quality : {0, 1}) {
        SCOPED_TRACE(quality);
        RecordedHost::Options options;
        options.quality = quality;
        options.interval = 3;
        RecordedHost host(options);
        Run(host);
        EXPECT_EQ(host.Messages(), (std::vector<Text>{kStart, kFailed, kToHimawari, kAllFailed}));
        EXPECT_TRUE(host.Pictures().empty());
        ExpectFrame(host, 3 * 600000);
    }
    EXPECT_EQ(File("vxmr_1.png"), BytesFromText("old download"));
    EXPECT_EQ(File("vxmr.png"), BytesFromText("old wallpaper"));
    EXPECT_TRUE(wallpaper_.Calls().empty());
}

TEST_F(RefreshCycleTest, WithoutSwitchingTheFirstFailureEndsTheCycle) {
    Simulator().SetFault(Endpoint::Himawari, Fault::Down);
    RecordedHost::Options options;
    options.source = 1;
    options.switchOnFailure = false;
    options.interval = 0;
    RecordedHost host(options);
    Run(host);
    EXPECT_EQ(host.Messages(), (std::vector<Text>{kStart, kFailed}));
    ExpectFrame(host, 0);
    EXPECT_TRUE(Simulator().Requests(Endpoint::Fy4aImage).empty());
}

// A download that is no picture fails, whatever its length; the 58-byte one-pixel picture
// fails too although it decodes.
TEST_F(RefreshCycleTest, FastSuccessNeedsMoreThan58BytesOfPicture) {
    // One black pixel, 24 bits: 54 bytes of headers and one padded row of 4 bytes.
    Bytes onePixel = {'B', 'M', 58, 0, 0, 0, 0, 0, 0,  0, 54, 0, 0, 0, 40, 0, 0, 0, 1, 0,
                      0,   0,   1,  0, 0, 0, 1, 0, 24, 0, 0,  0, 0, 0, 4,  0, 0, 0, 0, 0,
                      0,   0,   0,  0, 0, 0, 0, 0, 0,  0, 0,  0, 0, 0, 0,  0, 0, 0};
    ASSERT_EQ(onePixel.size(), 58u);
    Bytes fiftyNine = onePixel;
    fiftyNine.push_back(0);
    fiftyNine[2] = 59;
    struct Case {
        const char* name;
        Bytes body;
        bool success;
    };
    Case cases[] = {
        {"58 bytes", onePixel, false},
        {"59 bytes", fiftyNine, true},
        {"error page", BytesFromText(std::string(300, 'x')), false},
    };
    const std::string path = "/himawari8/img/D531106/thumbnail/550/2019/08/12/035000_0_0.png";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Simulator().SetAnswer(Endpoint::Himawari, path, TextFromBytes(c.body), 200, "image/bmp");
        RecordedHost::Options options;
        options.source = 1;
        options.switchOnFailure = false;
        options.setWallpaper = false;
        RecordedHost host(options);
        Run(host);
        if (c.success) {
            EXPECT_EQ(host.Messages(), (std::vector<Text>{kStart, kDone, kFraming, kFramed}));
            EXPECT_EQ(File("vxmr_1.png"), c.body);
        } else {
            EXPECT_EQ(host.Messages(), (std::vector<Text>{kStart, kFailed}));
            EXPECT_TRUE(host.Pictures().empty());
        }
    }
}

TEST_F(RefreshCycleTest, FengYunErrorPageIsAFailureNotABlackPicture) {
    Simulator().SetFault(Endpoint::Fy4aImage, Fault::ErrorPage);
    RecordedHost::Options options;
    options.switchOnFailure = false;
    RecordedHost host(options);
    Run(host);
    EXPECT_EQ(host.Messages(), (std::vector<Text>{kStart, kFailed}));
    EXPECT_FALSE(platform::FileExists(Path("vxmr.png")));
}

TEST_F(RefreshCycleTest, HdWithABadTileFallsBack) {
    Simulator().SetFault(Endpoint::Fy4aTile, Fault::BadTile);
    RecordedHost::Options options;
    options.quality = 1;
    options.setWallpaper = false;
    RecordedHost host(options);
    Run(host);
    EXPECT_EQ(host.Messages(), (std::vector<Text>{kStart, kFailed, kToHimawari, kDone}));
    EXPECT_EQ(test::ReadBmp(host.Pictures().at(0)).width, 1100);
}

TEST_F(RefreshCycleTest, WallpaperOff) {
    for (int quality : {0, 1}) {
        SCOPED_TRACE(quality);
        platform::DeleteFile(Path("vxmr.png"));
        RecordedHost::Options options;
        options.quality = quality;
        options.source = 1;
        options.setWallpaper = false;
        RecordedHost host(options);
        Run(host);
        if (quality == 0) {
            // Fast still frames the picture; only the wallpaper calls are left out.
            EXPECT_EQ(host.Messages(), (std::vector<Text>{kStart, kDone, kFraming, kFramed}));
            EXPECT_TRUE(platform::FileExists(Path("vxmr.png")));
        } else {
            EXPECT_EQ(host.Messages(), (std::vector<Text>{kStart, kDone}));
            EXPECT_FALSE(platform::FileExists(Path("vxmr.png")));
        }
        EXPECT_TRUE(platform::FileExists(Path("vxmr_1.png")));
    }
    EXPECT_TRUE(wallpaper_.Calls().empty());
}

TEST_F(RefreshCycleTest, PositionThreeOnlyApplies) {
    Text path = Path("vxmr.png");
    for (int quality : {0, 1}) {
        test::RecordedWallpaper wallpaper;
        environment_.wallpaper = &wallpaper;
        RecordedHost::Options options;
        options.quality = quality;
        options.source = 1;
        options.position = 3;
        RecordedHost host(options);
        Run(host);
        EXPECT_THAT(wallpaper.Calls(), ElementsAre("apply " + path));
    }
}

TEST_F(RefreshCycleTest, SizeThreeIs1280By960) {
    RecordedHost::Options options;
    options.source = 1;
    options.size = 3;
    options.setWallpaper = false;
    RecordedHost host(options);
    Run(host);
    test::BmpPixels framed = test::ReadBmp(File("vxmr.png").value_or(Bytes{}));
    EXPECT_EQ(framed.width, 1280);
    EXPECT_EQ(framed.height, 960);
}

TEST_F(RefreshCycleTest, OptionsAreReadAtTheStepThatUsesThem) {
    Simulator().SetFault(Endpoint::Fy4aImage, Fault::Down);
    RecordedHost::Options options;
    options.source = 0;
    options.position = 0;
    options.interval = 1;
    RecordedHost host(options);
    // The source turns to Himawari-8 after the first failure, so the fallback goes to the
    // other one of the new setting: FengYun-4A again, which stays down.
    host.OnLog(kFailed, [&] { host.Change([](auto& o) { o.source = 1; }); });
    Run(host);
    EXPECT_EQ(host.Messages(), (std::vector<Text>{kStart, kFailed, kToFengYun, kAllFailed}));

    test::RecordedWallpaper wallpaper;
    environment_.wallpaper = &wallpaper;
    RecordedHost later(options);
    later.Change([](auto& o) { o.source = 1; });
    // Size was read before the download; position and interval are read when used.
    later.OnLog(kStart, [&] { later.Change([](auto& o) { o.size = 2; }); });
    later.OnLog(kWallpaper, [&] { later.Change([](auto& o) { o.position = 3; }); });
    later.OnLog(kWallpaperDone, [&] { later.Change([](auto& o) { o.interval = 3; }); });
    Run(later);
    EXPECT_EQ(later.Messages(), kFullRun);
    EXPECT_EQ(test::ReadBmp(File("vxmr.png").value_or(Bytes{})).width, 640);
    EXPECT_THAT(wallpaper.Calls(), ElementsAre("apply " + Path("vxmr.png")));
    EXPECT_EQ(later.TimerPeriods().back(), 3 * 600000);
}

TEST_F(RefreshCycleTest, TheFramedPictureIsReplacedWhole) {
    // Each write goes to a temporary file first: no stray file remains beside the two.
    RecordedHost::Options options;
    options.source = 1;
    RecordedHost host(options);
    Run(host);
    std::vector<std::string> names;
    for (const auto& entry :
         std::filesystem::directory_iterator(platform::NativePath(environment_.dataFolder))) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    EXPECT_THAT(names, ElementsAre("vxmr.png", "vxmr_1.png"));
}

TEST(CycleSizeFor, TheFourSizes) {
    EXPECT_EQ(CycleSizeFor(0).width, 640);
    EXPECT_EQ(CycleSizeFor(1).height, 600);
    EXPECT_EQ(CycleSizeFor(2).width, 1024);
    EXPECT_EQ(CycleSizeFor(3).width, 1280);
    EXPECT_EQ(CycleSizeFor(3).height, 960);
    EXPECT_EQ(CycleSizeFor(4).width, 0);
    EXPECT_EQ(CycleSizeFor(-1).height, 0);
}

TEST(PadStrip, OpaqueBlackOfTheRightSizes) {
    struct Case {
        PadStripKind kind;
        int width;
        int height;
    } cases[] = {{PadStripKind::Fast550, 91, 550},
                 {PadStripKind::FengYunHd1024, 170, 1024},
                 {PadStripKind::HimawariHd1100, 183, 1100}};
    for (const Case& c : cases) {
        std::optional<platform::DecodedImage> image = platform::DecodePng(PadStrip(c.kind));
        ASSERT_TRUE(image);
        EXPECT_EQ(image->width, c.width);
        EXPECT_EQ(image->height, c.height);
        bool allOpaqueBlack = true;
        for (size_t i = 0; i < image->pixels.size(); i += 4) {
            allOpaqueBlack = allOpaqueBlack && image->pixels[i] == 0 && image->pixels[i + 1] == 0 &&
                             image->pixels[i + 2] == 0 && image->pixels[i + 3] == 255;
        }
        EXPECT_TRUE(allOpaqueBlack);
    }
}

} // namespace
} // namespace vexmora
