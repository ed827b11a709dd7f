// Internal to the window layer. The OK and Cancel row of the layer's own dialogs.
#pragma once

#include <QDialog>
#include <QDialogButtonBox>

namespace zem::ui {

// Buttons that accept or reject the dialog; the caller places them in its layout.
inline QDialogButtonBox* MakeOkCancel(QDialog& dialog)
{
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    return buttons;
}

}  // namespace zem::ui
