// CPlayCfgApp: one pass of the configuration program. It edits the settings (dialog or
// switch), writes its embedded registration tools into a temporary folder, registers or
// unregisters zemwave.ocx of its own folder with them, and deletes the folder again.
#pragma once

#include <string>

class CPlayCfgApp {
public:
    // programPath: the program's own file; zemwave.ocx is looked for beside it.
    explicit CPlayCfgApp(const std::string& programPath);

    // "-enable" or "-disable" anywhere in the command line (with case) saves the settings
    // without the dialog; "-disable" wins. Returns false, as the program ends after one pass.
    bool InitInstance(const std::string& commandLine);

    // Members of the Administrators group register for all users, others for themselves.
    bool IsUserAdmin() const;

    std::string m_strModuleFolder;
    std::string m_strModuleFileName;
    std::string m_strTempFolder;

private:
    void WriteToolResources() const;
    // Registers (enable) or unregisters zemwave.ocx, for all users (admin) or this user.
    void RunRegistration(bool enable, bool admin) const;
    // One hidden run with a 7 s time-out, waited for.
    void RunTool(const std::string& program, const std::string& arguments, bool inModuleFolder) const;
};
