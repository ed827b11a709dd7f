// CPlayCfgDlg: the settings dialog of the configuration program. It edits the per-user
// settings key of zemwave.ocx (output device, language, train-radio extension, settings per
// channel, and whether the control module is to be registered); its load and save also work
// without the dialog window, for the command-line switches.
#pragma once

#include "QMFPlayer/qmxplaycfg/outputdevices.h"
#include "ui/dialogbox.h"

#include <memory>
#include <string>

class CPlayCfgDlg {
public:
    enum : int {
        IDD = 102,
        IDC_OCX_ENABLED = 1001,
        IDC_DEVICES = 1002,
        IDC_UIC = 1003,
        IDC_SAVE_PER_CHANNEL = 1004,
        IDC_LANGUAGE = 1005,
    };

    explicit CPlayCfgDlg(std::unique_ptr<COutputDevices> devices = std::make_unique<COutputDevices>());

    // Shows the dialog modally: IDOK after a save, IDCANCEL with nothing saved.
    intptr_t DoModal();
    // Reads the key into the members and, while the dialog is open, into its controls.
    void LoadSettings();
    // Writes the key; the device and language lists only while the dialog is open.
    void SaveSettings();

    bool m_bUIC = false;
    bool m_bSavePerChannel = false;
    bool m_bOCXEnabled = false;  // registration when set, unregistration when clear
    std::string m_strDeviceName;  // SndDevName as read
    std::string m_strLanguage;    // Language as read

private:
    static const zem::DialogTemplate& Template();
    zem::LRESULT Procedure(zem::HWND hwnd, zem::UINT message, zem::WPARAM wParam);
    bool OnInitDialog();
    void OnOK();
    // Check boxes and members: into the members when save, else into the check boxes.
    void DoDataExchange(bool save);
    void FillDeviceList();

    std::unique_ptr<COutputDevices> devices_;
    zem::HWND dialog_ = nullptr;  // while the dialog is open
    zem::HWND deviceList_ = nullptr;
    zem::HWND languageList_ = nullptr;
};
