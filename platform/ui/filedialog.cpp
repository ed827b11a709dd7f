#include "ui/filedialog.h"

#include "ui/internal/filechooser.h"
#include "ui/internal/hooks.h"

namespace zem {

void SetFileDialogHook(std::function<bool(const std::string& filter, std::string& chosen)> hook)
{
    if (IsUiThread())
        ui::TestHooks().fileDialog = std::move(hook);
}

bool OpenFileDialog(HWND owner, const std::string& filter, std::string& chosen)
{
    const auto ask = [owner](const std::string& patterns, std::string& file) { return ui::AskOpenFile(owner, patterns, file); };
    return ui::AnswerDialog(ui::TestHooks().fileDialog, ask, filter, chosen);
}

}  // namespace zem
