// The Player control in controlhost as a person meets it on an X display: the window's title bar
// on the screen and its least size, the control's colours, a held arrow key on its focused speed
// slider, and Alt+F4 ending the host.
#include "process/childprocess.h"
#include "support/runprogram.h"
#include "support/scratch.h"
#include "support/x11session.h"

#include <QImage>
#include <filesystem>
#include <gtest/gtest.h>

namespace {

namespace fs = std::filesystem;
using zem::ChildProcess;

const std::string kBin = fs::path(QMXPLAY).parent_path();
constexpr QRgb kSpeedBack = qRgb(0xca, 0xca, 0x00);
constexpr QRgb kVolumeBack = qRgb(0x4b, 0x97, 0x00);
constexpr int kCell = 20;  // Frame2's fixed columns and rows

// The pixels of one colour in an image: their bounding box.
QRect Extent(const QImage& image, QRgb color)
{
    QRect box;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if ((image.pixel(x, y) & 0xFFFFFF) == (color & 0xFFFFFF))
                box = box.united(QRect(x, y, 1, 1));
        }
    }
    return box;
}

// Where the thumb sits in a slider: the mean column of the pixels in the slider's middle line
// that are not its background.
double ThumbX(const QImage& image, const QRect& slider)
{
    const int y = slider.center().y();
    double sum = 0;
    int count = 0;
    for (int x = slider.left(); x <= slider.right(); ++x) {
        if ((image.pixel(x, y) & 0xFFFFFF) != (kSpeedBack & 0xFFFFFF)) {
            sum += x;
            ++count;
        }
    }
    return count ? sum / count : -1;
}

int PureWhiteIn(const QImage& image, const QRect& cell)
{
    int white = 0;
    for (int y = cell.top(); y <= cell.bottom(); ++y) {
        for (int x = cell.left(); x <= cell.right(); ++x)
            white += (image.pixel(x, y) & 0xFFFFFF) == 0xFFFFFF;
    }
    return white;
}

TEST(X11Player, ColoursKeysAndClosingInTheHost)
{
    zemtest::X11Session x;
    ZEM_REQUIRE_X11(x);
    ASSERT_EQ(zemtest::RunProgram(kBin + "/regsvrex.exe", {"/c", kBin + "/zemwave.ocx"}).exitCode, 0);
    const std::string page = zemtest::NewFolder("page") + "/player.html";
    zemtest::WriteFile(page, "<html><head><title>Player X11</title></head><body>\n"
                             "<object id=\"player\" classid=\"ZEMWAVE.PlayerCtrl.1\" width=\"760\" height=\"130\">"
                             "</object>\n</body></html>\n");
    setenv("ZEM_AUDIO", "null", 1);
    ChildProcess host;
    ASSERT_TRUE(host.Start({"\"" + kBin + "/controlhost\" \"" + page + "\"", "", true}));
    const auto window = x.FindWindow("^Player X11$");
    ASSERT_NE(window, 0u);
    QImage shot;
    QRect speed;
    ASSERT_TRUE(zemtest::WaitUntil([&] {
        shot = x.Grab(window);
        if (shot.isNull())
            return false;
        // The two sliders span Frame2; their thumbs (speed 100 of 33 to 300, volume at the top)
        // cover different ends, so together their backgrounds show the whole width.
        const QRect rows = Extent(shot, kSpeedBack);
        const QRect columns = rows.united(Extent(shot, kVolumeBack));
        speed = QRect(columns.left(), rows.top(), columns.width(), rows.height());
        return rows.width() > 100;
    })) << "the speed slider is never painted";
    // The host sizes its window after showing it, at 0, 0: placed by its frame, the title bar
    // with its close button stays on the screen.
    EXPECT_GT(x.Geometry(window).top(), 0) << "the title bar above the screen";
    // Nothing scrolls the page: the window cannot be made smaller than the Player and its margins.
    const auto hints = x.Run({"xprop", "-id", std::to_string(window), "WM_NORMAL_HINTS"});
    EXPECT_NE(hints.output.find("minimum size: 768 by 138"), std::string::npos) << hints.output;

    // Frame2's check boxes sit in the row below the speed slider, in its first and third
    // columns, on the frame's black.
    const int half = (speed.width() - 2 * kCell) / 2;
    for (const QRect& cell : {QRect(speed.left(), speed.bottom() + 1, kCell, kCell),
                              QRect(speed.left() + kCell + half, speed.bottom() + 1, kCell, kCell)}) {
        EXPECT_EQ(PureWhiteIn(shot, cell), 0) << "check box at " << cell.x() << ", " << cell.y() << " below the slider at "
                                              << speed.x() << ", " << speed.y() << ", width " << speed.width();
    }

    // A click gives the slider the focus; a held Right arrow then moves the thumb step after
    // step, further with each repeat.
    ASSERT_TRUE(x.Activate(window));
    ASSERT_TRUE(x.Click(window, speed.center().x(), speed.center().y()));
    double before = -1;
    ASSERT_TRUE(zemtest::WaitUntil([&] {
        before = ThumbX(x.Grab(window), speed);
        return before > 0;
    }));
    ASSERT_TRUE(x.KeyDown("Right"));
    const bool moved = zemtest::WaitUntil([&] { return ThumbX(x.Grab(window), speed) > before + 10; });
    ASSERT_TRUE(x.KeyUp("Right"));
    EXPECT_TRUE(moved) << "the thumb stays at " << before;

    ASSERT_TRUE(x.Key("alt+F4"));
    std::string output;
    EXPECT_EQ(host.Wait(30000, zem::WakeEvent(), output), ChildProcess::Outcome::Exited) << output;
    EXPECT_EQ(host.ExitCode(), 0) << output;
}

}  // namespace
