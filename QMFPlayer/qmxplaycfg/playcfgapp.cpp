#include "QMFPlayer/qmxplaycfg/playcfgapp.h"

#include "QMFPlayer/common/folderdeleter.h"
#include "QMFPlayer/common/libraryfolder.h"
#include "QMFPlayer/common/processrunner.h"
#include "QMFPlayer/qmxplaycfg/playcfgdlg.h"
#include "QMFPlayer/qmxplaycfg/toolresources.h"
#include "base/paths.h"
#include "base/tempname.h"
#include "base/trace.h"
#include "process/admin.h"
#include "ui/application.h"
#include "ui/messagebox.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sys/stat.h>
#include <thread>

using namespace zem;

namespace {

constexpr uint32_t kToolTimeoutSeconds = 7;

std::string Format(const char* format, const std::string& a, const std::string& b = {})
{
    char text[1024];
    std::snprintf(text, sizeof text, format, a.c_str(), b.c_str());
    return text;
}

}  // namespace

CPlayCfgApp::CPlayCfgApp(const std::string& programPath)
{
    const size_t slash = programPath.find_last_of("/\\");
    m_strModuleFolder = slash == std::string::npos ? std::string() : programPath.substr(0, slash);
    m_strModuleFileName = programPath.substr(slash == std::string::npos ? 0 : slash + 1);
}

bool CPlayCfgApp::IsUserAdmin() const
{
    return IsAdministrator();
}

bool CPlayCfgApp::InitInstance(const std::string& commandLine)
{
    // The window system first: the fatal-error box is a box, not a line on standard error.
    const bool windows = InitApplication();
    m_strTempFolder = CreateTempFolder("qmxplaycfg", "C:\\temp");
    if (m_strTempFolder.empty()) {
        char text[512];
        std::snprintf(text, sizeof text, "Fatal Error ! Please write down info:\n%s (L:%d)", __FILE__, __LINE__);
        MessageBox(nullptr, text, "qmxplaycfg", MB_OK | MB_ICONERROR);
        return false;
    }
    WriteToolResources();

    CPlayCfgDlg dialog;
    dialog.LoadSettings();
    const bool enable = commandLine.find("-enable") != std::string::npos;
    const bool disable = commandLine.find("-disable") != std::string::npos;
    bool ok = true;
    if (enable || disable) {
        dialog.m_bOCXEnabled = !disable;
        dialog.SaveSettings();
    } else {
        ok = windows && dialog.DoModal() == IDOK;
    }
    if (ok) {
        AddLibraryFolder(m_strModuleFolder);
        RunRegistration(dialog.m_bOCXEnabled, IsUserAdmin());
    }
    CFolderDeleter().Walk(m_strTempFolder);
    return false;
}

void CPlayCfgApp::WriteToolResources() const
{
    for (const ToolResource& resource : ToolResources()) {
        const std::string_view bytes = FindToolResource(resource.id);
        if (bytes.empty())
            continue;
        const std::string path = MapPath(m_strTempFolder + "\\" + resource.fileName);
        std::ofstream file(path, std::ios::binary | std::ios::trunc);
        if (!file)
            continue;
        file.write(bytes.data(), std::streamsize(bytes.size()));
        file.close();
        if (resource.program)
            chmod(path.c_str(), 0755);
    }
}

void CPlayCfgApp::RunRegistration(bool enable, bool admin) const
{
    const std::string& module = m_strModuleFolder;
    const std::string& temp = m_strTempFolder;
    const std::string undo = enable ? "" : "/u ";
    const std::string perUser = admin ? "" : "/c ";
    RunTool(temp + "\\regsvrex.exe", undo + perUser + Format("\"%s\\zemwave.ocx\"", module), true);
    // Undone too: the script's entries name the controls, and left behind the ProgIDs would
    // still resolve.
    RunTool(temp + "\\regrgs.exe", undo + Format("/s \"%s\\zemwave_hkcu.rgs\" MODPATH=\"%s\"", temp, module),
            false);
    if (enable) {
        const char* regFile = admin ? "missingregentries_zemwaveocx_hklm.reg" : "missingregentries_zemwaveocx_hkcu.reg";
        RunTool("regedit.exe", Format("/s \"%s\\%s\"", temp, regFile), false);
    }
}

void CPlayCfgApp::RunTool(const std::string& program, const std::string& arguments, bool inModuleFolder) const
{
    CProcessRunner runner;
    runner.program = MapPath(program);
    runner.arguments = arguments;
    if (inModuleFolder) {
        runner.folder = m_strModuleFolder;
        runner.capture = true;
    }
    runner.showWindow = 0;
    runner.timeoutSeconds = kToolTimeoutSeconds;
    if (runner.Start()) {
        while (runner.IsRunning())
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    Trace("qmxplaycfg: %s %s: status %u, exit code %u", runner.program.c_str(), arguments.c_str(), runner.Status(),
          runner.ExitCode());
}
