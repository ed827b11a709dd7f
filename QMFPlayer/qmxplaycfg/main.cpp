// qmxplaycfg [-enable | -disable]: edits the settings of zemwave.ocx and registers or
// unregisters it; with neither switch through the settings dialog.
#include "QMFPlayer/qmxplaycfg/playcfgapp.h"
#include "ui/application.h"

#include <filesystem>
#include <string>

int main(int argc, char** argv)
{
    std::error_code error;
    const std::string self = std::filesystem::read_symlink("/proc/self/exe", error).string();
    std::string commandLine;
    for (int i = 1; i < argc; ++i)
        commandLine += (i > 1 ? " " : "") + std::string(argv[i]);
    CPlayCfgApp app(self);
    app.InitInstance(commandLine);
    if (zem::IsUiThread())
        zem::ExitApplication();
    return app.m_strTempFolder.empty() ? 1 : 0;  // 1: no temporary folder could be made
}
