// The configuration program's settings dialog as a person works it: the language list chosen
// with the keys, then OK or Abbrechen clicked, Return, Escape or the window closed.
#include "process/childprocess.h"
#include "support/scratch.h"
#include "support/x11session.h"

#include <QImage>
#include <gtest/gtest.h>

#include <cstdlib>
#include <set>

namespace {

using zem::ChildProcess;

constexpr int kEndMs = 20000;

// A point of the dialog given in its dialog units (320 x 111), in pixels of its client area.
QPoint At(const QRect& client, int x, int y)
{
    return {client.width() * x / 320, client.height() * y / 111};
}

// How many different colours a part of the picture has: a drawn button has its frame, face
// and label, a list lying over it one colour.
size_t Colours(const QImage& image, const QRect& part)
{
    std::set<QRgb> colours;
    for (int y = part.top(); y <= part.bottom(); ++y)
        for (int x = part.left(); x <= part.right(); ++x)
            colours.insert(image.pixel(x, y));
    return colours.size();
}

TEST(X11SettingsDialog, EnglishIsSavedByOkAndReturnAndNothingByEscapeAbbrechenOrClosing)
{
    zemtest::X11Session x;
    ZEM_REQUIRE_X11(x);
    enum class End { ClickOk, Return, Escape, ClickAbbrechen, Close };
    const struct {
        const char* how;
        End end;
        bool saved;
    } cases[] = {
        {"OK clicked", End::ClickOk, true},       {"Return", End::Return, true},
        {"Escape", End::Escape, false},           {"Abbrechen clicked", End::ClickAbbrechen, false},
        {"window closed", End::Close, false},
    };
    const std::string savedRoot = std::getenv("ZEM_ROOT");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.how);
        const std::string root = zemtest::NewFolder("settings");
        setenv("ZEM_ROOT", root.c_str(), 1);  // a user without settings
        ChildProcess program;
        ASSERT_TRUE(program.Start({std::string("\"") + QMXPLAYCFG + "\"", "", true}));
        const auto window = x.FindWindow("^qmxPlayer Konfiguration$");
        ASSERT_NE(window, 0u);
        const QRect client = x.Geometry(window);
        ASSERT_TRUE(x.Activate(window));

        // A click on the check box before it (7, 55) gives it the focus, Tab moves it on to
        // the language list, End takes the list's last entry, "Englisch". (A click on the
        // list would open it at a moment of its own, racing the keys.)
        const QPoint box = At(client, 7 + 5, 55 + 10);
        ASSERT_TRUE(x.Click(window, box.x(), box.y()));
        ASSERT_TRUE(x.Key("Tab"));
        ASSERT_TRUE(x.Key("End"));

        if (c.end == End::ClickOk) {
            // Both buttons are drawn where the template puts them, clear of the lists.
            const QImage shot = x.Grab(window);
            ASSERT_FALSE(shot.isNull());
            shot.save(QString::fromStdString(zemtest::NewFolder("shot") + "/settings.png"));
            const QPoint ok = At(client, 176, 90), cancel = At(client, 241, 90), size = At(client, 50, 14);
            EXPECT_GE(Colours(shot, QRect(ok, QSize(size.x(), size.y()))), 3u) << "OK";
            EXPECT_GE(Colours(shot, QRect(cancel, QSize(size.x(), size.y()))), 3u) << "Abbrechen";
        }
        const QPoint ok = At(client, 176 + 25, 90 + 7), cancel = At(client, 241 + 25, 90 + 7);
        switch (c.end) {
        case End::ClickOk: ASSERT_TRUE(x.Click(window, ok.x(), ok.y())); break;
        case End::Return: ASSERT_TRUE(x.Key("Return")); break;
        case End::Escape: ASSERT_TRUE(x.Key("Escape")); break;
        case End::ClickAbbrechen: ASSERT_TRUE(x.Click(window, cancel.x(), cancel.y())); break;
        case End::Close: ASSERT_TRUE(x.Close(window)); break;
        }
        std::string output;
        EXPECT_EQ(program.Wait(kEndMs, zem::WakeEvent(), output), ChildProcess::Outcome::Exited) << output;
        EXPECT_TRUE(x.WaitNoWindow("^qmxPlayer Konfiguration$"));
        // The pointer parked away: a click moves it with a wait that never ends when it is
        // already where it is sent.
        x.Run({"xdotool", "mousemove", "0", "0"});
        const std::string hive = root + "/registry/HKCU.reg";
        if (c.saved) {
            EXPECT_NE(zemtest::ReadFile(hive).find("\"Language\"=\"Eng\""), std::string::npos)
                << zemtest::ReadFile(hive);
        } else {
            EXPECT_FALSE(zemtest::Exists(hive)) << zemtest::ReadFile(hive);
        }
    }
    setenv("ZEM_ROOT", savedRoot.c_str(), 1);
}

}  // namespace
