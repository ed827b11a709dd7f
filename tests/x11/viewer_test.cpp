// The call viewer's page in the browser stand-in as a person meets it: a call on a line of the
// "Strecke", its recording marked by a click on its Prompt row's "Mark."; the Player then shows
// the marked recording's two filter switches and, beside them, the version text.
#include "process/childprocess.h"
#include "support/runprogram.h"
#include "support/scratch.h"
#include "support/x11session.h"
#include "zemWave/engine/enginerig.h"

#include <QImage>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <functional>

namespace {

using zem::ChildProcess;

// Pixels of a part of the picture that pass the test.
int Count(const QImage& image, const QRect& part, const std::function<bool(QRgb)>& test)
{
    int count = 0;
    for (int y = part.top(); y <= part.bottom(); ++y)
        for (int x = part.left(); x <= part.right(); ++x)
            count += test(image.pixel(x, y)) ? 1 : 0;
    return count;
}

bool Light(QRgb pixel, int least)
{
    return qRed(pixel) >= least && qGreen(pixel) >= least && qBlue(pixel) >= least;
}

TEST(X11Viewer, AMarkedRecordingShowsBothFilterSwitchesAndTheVersionText)
{
    zemtest::X11Session x;
    ZEM_REQUIRE_X11(x);
    const std::string savedRoot = std::getenv("ZEM_ROOT");
    const std::string root = zemtest::NewFolder("viewer");
    setenv("ZEM_ROOT", root.c_str(), 1);
    ASSERT_EQ(zemtest::RunProgram(REGSVREX, {"/c", ZEMWAVE_OCX}).exitCode, 0);
    const std::string folder = zemtest::NewFolder("call");
    zemtest::WriteFile(folder + "/settings.reg", "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\KESTRALON\\zemwave.ocx]\r\n"
                                                 "\"UICEnabled\"=dword:00000001\r\n");
    ASSERT_EQ(zemtest::RunProgram(REGEDIT, {"/s", folder + "/settings.reg"}).exitCode, 0);

    const std::string viewer = VIEWER_FOLDER;
    std::filesystem::copy_file(viewer + "/start.html", folder + "/start.html");
    std::filesystem::copy_file(viewer + "/callviewer.js", folder + "/callviewer.js");
    std::filesystem::copy_file(viewer + "/texts_deu.js", folder + "/texts.js");
    enginetest::WriteTone(folder + "/AAAA.dat", 440, 20000);
    zemtest::WriteFile(folder + "/data.js",
                       "var directory=\"" + folder + "/\";\nvar IsInstalledzemWaveActiveX = true;\n"
                       "oCallViewer['call'] = new Array();\noAudioFiles = new Array();\n"
                       "oCallViewer['call'][0] = new Array();\noCallViewer['call'][0]['id'] = \"77\";\n"
                       "oAudioFiles['77'] = new Array();\noCallViewer['call'][0]['accdevname'] = \"Strecke 7\";\n"
                       "oCallViewer['call'][0]['CallTags'] = new Array();\n"
                       "oCallViewer['call'][0]['CallTags'][1030] = new Array();\n"
                       "oCallViewer['call'][0]['CallTags'][1030][0] = new Array();\n"
                       "oCallViewer['call'][0]['CallTags'][1030][0]['tstagbegin'] = \"2024-03-05 10:00:00\";\n"
                       "oCallViewer['call'][0]['CallTags'][1030][0]['tagdetails'] = \"AAAA.dat\";\n"
                       "oAudioFiles['77'][0] = new Array();\noAudioFiles['77'][0]['fname'] = \"" + folder + "/AAAA.dat\";\n");

    ChildProcess host;
    ASSERT_TRUE(host.Start({std::string("\"") + CONTROLHOST + "\" \"" + folder + "/start.html\"", "", true}));
    const auto window = x.FindWindow("^Call Viewer$");  // the page's title
    ASSERT_NE(window, 0u);

    // The Prompt lies below the Player (96 px) and the PlayList (150 px), 4 px apart; its one
    // channel row starts below the date line with the flags "Akt." and "Mark.": a click on
    // "Mark." marks the line's recording.
    // A person clicks it once it is there to see.
    const QRect markFlag(44, 290, 30, 11);
    // Not marked yet, the flag is grey: a white pixel there is the play position passing by.
    const auto grey = [](QRgb p) {
        return qRed(p) == qGreen(p) && qGreen(p) == qBlue(p) && qRed(p) >= 0x50 && qRed(p) <= 0xB0;
    };
    ASSERT_TRUE(zemtest::WaitUntil([&] {
        const QImage image = x.Grab(window);
        return !image.isNull() && Count(image, markFlag, grey) >= 5;
    })) << "the flag \"Mark.\" never showed";
    const std::string id = std::to_string(window);
    EXPECT_EQ(x.Run({"xdotool", "mousemove", "--window", id, "58", "296", "click", "1"}).exitCode, 0);

    // The Player's place in the window (4, 4): the main frame's 5 px border, the marked frame
    // at 450 to 670 with its filter row at 69 to 89, its second switch at 579 and that
    // switch's name at 599 to 660; the version text from 670 to the right edge.
    // The switch is drawn over its frame's colour; the texts show their frame's colour around them.
    const QRect secondSwitch(4 + 579, 4 + 69, 20, 20), secondName(4 + 600, 4 + 69, 60, 20),
        version(4 + 672, 4 + 6, 80, 82);
    const auto colour = [](QRgb rgb) { return [rgb](QRgb p) { return (p & 0xFFFFFF) == rgb; }; };
    const auto light = [](int least) { return [least](QRgb p) { return Light(p, least); }; };
    QImage shot;
    const bool shown = zemtest::WaitUntil([&] {
        shot = x.Grab(window);
        return !shot.isNull() && Count(shot, secondSwitch, [](QRgb p) { return (p & 0xFFFFFF) != 0x5C5C5Cu; }) >= 20 &&
               Count(shot, secondName, colour(0x5C5C5C)) >= 200 && Count(shot, secondName, light(0xE0)) >= 5 &&
               Count(shot, version, colour(0x808080)) >= 200 && Count(shot, version, light(0xA8)) >= 5;
    });
    if (!shot.isNull())
        shot.save(QString::fromStdString(zemtest::NewFolder("shot") + "/viewer.png"));
    EXPECT_TRUE(shown) << "second filter switch, its name or the version text not shown";

    ASSERT_TRUE(x.Close(window));
    std::string output;
    EXPECT_EQ(host.Wait(20000, zem::WakeEvent(), output), ChildProcess::Outcome::Exited) << output;
    setenv("ZEM_ROOT", savedRoot.c_str(), 1);
}

}  // namespace
