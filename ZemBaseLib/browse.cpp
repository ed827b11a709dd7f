#include "ZemBaseLib/browse.h"

#include "base/trace.h"
#include "ui/folderdialog.h"

#include <exception>
#include <filesystem>
#include <mutex>

namespace {

std::mutex g_pickerMutex;
FolderPicker g_picker;

}  // namespace

void SetFolderPicker(FolderPicker picker)
{
    std::lock_guard lock(g_pickerMutex);
    g_picker = std::move(picker);
}

std::string BrowseForFolder(void* owner, const std::string& startFolder)
{
    FolderPicker picker;
    {
        std::lock_guard lock(g_pickerMutex);
        picker = g_picker;
    }
    if (!picker) {
        picker = [](void* owner, const std::string& start, std::string& chosen) {
            return zem::BrowseFolderDialog(static_cast<zem::HWND>(owner), start, chosen);
        };
    }
    std::string start = startFolder;
    if (start.empty()) {
        std::error_code ec;
        start = std::filesystem::current_path(ec).native();
    }
    std::string chosen;
    try {
        if (!picker(owner, start, chosen))
            return {};
    } catch (const std::exception& e) {
        zem::Trace("BrowseForFolder: the folder picker failed: %s", e.what());
        return {};
    } catch (...) {
        zem::Trace("BrowseForFolder: the folder picker failed");
        return {};
    }
    return chosen;
}

std::string BrowseForComputer(void*)
{
    return {};
}
