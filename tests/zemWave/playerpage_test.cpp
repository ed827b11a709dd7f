// The module's sample page in controlhost, as a new user runs it: the Player plays a call of
// two generated recordings, two seconds apart, into a WAV file and shows its frames.
#include "platform/sound/wavfiles.h"
#include "zemWave/engine/enginerig.h"
#include "support/runprogram.h"
#include "support/scratch.h"

#include "sound/soundsystem.h"

#include <QImage>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

namespace {

constexpr double kFirstHertz = 440;
constexpr double kSecondHertz = 900;
constexpr int kRate = 8000;

// COLORREF 0x00BBGGRR as the screenshot's RGB.
QRgb Rgb(uint32_t colorref)
{
    return qRgb(colorref & 0xff, (colorref >> 8) & 0xff, (colorref >> 16) & 0xff);
}

// Pixels of the colour in the columns [left, right) of the image.
int CountIn(const QImage& image, int left, int right, uint32_t colorref)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = left; x < right && x < image.width(); ++x)
            count += image.pixel(x, y) == Rgb(colorref) ? 1 : 0;
    }
    return count;
}

TEST(PlayerPage, PlaysTheSecondRecordingTwoSecondsAfterTheFirstAndShowsTheFrames)
{
    ASSERT_EQ(zemtest::RunProgram(ZEM_REGSVREX, {"/c", ZEM_OCX}).exitCode, 0);
    const std::string folder = zemtest::NewFolder("page");
    std::filesystem::copy_file(ZEM_PLAYER_PAGE, folder + "/playcall.html");
    const std::string first = enginetest::WriteTone(folder + "/first.wav", kFirstHertz, 3000);
    const std::string second = enginetest::WriteTone(folder + "/second.wav", kSecondHertz, 1500);
    zemtest::WriteFile(folder + "/data.js",
                       "var recordings = [\n"
                       "  {file: \"" + first + "\", start: \"2024-03-05 10:00:00.000\", group: \"Zug\"},\n"
                       "  {file: \"" + second + "\", start: \"2024-03-05 10:00:02.000\", group: \"Leitstelle\"}];\n"
                       "var callId = 4711;\nvar playMs = 4000;\nvar screenshot = \"" + folder + "/shot.png\";\n");
    const std::string mixPath = folder + "/mix.wav";
    setenv("ZEM_AUDIO", ("wav:" + mixPath).c_str(), 1);
    const zemtest::ProgramRun run = zemtest::RunProgram(ZEM_CONTROLHOST, {folder + "/playcall.html"});
    unsetenv("ZEM_AUDIO");
    ASSERT_EQ(run.exitCode, 0) << run.output;
    EXPECT_NE(run.output.find("Playing call 4711: 2 recordings"), std::string::npos) << run.output;

    const std::vector<int16_t> mix = soundtest::ReadMix(mixPath);
    const std::vector<int16_t> left = soundtest::Side(mix, 0, kRate, 0, static_cast<int>(mix.size() / 2 * 1000 / kRate));
    const long firstOnset = soundtest::ToneOnsetMs(left, kFirstHertz, kRate, 1000);
    const long secondOnset = soundtest::ToneOnsetMs(left, kSecondHertz, kRate, 1000);
    ASSERT_GE(firstOnset, 0);
    ASSERT_GE(secondOnset, 0);
    EXPECT_NEAR(secondOnset - firstOnset, 2000, zem::SoundSystem::kBlockMs);

    // The control sits 4 px into the host window; the main frame's 5 px border, then
    // Frame1 (210 px), a 5 px gap, Frame2 (220 px), a gap and Frame3 (220 px).
    const QImage shot(QString::fromStdString(folder + "/shot.png"));
    ASSERT_FALSE(shot.isNull());
    const int frame1 = 4 + 5 + 5, frame2 = frame1 + 215, frame3 = frame2 + 225;
    EXPECT_GT(CountIn(shot, frame1, frame1 + 210, 0x008000), 0) << "the play button's image";
    EXPECT_GT(CountIn(shot, frame2, frame2 + 220, 0x00974b), 0) << "the volume slider";
    EXPECT_GT(CountIn(shot, frame2, frame2 + 220, 0x000000), 1000) << "Frame2's black";
    EXPECT_EQ(CountIn(shot, frame3, frame3 + 220, 0x5c5c5c), 0) << "Frame3 hidden: nothing is marked";
}

}  // namespace
