#include "ui/modaldialog.h"

#include "ui/application.h"
#include "ui/internal/hooks.h"
#include "ui/internal/okcancel.h"
#include "ui/internal/procedurecall.h"
#include "ui/internal/windowwidget.h"
#include "ui/messagebox.h"

#include <QFormLayout>
#include <QIntValidator>
#include <QLineEdit>

#include <limits>
#include <utility>

namespace zem {
namespace {

std::function<int(EditDialogTemplate&)>& Hook()
{
    static std::function<int(EditDialogTemplate&)> hook;
    return hook;
}

QString FromLatin1(const std::string& text) { return QString::fromLatin1(text.data(), qsizetype(text.size())); }

int Show(HWND owner, EditDialogTemplate& dialog)
{
    QDialog box(ui::WidgetOf(owner));
    box.setWindowTitle(FromLatin1(dialog.caption));
    auto* layout = new QFormLayout(&box);
    std::vector<QLineEdit*> fields;
    for (const DialogEdit& edit : dialog.edits) {
        auto* field = new QLineEdit(FromLatin1(edit.text), &box);
        if (edit.integer)
            field->setValidator(new QIntValidator(std::numeric_limits<int>::min(), std::numeric_limits<int>::max(), field));
        layout->addRow(FromLatin1(edit.label), field);
        fields.push_back(field);
    }
    layout->addRow(ui::MakeOkCancel(box));
    if (box.exec() != QDialog::Accepted)
        return IDCANCEL;
    for (size_t i = 0; i < fields.size(); ++i)
        dialog.edits[i].text = fields[i]->text().toLatin1().toStdString();
    return IDOK;
}

}  // namespace

int DoModalDialog(HWND owner, EditDialogTemplate& dialog)
{
    if (!IsUiThread())
        return IDCANCEL;
    if (const auto& hook = Hook()) {
        EditDialogTemplate answer = dialog;  // a cancelled dialog leaves the edits as they were
        try {
            if (hook(answer) != IDOK)
                return IDCANCEL;
        } catch (...) {
            ui::TraceFailure("modal dialog hook");
            return IDCANCEL;
        }
        dialog = std::move(answer);
        return IDOK;
    }
    if (ui::IsHeadless())
        return IDCANCEL;
    return Show(owner, dialog);
}

void SetModalDialogHook(std::function<int(EditDialogTemplate&)> hook) { Hook() = std::move(hook); }

}  // namespace zem
