#include "QMFPlayer/qmxplaycfg/playcfgapp.h"

#include "QMFPlayer/common/folderdeleter.h"
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

// The copies in the temporary folder find the platform libraries in the program's folder,
// where the system's own libraries live beside them.
void AddLibraryFolder(const std::string& folder)
{
    const char* current = std::getenv("LD_LIBRARY_PATH");
    const std::string value = current && *current ? folder + ":" + current : folder;
    setenv("LD_LIBRARY_PATH", value.c_str(), 1);
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
        ok = InitApplication() && dialog.DoModal() == IDOK;
    }
    if (ok) {
        AddLibraryFolder(m_strModuleFolder);
        const bool admin = IsUserAdmin();
        if (dialog.m_bOCXEnabled)
            Register(admin);
        else
            Unregister(admin);
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

void CPlayCfgApp::Register(bool admin) const
{
    const std::string& module = m_strModuleFolder;
    const std::string& temp = m_strTempFolder;
    RunTool(temp + "\\regsvrex.exe", Format(admin ? "\"%s\\zemwave.ocx\"" : "/c \"%s\\zemwave.ocx\"", module),
            true);
    RunTool(temp + "\\regrgs.exe", Format("/s \"%s\\zemwave_hkcu.rgs\" MODPATH=\"%s\"", temp, module), false);
    RunTool("regedit.exe",
            Format(admin ? "/s \"%s\\missingregentries_zemwaveocx_hklm.reg\""
                         : "/s \"%s\\missingregentries_zemwaveocx_hkcu.reg\"",
                   temp),
            false);
}

void CPlayCfgApp::Unregister(bool admin) const
{
    const std::string& module = m_strModuleFolder;
    const std::string& temp = m_strTempFolder;
    RunTool(temp + "\\regsvrex.exe", Format(admin ? "/u \"%s\\zemwave.ocx\"" : "/u /c \"%s\\zemwave.ocx\"", module),
            true);
    // The script's entries name the controls too: left behind, the ProgIDs would still resolve.
    RunTool(temp + "\\regrgs.exe", Format("/u /s \"%s\\zemwave_hkcu.rgs\" MODPATH=\"%s\"", temp, module), false);
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
