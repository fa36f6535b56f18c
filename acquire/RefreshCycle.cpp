#include "acquire/RefreshCycle.h"

#include <algorithm>
#include <thread>

#include "acquire/FengYunSource.h"
#include "acquire/HimawariSource.h"
#include "acquire/PadAndScale.h"
#include "acquire/PictureCheck.h"
#include "imaging/ScaleImage.h"
#include "platform/FileSystem.h"

namespace vexmora {
namespace {

constexpr const char* kUpdating = " 正在更新地球图片……";
constexpr const char* kUpdated = " 更新地球图片完成。";
constexpr const char* kUpdateFailed = " 更新地球图片失败。";
constexpr const char* kFallingBackToFengYun = " 正在获取风云4号图片……";
constexpr const char* kFallingBackToHimawari = " 正在获取向日葵8号图片……";
constexpr const char* kAllFailed = " 更新地球图片全部失败。";
constexpr const char* kFraming = " 正在处理图片大小……";
constexpr const char* kFramed = " 处理图片大小完成。";
constexpr const char* kChangingWallpaper = " 正在更换背景图片……";
constexpr const char* kWallpaperChanged = " 更换背景图片完成。";

// One picture under test: what was fetched, from which source, and whether it counts.
struct Download {
    Bytes picture;
    int origin = -1; // 0 FengYun-4A, 1 Himawari-8, -1 nothing was fetched
};

constexpr int kThumbnailSide = 550;
// ScaleImage's answer for input it cannot read: one black pixel.
constexpr size_t kUnreadablePictureBytes = 58;

class Cycle {
public:
    Cycle(CycleHost& host, const CycleEnvironment& environment, CycleCompletion* completion,
          bool hd)
        : host_(host), environment_(environment), completion_(completion), hd_(hd),
          folder_(WithTrailingSlash(environment.dataFolder)) {}

    void Run() {
        Begin();
        CycleSize size = CycleSizeFor(host_.Size());
        Log(kUpdating);
        Download download = Fetch(host_.Source());
        if (!Counts(download)) {
            Log(kUpdateFailed);
            if (!host_.SwitchOnFailure()) {
                return End();
            }
            int source = host_.Source();
            if (source == 1) {
                Log(kFallingBackToFengYun);
                download = Fetch(0);
            } else if (source == 0) {
                Log(kFallingBackToHimawari);
                download = Fetch(1);
            } else {
                download = {};
            }
            if (!Counts(download)) {
                Log(kAllFailed);
                return End();
            }
        }
        // Only a picture that counts reaches the picture box, so a failed download never
        // replaces the picture shown (which a size change would frame into the wallpaper).
        host_.SetPicture(download.picture);
        platform::WriteWholeFile(folder_ + kDownloadedPictureName, download.picture);
        Log(kUpdated);
        if (hd_ && !host_.SetWallpaper()) {
            return End();
        }
        Log(kFraming);
        PadAndScale(download.picture, PadStrip(StripFor(download)), size, folder_);
        Log(kFramed);
        if (!hd_ && !host_.SetWallpaper()) {
            return End();
        }
        Log(kChangingWallpaper);
        ChangeWallpaper();
        Log(kWallpaperChanged);
        End();
    }

private:
    void Begin() {
        host_.SetTimerPeriod(0);
        host_.SetControlEnabled(CycleControl::SettingsGroup, false);
        host_.SetControlEnabled(CycleControl::RefreshButton, false);
        host_.SetControlEnabled(CycleControl::TrayRefresh, false);
    }

    void End() {
        host_.SetControlEnabled(CycleControl::SettingsGroup, true);
        host_.SetControlEnabled(CycleControl::RefreshButton, true);
        host_.SetControlEnabled(CycleControl::TrayRefresh, true);
        auto arm = [this](bool refreshAgain) {
            // A negative interval (a damaged setting) stops the timer like 0 does.
            host_.SetTimerPeriod(refreshAgain ? kRefreshSoonMs
                                              : std::max(0, host_.Interval()) * kIntervalStepMs);
        };
        if (completion_) {
            completion_->Complete(arm);
        } else {
            arm(false);
        }
    }

    Download Fetch(int source) {
        Download download;
        if (source == 0) {
            download.origin = 0;
            if (hd_) {
                download.picture = FetchFengYunHd(environment_.endpoints);
            } else {
                Bytes thumbnail = FetchFengYunThumbnail(environment_.endpoints);
                download.picture = ScaleImage(thumbnail, kThumbnailSide, kThumbnailSide, true);
            }
        } else if (source == 1) {
            download.origin = 1;
            download.picture = hd_ ? FetchHimawariHd(environment_.endpoints)
                                   : FetchHimawariThumbnail(environment_.endpoints);
        }
        return download;
    }

    bool Counts(const Download& download) const {
        if (download.origin < 0) {
            return false;
        }
        if (hd_) {
            // The sources return a joined picture only when all four tiles decoded.
            return !download.picture.empty();
        }
        // The one-pixel picture of 58 bytes is ScaleImage's answer to an unreadable download;
        // anything else must still decode, so an error page is not taken for the Earth.
        return download.picture.size() > kUnreadablePictureBytes &&
               IsDecodableImage(download.picture);
    }

    PadStripKind StripFor(const Download& download) const {
        if (!hd_) {
            return PadStripKind::Fast550;
        }
        return download.origin == 0 ? PadStripKind::FengYunHd1024 : PadStripKind::HimawariHd1100;
    }

    void ChangeWallpaper() {
        WallpaperActions& wallpaper =
            environment_.wallpaper ? *environment_.wallpaper : DesktopWallpaperActions();
        Text path = folder_ + kWallpaperPictureName;
        if (hd_) {
            int position = host_.Position();
            if (position == 3) {
                wallpaper.ApplyWallpaper(path);
            } else {
                wallpaper.SetDesktopWallpaper(path, position);
            }
            return;
        }
        Pause(std::chrono::milliseconds(100));
        int position = host_.Position();
        if (position != 3) {
            wallpaper.SetDesktopWallpaper(path, position);
        }
        wallpaper.ApplyWallpaper(path);
    }

    void Pause(std::chrono::milliseconds duration) {
        if (environment_.pause) {
            environment_.pause(duration);
        } else {
            std::this_thread::sleep_for(duration);
        }
    }

    void Log(const char* message) {
        ClockReading clock = environment_.clock ? environment_.clock() : LocalClock();
        host_.AppendLog(LogLine(clock, message));
    }

    CycleHost& host_;
    const CycleEnvironment& environment_;
    CycleCompletion* completion_;
    bool hd_;
    Text folder_;
};

} // namespace

void RunFastCycle(CycleHost& host, const CycleEnvironment& environment,
                  CycleCompletion* completion) {
    Cycle(host, environment, completion, false).Run();
}

void RunHdCycle(CycleHost& host, const CycleEnvironment& environment, CycleCompletion* completion) {
    Cycle(host, environment, completion, true).Run();
}

void RunRefreshCycle(int quality, CycleHost& host, const CycleEnvironment& environment,
                     CycleCompletion* completion) {
    if (quality == 0) {
        RunFastCycle(host, environment, completion);
    } else {
        RunHdCycle(host, environment, completion);
    }
}

} // namespace vexmora
