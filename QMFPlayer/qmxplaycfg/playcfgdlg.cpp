#include "QMFPlayer/qmxplaycfg/playcfgdlg.h"

#include "QMFPlayer/common/programicon.h"

#include "registry/registry.h"
#include "ui/combobox.h"
#include "ui/controls.h"
#include "ui/input.h"
#include "ui/messagebox.h"
#include "ui/window.h"

#include <cstring>

using namespace zem;

namespace {

// Below HKEY_CURRENT_USER: the control module's per-user settings.
constexpr char kSettingsKey[] = "Software\\KESTRALON\\zemwave.ocx";
constexpr DWORD kTextBufferSize = 512;

// Missing or unreadable: 0; any other number counts as set.
bool ReadFlag(HKEY key, const char* name)
{
    DWORD type = 0;
    DWORD value = 0;
    DWORD size = sizeof value;
    if (RegQueryValueEx(key, name, &type, reinterpret_cast<BYTE*>(&value), &size) != ERROR_SUCCESS)
        return false;
    return type == REG_DWORD && size == sizeof value && value != 0;
}

bool ReadText(HKEY key, const char* name, std::string& text)
{
    DWORD type = 0;
    char buffer[kTextBufferSize];
    DWORD size = sizeof buffer;
    if (RegQueryValueEx(key, name, &type, reinterpret_cast<BYTE*>(buffer), &size) != ERROR_SUCCESS ||
        type != REG_SZ)
        return false;
    text.assign(buffer, strnlen(buffer, size));
    return true;
}

void WriteText(HKEY key, const std::string& name, const std::string& text)
{
    RegSetValueEx(key, name.c_str(), REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()), DWORD(text.size() + 1));
}

void WriteNumber(HKEY key, const char* name, DWORD value)
{
    RegSetValueEx(key, name, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
}

int ItemCount(HWND list)
{
    return static_cast<int>(SendMessage(list, CB_GETCOUNT, 0, 0));
}

// Selects every entry that matches; the last match stays selected.
template <class Matches>
void SelectMatching(HWND list, Matches matches)
{
    for (int i = 0; i < ItemCount(list); ++i) {
        if (matches(GetComboBoxText(list, i)))
            SendMessage(list, CB_SETCURSEL, WPARAM(i), 0);
    }
}

void AddItem(HWND list, const std::string& text)
{
    SendMessage(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

DialogItem Button(int id, const char* text, uint32_t style, int x, int y, int cx, int cy)
{
    return {DialogItem::Kind::Button, id, text, style, x, y, cx, cy};
}

}  // namespace

CPlayCfgDlg::CPlayCfgDlg(std::unique_ptr<COutputDevices> devices) : devices_(std::move(devices)) {}

const DialogTemplate& CPlayCfgDlg::Template()
{
    using Kind = DialogItem::Kind;
    constexpr uint32_t kList = CBS_DROPDOWNLIST | CBS_SORT | WS_VSCROLL;
    static const DialogTemplate dialog{
        "qmxPlayer Konfiguration", 320, 111,
        {
            Button(IDOK, "OK", BS_DEFPUSHBUTTON, 176, 90, 50, 14),
            Button(IDCANCEL, "Abbrechen", BS_PUSHBUTTON, 241, 90, 50, 14),
            Button(IDC_OCX_ENABLED, "   qmxPlayer Kontrollelement aktivieren", BS_AUTOCHECKBOX, 7, 7, 142, 28),
            {Kind::Static, 0, "Ausgabeger\xE4t f\xFCr Audiowiedergabe:", 0, 171, 15, 114, 8},
            {Kind::ComboBox, IDC_DEVICES, "", kList, 171, 28, 126, 66},
            Button(IDC_UIC, "Erweiterung UIC Zugfunk", BS_AUTOCHECKBOX, 7, 30, 128, 24),
            Button(IDC_SAVE_PER_CHANNEL, "Einstellungen pro Kanal speichern", BS_AUTOCHECKBOX, 7, 55, 124, 21),
            {Kind::Static, 0, "Sprache:", 0, 171, 49, 42, 9},
            {Kind::ComboBox, IDC_LANGUAGE, "", kList, 171, 61, 124, 48},
        }};
    return dialog;
}

intptr_t CPlayCfgDlg::DoModal()
{
    const intptr_t result = DialogBox(Template(), [this](HWND hwnd, UINT message, WPARAM wParam, LPARAM) {
        return Procedure(hwnd, message, wParam);
    });
    dialog_ = deviceList_ = languageList_ = nullptr;
    return result;
}

LRESULT CPlayCfgDlg::Procedure(HWND hwnd, UINT message, WPARAM wParam)
{
    if (message == WM_INITDIALOG) {
        dialog_ = hwnd;
        ShowProgramIcon(hwnd);
        deviceList_ = GetDlgItem(hwnd, IDC_DEVICES);
        languageList_ = GetDlgItem(hwnd, IDC_LANGUAGE);
        return OnInitDialog();
    }
    if (message == WM_COMMAND && LOWORD(wParam) == IDOK) {
        OnOK();
        return 1;
    }
    return 0;
}

bool CPlayCfgDlg::OnInitDialog()
{
    AddItem(languageList_, "Deutsch");
    AddItem(languageList_, "Englisch");
    DoDataExchange(false);
    SendMessage(deviceList_, CB_RESETCONTENT, 0, 0);
    const int count = devices_->Count();
    for (int i = 0; i < count; ++i) {
        std::string name;
        // A device that cannot be read ends the list, and nothing is preselected.
        if (!devices_->Name(i, &name))
            return true;
        AddItem(deviceList_, name);
    }
    LoadSettings();
    return true;
}

void CPlayCfgDlg::OnOK()
{
    DoDataExchange(true);
    SaveSettings();
    EndDialog(dialog_, IDOK);
}

void CPlayCfgDlg::DoDataExchange(bool save)
{
    const std::pair<int, bool*> boxes[] = {
        {IDC_UIC, &m_bUIC}, {IDC_SAVE_PER_CHANNEL, &m_bSavePerChannel}, {IDC_OCX_ENABLED, &m_bOCXEnabled}};
    for (const auto& [id, member] : boxes) {
        const HWND box = GetDlgItem(dialog_, id);
        if (save)
            *member = SendMessage(box, BM_GETCHECK, 0, 0) == LRESULT(BST_CHECKED);
        else
            SendMessage(box, BM_SETCHECK, *member ? BST_CHECKED : BST_UNCHECKED, 0);
    }
}

void CPlayCfgDlg::LoadSettings()
{
    HKEY key = nullptr;
    if (RegOpenKeyEx(HKEY_CURRENT_USER, kSettingsKey, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return;
    m_bOCXEnabled = ReadFlag(key, "OCXEnabled");
    m_bUIC = ReadFlag(key, "UICEnabled");
    m_bSavePerChannel = ReadFlag(key, "SaveGroupSettings");
    if (ReadText(key, "SndDevname", m_strDeviceName) && deviceList_)
        SelectMatching(deviceList_, [this](const std::string& entry) { return entry == m_strDeviceName; });
    if (ReadText(key, "Language", m_strLanguage) && languageList_) {
        SelectMatching(languageList_, [this](const std::string& entry) {
            return std::strncmp(entry.c_str(), m_strLanguage.c_str(), 3) == 0;
        });
    }
    RegCloseKey(key);
    if (dialog_)
        DoDataExchange(false);
}

void CPlayCfgDlg::SaveSettings()
{
    if (dialog_)
        DoDataExchange(true);
    HKEY key = nullptr;
    if (RegCreateKeyEx(HKEY_CURRENT_USER, kSettingsKey, KEY_READ | KEY_WRITE, &key) != ERROR_SUCCESS)
        return;
    if (deviceList_) {
        const int selected = static_cast<int>(SendMessage(deviceList_, CB_GETCURSEL, 0, 0));
        for (int i = 0; i < ItemCount(deviceList_); ++i) {
            const std::string name = GetComboBoxText(deviceList_, i);
            WriteText(key, "SndDevName" + std::to_string(i), name);
            if (i == selected)
                WriteText(key, "SndDevName", name);
        }
    }
    if (languageList_) {
        const int selected = static_cast<int>(SendMessage(languageList_, CB_GETCURSEL, 0, 0));
        WriteText(key, "Language", GetComboBoxText(languageList_, selected).substr(0, 3));
    }
    WriteNumber(key, "Volume", 255);
    WriteNumber(key, "Loop", 0);
    WriteNumber(key, "SkipSilence", 0);
    WriteNumber(key, "OCXEnabled", m_bOCXEnabled);
    WriteNumber(key, "SaveGroupSettings", m_bSavePerChannel);
    WriteNumber(key, "UICEnabled", m_bUIC);
    RegCloseKey(key);
}
