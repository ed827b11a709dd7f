#include "ui/folderdialog.h"

#include "ui/internal/folderchooser.h"
#include "ui/internal/hooks.h"

namespace zem {

void SetFolderDialogHook(std::function<bool(const std::string& startFolder, std::string& chosen)> hook)
{
    if (IsUiThread())
        ui::TestHooks().folderDialog = std::move(hook);
}

bool BrowseFolderDialog(HWND owner, const std::string& startFolder, std::string& chosen)
{
    const auto ask = [owner](const std::string& start, std::string& folder) { return ui::AskFolder(owner, start, folder); };
    return ui::AnswerDialog(ui::TestHooks().folderDialog, ask, startFolder, chosen);
}

}  // namespace zem
