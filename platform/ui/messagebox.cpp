#include "ui/messagebox.h"

#include "base/consoletext.h"
#include "ui/application.h"
#include "ui/internal/hooks.h"
#include "ui/internal/procedurecall.h"
#include "ui/internal/windowwidget.h"

#include <QMessageBox>

#include <cstdio>

namespace zem {
namespace {

struct Buttons {
    QMessageBox::StandardButtons qt;
    int first, second;
};

Buttons ButtonsOf(UINT type)
{
    switch (type & 0xF) {
    case MB_OKCANCEL: return {QMessageBox::Ok | QMessageBox::Cancel, IDOK, IDCANCEL};
    case MB_YESNOCANCEL: return {QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, IDYES, IDNO};
    case MB_YESNO: return {QMessageBox::Yes | QMessageBox::No, IDYES, IDNO};
    default: return {QMessageBox::Ok, IDOK, IDOK};
    }
}

int DefaultButton(UINT type)
{
    const Buttons buttons = ButtonsOf(type);
    return (type & MB_DEFBUTTON2) ? buttons.second : buttons.first;
}

int IdOf(QMessageBox::StandardButton button)
{
    switch (button) {
    case QMessageBox::Yes: return IDYES;
    case QMessageBox::No: return IDNO;
    case QMessageBox::Cancel: return IDCANCEL;
    default: return IDOK;
    }
}

}  // namespace

int MessageBox(HWND owner, const std::string& text, const std::string& caption, UINT type)
{
    if (const auto& hook = ui::TestHooks().messageBox; hook && IsUiThread()) {
        try {
            return hook(text, caption, type);
        } catch (...) {
            ui::TraceFailure("message box hook");
            return DefaultButton(type);
        }
    }
    if (!IsUiThread() || ui::IsHeadless()) {
        std::fprintf(stderr, "%s: %s\n", ConsoleText(caption).c_str(), ConsoleText(text).c_str());
        return DefaultButton(type);
    }
    QMessageBox box(ui::WidgetOf(owner));
    box.setWindowTitle(QString::fromLatin1(caption.data(), qsizetype(caption.size())));
    box.setText(QString::fromLatin1(text.data(), qsizetype(text.size())));
    box.setStandardButtons(ButtonsOf(type).qt);
    const UINT icon = type & 0xF0;
    box.setIcon(icon == MB_ICONERROR ? QMessageBox::Critical : icon == MB_ICONQUESTION ? QMessageBox::Question
              : icon == MB_ICONWARNING ? QMessageBox::Warning : icon == MB_ICONINFORMATION ? QMessageBox::Information
                                                                                             : QMessageBox::NoIcon);
    return IdOf(QMessageBox::StandardButton(box.exec()));
}

}  // namespace zem
