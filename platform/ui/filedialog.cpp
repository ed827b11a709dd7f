#include "ui/filedialog.h"

#include "ui/application.h"
#include "ui/internal/filechooser.h"
#include "ui/internal/hooks.h"
#include "ui/internal/procedurecall.h"

namespace zem {
namespace {

std::function<bool(const std::string&, std::string&)>& FileHook()
{
    static std::function<bool(const std::string&, std::string&)> hook;  // UI thread only
    return hook;
}

}  // namespace

void SetFileDialogHook(std::function<bool(const std::string& filter, std::string& chosen)> hook)
{
    if (IsUiThread())
        FileHook() = std::move(hook);
}

bool OpenFileDialog(HWND owner, const std::string& filter, std::string& chosen)
{
    if (!IsUiThread())
        return false;
    if (const auto& hook = FileHook()) {
        try {
            return hook(filter, chosen);
        } catch (...) {
            ui::TraceFailure("file dialog hook");
            return false;
        }
    }
    if (ui::IsHeadless())
        return false;
    return ui::AskOpenFile(owner, filter, chosen);
}

}  // namespace zem
