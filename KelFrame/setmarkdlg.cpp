#include "KelFrame/setmarkdlg.h"

#include "ui/messagebox.h"
#include "ui/modaldialog.h"

#include <charconv>
#include <string>

namespace zem {

int CSetMarkDlg::DoModal()
{
    EditDialogTemplate dialog;
    dialog.resourceId = kTemplateId;
    dialog.name = "IDD_DIALOG_SETMARK";
    dialog.caption = "Index setzen";
    dialog.edits.push_back({kEditId, "Index:", std::to_string(value), true});
    if (DoModalDialog(owner_, dialog) != IDOK)
        return IDCANCEL;
    const std::string& text = dialog.edits.front().text;
    int32_t entered = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), entered);
    if (error != std::errc() || end != text.data() + text.size())
        return IDCANCEL;  // not a whole number: no mark
    value = entered;
    return IDOK;
}

}  // namespace zem
