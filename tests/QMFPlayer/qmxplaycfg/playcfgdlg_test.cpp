// The settings dialog as a user meets it (through the dialog hook) and its load and save
// without a window.
#include "QMFPlayer/qmxplaycfg/playcfgapp.h"
#include "QMFPlayer/qmxplaycfg/playcfgdlg.h"
#include "configtest.h"
#include "sound/soundsystem.h"
#include "ui/combobox.h"
#include "ui/controls.h"
#include "ui/input.h"
#include "ui/internal/windowwidget.h"
#include "ui/testhooks.h"
#include "ui/messagebox.h"
#include "ui/window.h"
#include "zemWave/modulesettings.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QLabel>
#include <QStyleOptionButton>
#include <gtest/gtest.h>

#include <map>

namespace {

using namespace configtest;

// A fixed device list; a name at failAt cannot be read.
class FakeDevices : public COutputDevices {
public:
    FakeDevices(std::vector<std::string> names, int failAt = -1) : names_(std::move(names)), failAt_(failAt) {}
    int Count() override { return int(names_.size()); }
    bool Name(int index, std::string* name) override
    {
        *name = names_[size_t(index)];
        return index != failAt_;
    }

private:
    std::vector<std::string> names_;
    int failAt_;
};

const std::vector<std::string> kDevices = {"USB Headset", "null", "HDA Intel PCH", "default"};

struct DialogHookGuard {
    explicit DialogHookGuard(std::function<void(HWND)> hook) { SetDialogHook(std::move(hook)); }
    ~DialogHookGuard() { SetDialogHook({}); }
};

// What the open dialog shows.
struct Shown {
    std::vector<std::string> devices;
    std::string device;    // selected, "" for none
    std::string language;  // selected, "" for none
    bool checks[3] = {};   // 1001, 1003, 1004
};

Shown Read(HWND dialog)
{
    Shown shown;
    const HWND devices = GetDlgItem(dialog, CPlayCfgDlg::IDC_DEVICES);
    const HWND languages = GetDlgItem(dialog, CPlayCfgDlg::IDC_LANGUAGE);
    for (int i = 0; i < int(SendMessage(devices, CB_GETCOUNT, 0, 0)); ++i)
        shown.devices.push_back(GetComboBoxText(devices, i));
    shown.device = GetComboBoxText(devices, int(SendMessage(devices, CB_GETCURSEL, 0, 0)));
    shown.language = GetComboBoxText(languages, int(SendMessage(languages, CB_GETCURSEL, 0, 0)));
    const int boxes[] = {CPlayCfgDlg::IDC_OCX_ENABLED, CPlayCfgDlg::IDC_UIC, CPlayCfgDlg::IDC_SAVE_PER_CHANNEL};
    for (int i = 0; i < 3; ++i)
        shown.checks[i] = SendMessage(GetDlgItem(dialog, boxes[i]), BM_GETCHECK, 0, 0) == LRESULT(BST_CHECKED);
    return shown;
}

void Import(const std::string& values)
{
    ASSERT_EQ(RegImportText("REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\KESTRALON\\zemwave.ocx]\r\n" + values),
              ERROR_SUCCESS);
}

// Opens the dialog over the given settings and reports what it showed; Cancel afterwards.
Shown OpenOver(const std::string& values, std::unique_ptr<COutputDevices> devices)
{
    ResetHives();
    Import(values);
    Shown shown;
    DialogHookGuard guard([&](HWND dialog) { shown = Read(dialog); });
    CPlayCfgDlg dialog(std::move(devices));
    dialog.LoadSettings();
    EXPECT_EQ(dialog.DoModal(), IDCANCEL);
    return shown;
}

class PlayCfgDlgTest : public ::testing::Test {
protected:
    void SetUp() override { ResetHives(); }
};

TEST_F(PlayCfgDlgTest, PreselectsWhatTheKeyHolds)
{
    struct Case {
        const char* values;
        std::string device;
        std::string language;
    };
    const Case cases[] = {
        {"\"SndDevName\"=\"HDA Intel PCH\"\r\n\"Language\"=\"Eng\"\r\n", "HDA Intel PCH", "Englisch"},
        {"\"SndDevName\"=\"hda intel pch\"\r\n\"Language\"=\"eng\"\r\n", "", ""},
        {"\"Language\"=\"Deutsch\"\r\n", "", "Deutsch"},
        {"\"Language\"=\"En\"\r\n", "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.values);
        const Shown shown = OpenOver(c.values, std::make_unique<FakeDevices>(kDevices));
        EXPECT_EQ(shown.devices, (std::vector<std::string>{"default", "HDA Intel PCH", "null", "USB Headset"}));
        EXPECT_EQ(shown.device, c.device);
        EXPECT_EQ(shown.language, c.language);
    }
}

TEST_F(PlayCfgDlgTest, AnUnreadableDeviceEndsTheListAndPreselectsNothing)
{
    const char* values = "\"SndDevName\"=\"null\"\r\n\"Language\"=\"Eng\"\r\n\"UICEnabled\"=dword:00000007\r\n"
                         "\"OCXEnabled\"=dword:00000001\r\n";
    const Shown shown = OpenOver(values, std::make_unique<FakeDevices>(kDevices, 2));
    EXPECT_EQ(shown.devices, (std::vector<std::string>{"null", "USB Headset"}));
    EXPECT_EQ(shown.device, "");
    EXPECT_EQ(shown.language, "");
    EXPECT_TRUE(shown.checks[0]);
    EXPECT_TRUE(shown.checks[1]) << "any nonzero number counts as set";
    EXPECT_FALSE(shown.checks[2]);
}

TEST_F(PlayCfgDlgTest, ListsExactlyTheSoundLayersDrivers)
{
    zem::SoundSystem sound;
    std::vector<std::string> drivers;
    for (int i = 0; i < sound.DriverCount(); ++i)
        drivers.push_back(sound.DriverName(i));
    std::sort(drivers.begin(), drivers.end());
    ASSERT_FALSE(drivers.empty());
    EXPECT_EQ(OpenOver("", std::make_unique<COutputDevices>()).devices, drivers);
}

TEST_F(PlayCfgDlgTest, OkSavesTheChoicesForTheModule)
{
    Import("\"Volume\"=dword:00000064\r\n\"Loop\"=dword:00000001\r\n\"SkipSilence\"=dword:00000001\r\n");
    DialogHookGuard guard([](HWND dialog) {
        ChooseComboBoxItem(GetDlgItem(dialog, CPlayCfgDlg::IDC_DEVICES), 1);   // "HDA Intel PCH"
        ChooseComboBoxItem(GetDlgItem(dialog, CPlayCfgDlg::IDC_LANGUAGE), 1);  // "Englisch"
        SendMessage(GetDlgItem(dialog, CPlayCfgDlg::IDC_UIC), BM_CLICK, 0, 0);
        SendMessage(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
    });
    CPlayCfgDlg dialog(std::make_unique<FakeDevices>(kDevices));
    dialog.LoadSettings();
    ASSERT_EQ(dialog.DoModal(), IDOK);

    const std::pair<const char*, const char*> expected[] = {
        {"SndDevName", "HDA Intel PCH"}, {"SndDevName0", "default"},   {"SndDevName1", "HDA Intel PCH"},
        {"SndDevName2", "null"},         {"SndDevName3", "USB Headset"}, {"Language", "Eng"},
        {"Volume", "dword:255"},         {"Loop", "dword:0"},          {"SkipSilence", "dword:0"},
        {"UICEnabled", "dword:1"},       {"SaveGroupSettings", "dword:0"}, {"OCXEnabled", "dword:0"},
    };
    for (const auto& [name, value] : expected)
        EXPECT_EQ(Setting(name), value) << name;

    ZemWaveSettings module;
    module.LoadSettings();
    EXPECT_EQ(module.SndDevname, "HDA Intel PCH");
    EXPECT_EQ(module.UICEnabled, 1u);
    EXPECT_EQ(module.SaveGroupSettings, 0u);
    EXPECT_EQ(module.Volume, 255u);
    EXPECT_EQ(module.Loop, 0u);
}

// Chooses "Englisch" and then ends the dialog as a person does with the keys or buttons.
TEST_F(PlayCfgDlgTest, ReturnSavesAndClosesEscapeAndAbbrechenStoreNothing)
{
    const auto press = [](HWND control, int key) {
        SimulateKey(control, key, true);
        SimulateKey(control, key, false);
    };
    const struct {
        const char* name;
        std::function<void(HWND)> end;
        intptr_t result;
        const char* language;  // stored
    } cases[] = {
        {"Return in the list", [&](HWND d) { press(GetDlgItem(d, CPlayCfgDlg::IDC_LANGUAGE), VK_RETURN); }, IDOK, "Eng"},
        {"Return on a check box", [&](HWND d) { press(GetDlgItem(d, CPlayCfgDlg::IDC_UIC), VK_RETURN); }, IDOK, "Eng"},
        {"Escape", [&](HWND d) { press(GetDlgItem(d, CPlayCfgDlg::IDC_LANGUAGE), VK_ESCAPE); }, IDCANCEL, "<none>"},
        {"Return on Abbrechen", [&](HWND d) { press(GetDlgItem(d, IDCANCEL), VK_RETURN); }, IDCANCEL, "<none>"},
        {"Abbrechen clicked", [](HWND d) { SendMessage(GetDlgItem(d, IDCANCEL), BM_CLICK, 0, 0); }, IDCANCEL, "<none>"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ResetHives();
        DialogHookGuard guard([&](HWND dialog) {
            ChooseComboBoxItem(GetDlgItem(dialog, CPlayCfgDlg::IDC_LANGUAGE), 1);
            c.end(dialog);
        });
        CPlayCfgDlg dialog(std::make_unique<FakeDevices>(kDevices));
        EXPECT_EQ(dialog.DoModal(), c.result);
        EXPECT_EQ(Setting("Language"), c.language);
        EXPECT_EQ(std::filesystem::exists(HiveFilePath("HKCU")), c.result == IDOK);
    }
}

// What of a control's text its window cannot show: lines wider than the room beside a check
// box or inside a button, or more lines than its height holds.
std::string CutText(HWND control)
{
    QWidget* window = zem::ui::WidgetOf(control);
    if (const auto* label = window->findChild<QLabel*>()) {
        // The leading below the last line need not fit.
        if (label->heightForWidth(label->width()) - label->fontMetrics().leading() > label->height())
            return label->text().toStdString();
        return {};
    }
    const auto* button = window->findChild<QAbstractButton*>();
    if (!button)
        return {};
    QStyleOptionButton option;
    option.initFrom(button);
    const bool box = qobject_cast<const QCheckBox*>(button) != nullptr;
    const int room = box ? button->style()->subElementRect(QStyle::SE_CheckBoxContents, &option, button).width()
                         : button->width() - 2 * button->style()->pixelMetric(QStyle::PM_ButtonMargin);
    const QStringList lines = button->text().split(u'\n');
    std::string cut;
    for (const QString& line : lines) {
        if (button->fontMetrics().horizontalAdvance(line) > room)
            cut += line.toStdString() + "|";
    }
    if (int(lines.size()) * button->fontMetrics().lineSpacing() > button->height())
        cut += "lines: " + std::to_string(lines.size());
    return cut;
}

TEST_F(PlayCfgDlgTest, EveryControlShowsItsWholeTextAndTheListsLeaveTheButtonsFree)
{
    std::map<int, std::string> cut;
    RECT ok{}, cancel{}, languages{}, devices{};
    DialogHookGuard guard([&](HWND dialog) {
        for (int id : {IDOK, IDCANCEL, int(CPlayCfgDlg::IDC_OCX_ENABLED), int(CPlayCfgDlg::IDC_UIC),
                       int(CPlayCfgDlg::IDC_SAVE_PER_CHANNEL), 0})
            cut[id] = CutText(GetDlgItem(dialog, id));  // 0: the first static text
        GetWindowRect(GetDlgItem(dialog, IDOK), &ok);
        GetWindowRect(GetDlgItem(dialog, IDCANCEL), &cancel);
        GetWindowRect(GetDlgItem(dialog, CPlayCfgDlg::IDC_LANGUAGE), &languages);
        GetWindowRect(GetDlgItem(dialog, CPlayCfgDlg::IDC_DEVICES), &devices);
    });
    CPlayCfgDlg dialog(std::make_unique<FakeDevices>(kDevices));
    dialog.DoModal();
    for (const auto& [id, text] : cut)
        EXPECT_EQ(text, "") << "control " << id;
    EXPECT_LT(languages.bottom, ok.top);
    EXPECT_LT(devices.bottom, languages.top);
    EXPECT_LT(ok.right, cancel.left);
}

std::string TestProgram()
{
    return std::filesystem::read_symlink("/proc/self/exe").string();
}

TEST_F(PlayCfgDlgTest, CancelWritesNothingRunsNothingAndCleansUp)
{
    DialogHookGuard guard([](HWND dialog) { SendMessage(GetDlgItem(dialog, IDCANCEL), BM_CLICK, 0, 0); });
    CPlayCfgApp app(TestProgram());
    EXPECT_FALSE(app.InitInstance(""));
    EXPECT_FALSE(std::filesystem::exists(HiveFilePath("HKCU")));
    EXPECT_FALSE(std::filesystem::exists(HiveFilePath("HKLM")));
    EXPECT_EQ(LeftTempFolders(), 0);
}

}  // namespace
