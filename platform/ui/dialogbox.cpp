#include "ui/dialogbox.h"

#include "ui/combobox.h"
#include "ui/controls.h"
#include "ui/input.h"
#include "ui/internal/hooks.h"
#include "ui/internal/windowtable.h"
#include "ui/internal/windowwidget.h"
#include "ui/messagebox.h"
#include "ui/statictext.h"
#include "ui/window.h"

#include <QCloseEvent>
#include <QEventLoop>

#include <map>

namespace zem {
namespace {

struct RunningDialog {
    QEventLoop loop;
    bool ended = false;
    intptr_t result = IDCANCEL;
};

// UI thread only.
std::map<HWND, RunningDialog*>& RunningDialogs()
{
    static std::map<HWND, RunningDialog*> dialogs;
    return dialogs;
}

std::function<void(HWND)>& DialogHook()
{
    static std::function<void(HWND)> hook;
    return hook;
}

// Closing the window by its frame is Cancel, as the window system's dialogs have it.
class CloseAsCancel : public QObject {
public:
    CloseAsCancel(HWND dialog, QObject* parent) : QObject(parent), dialog_(dialog) {}

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() != QEvent::Close)
            return false;
        event->ignore();
        SendMessage(dialog_, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
        return true;
    }

private:
    HWND dialog_;
};

HWND CreateItem(const DialogItem& item, HWND dialog)
{
    const int x = DialogUnitsToPixelsX(item.x);
    const int y = DialogUnitsToPixelsY(item.y);
    const int cx = DialogUnitsToPixelsX(item.cx);
    const int cy = DialogUnitsToPixelsY(item.cy);
    const auto id = static_cast<uintptr_t>(item.id);
    switch (item.kind) {
    case DialogItem::Kind::Button:
        return CreateButton(item.text, item.style | WS_VISIBLE | WS_TABSTOP, x, y, cx, cy, dialog, id);
    case DialogItem::Kind::ComboBox:
        return CreateComboBox(item.style | WS_VISIBLE | WS_TABSTOP, x, y, cx, cy, dialog, id);
    case DialogItem::Kind::Static:
        return CreateStaticText(item.text, x, y, cx, cy, dialog, id);
    }
    return nullptr;
}

void RunModal(HWND hwnd, RunningDialog& run)
{
    ShowWindow(hwnd, SW_SHOW);
    if (const auto& hook = DialogHook()) {
        hook(hwnd);
        return;
    }
    if (!run.ended)
        run.loop.exec();
}

}  // namespace

int DialogUnitsToPixelsX(int units)
{
    return units * 6 / 4;
}

int DialogUnitsToPixelsY(int units)
{
    return units * 13 / 8;
}

intptr_t DialogBox(const DialogTemplate& dialog, WindowProcedure procedure)
{
    RunningDialog run;
    const HWND hwnd = CreateWindow(
        [procedure](HWND self, UINT message, WPARAM wParam, LPARAM lParam) -> LRESULT {
            const LRESULT handled = procedure(self, message, wParam, lParam);
            const int id = LOWORD(wParam);
            if (message == WM_COMMAND && !handled && (id == IDOK || id == IDCANCEL))
                EndDialog(self, id);
            return handled;
        },
        0, 0, 0, DialogUnitsToPixelsX(dialog.cx), DialogUnitsToPixelsY(dialog.cy));
    ui::WindowWidget* widget = ui::WidgetOf(hwnd);
    if (!widget)
        return -1;
    widget->setWindowTitle(QString::fromLatin1(dialog.caption.data(), qsizetype(dialog.caption.size())));
    widget->installEventFilter(new CloseAsCancel(hwnd, widget));
    for (const DialogItem& item : dialog.items)
        CreateItem(item, hwnd);

    RunningDialogs()[hwnd] = &run;
    SendMessage(hwnd, WM_INITDIALOG, 0, 0);
    if (!run.ended && (DialogHook() || !ui::IsHeadless()))
        RunModal(hwnd, run);
    RunningDialogs().erase(hwnd);
    DestroyWindow(hwnd);
    return run.result;
}

bool EndDialog(HWND dialog, intptr_t result)
{
    const auto found = RunningDialogs().find(dialog);
    if (found == RunningDialogs().end())
        return false;
    RunningDialog& run = *found->second;
    run.ended = true;
    run.result = result;
    run.loop.quit();
    return true;
}

HWND GetDlgItem(HWND dialog, int id)
{
    const auto record = ui::Windows().Find(dialog);
    if (!record)
        return nullptr;
    for (const HWND child : record->children) {
        if (GetDlgCtrlID(child) == static_cast<uintptr_t>(id))
            return child;
    }
    return nullptr;
}

void SetDialogHook(std::function<void(HWND dialog)> hook)
{
    DialogHook() = std::move(hook);
}

}  // namespace zem
