#include "ui/folderdialog.h"

#include "ui/application.h"
#include "ui/internal/folderchooser.h"
#include "ui/internal/hooks.h"
#include "ui/internal/procedurecall.h"

namespace zem {
namespace {

std::function<bool(const std::string&, std::string&)>& FolderHook()
{
    static std::function<bool(const std::string&, std::string&)> hook;  // UI thread only
    return hook;
}

}  // namespace

void SetFolderDialogHook(std::function<bool(const std::string& startFolder, std::string& chosen)> hook)
{
    if (IsUiThread())
        FolderHook() = std::move(hook);
}

bool BrowseFolderDialog(HWND owner, const std::string& startFolder, std::string& chosen)
{
    if (!IsUiThread())
        return false;
    if (const auto& hook = FolderHook()) {
        try {
            return hook(startFolder, chosen);
        } catch (...) {
            ui::TraceFailure("folder dialog hook");
            return false;
        }
    }
    if (ui::IsHeadless())
        return false;
    return ui::AskFolder(owner, startFolder, chosen);
}

}  // namespace zem
