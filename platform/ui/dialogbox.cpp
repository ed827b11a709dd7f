#include "ui/dialogbox.h"

#include "ui/combobox.h"
#include "ui/controls.h"
#include "ui/input.h"
#include "ui/gdi.h"
#include "ui/internal/gdiobjects.h"
#include "ui/internal/hooks.h"
#include "ui/internal/windowtable.h"
#include "ui/internal/windowwidget.h"
#include "ui/messagebox.h"
#include "ui/statictext.h"
#include "ui/window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDialog>
#include <QFontMetricsF>
#include <QKeyEvent>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <map>
#include <strings.h>

namespace zem {
namespace {

constexpr char kLetters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";

// The base unit across: the average width of the 52 letters, rounded as the window system does.
int AverageLetterWidth(const QFont& font)
{
    return (ui::TextWidth(font, kLetters) / 26 + 1) / 2;
}

// The base unit down: the character cell's height as the toolkit lays a line of text out,
// ascent and descent rounded up, so a control one unit-line high holds one line.
int CellHeight(const QFont& font)
{
    if (ui::TestHooks().fixedLineHeight > 0)
        return ui::LineHeight(font);
    return int(std::ceil(QFontMetricsF(font).height()));
}

// The dialog font as the toolkit draws it: the face as the layer maps it, the points at the
// screen's logical resolution. A stand-in face (for "MS Sans Serif", say) whose letters run
// wider than the base unit they round to is narrowed to it, so a text takes the room the
// template was laid out for in the original face.
QFont DialogQFont(const DialogFont& font)
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    const double dpi = screen ? screen->logicalDotsPerInchY() : 96.0;
    const std::string family = MappedFontFamily(font.face);
    QFont qfont(QString::fromStdString(family));
    qfont.setPixelSize(std::max(1, int(std::lround(font.pointSize * dpi / 72.0))));
    if (strcasecmp(family.c_str(), font.face.c_str()) != 0) {
        const int letters = ui::TextWidth(qfont, kLetters);
        const int promised = AverageLetterWidth(qfont) * 52;
        if (letters > promised)
            qfont.setStretch(promised * 100 / letters);
    }
    return qfont;
}

// The window system rounds dialog units to the nearest pixel.
int Scale(int units, int baseUnits, int unitsPerBase)
{
    return int(std::lround(double(units) * baseUnits / unitsPerBase));
}

// The toolkit's dialog around the dialog's window: its frame, modality and keys. It mirrors
// the caption given to the dialog's window.
class DialogFrame : public QDialog {
public:
    DialogFrame(HWND dialog, QWidget* client, int defaultId) : dialog_(dialog), client_(client), defaultId_(defaultId)
    {
        setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                       Qt::WindowCloseButtonHint);
        client->setParent(this);
        auto* layout = new QVBoxLayout(this);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(client);
        qApp->installEventFilter(this);
    }
    ~DialogFrame() override { qApp->removeEventFilter(this); }

    // Escape, as the window system's dialogs have it.
    void reject() override { Command(IDCANCEL); }

protected:
    // Closing the frame is WM_CLOSE to the dialog, whose default is IDCANCEL.
    void closeEvent(QCloseEvent* event) override
    {
        event->ignore();
        SendMessage(dialog_, WM_CLOSE, 0, 0);
    }

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == client_ && event->type() == QEvent::WindowTitleChange)
            setWindowTitle(client_->windowTitle());
        if (event->type() != QEvent::KeyPress)
            return false;
        auto* widget = qobject_cast<QWidget*>(watched);
        if (!widget || !isAncestorOf(widget))
            return false;
        switch (static_cast<QKeyEvent*>(event)->key()) {
        case Qt::Key_Escape: Command(IDCANCEL); return true;
        case Qt::Key_Return:
        case Qt::Key_Enter: Command(ReturnCommand(widget)); return true;
        default: return false;
        }
    }

private:
    void Command(int id)
    {
        SendMessage(dialog_, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog_, id)));
    }

    // The id of the push button that has the focus, else the default push button's.
    int ReturnCommand(QWidget* focus) const
    {
        for (QWidget* widget = focus; widget && widget != this; widget = widget->parentWidget()) {
            auto* window = dynamic_cast<ui::WindowWidget*>(widget);
            if (!window || GetParent(window->Handle()) != dialog_)
                continue;
            const auto* button = window->findChild<QPushButton*>();
            if (button && !button->isCheckable())
                return int(GetDlgCtrlID(window->Handle()));
            break;
        }
        return defaultId_;
    }

    HWND dialog_;
    QPointer<QWidget> client_;
    int defaultId_;
};

struct RunningDialog {
    QPointer<QDialog> frame;
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

HWND CreateItem(const DialogItem& item, const DialogFont& font, HWND dialog)
{
    const int x = DialogUnitsToPixelsX(item.x, font);
    const int y = DialogUnitsToPixelsY(item.y, font);
    const int cx = DialogUnitsToPixelsX(item.cx, font);
    const int cy = DialogUnitsToPixelsY(item.cy, font);
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

int DefaultButtonId(const DialogTemplate& dialog)
{
    for (const DialogItem& item : dialog.items) {
        if (item.kind == DialogItem::Kind::Button && (item.style & kButtonKindMask) == BS_DEFPUSHBUTTON)
            return item.id;
    }
    return IDOK;
}

}  // namespace

DialogBaseUnits GetDialogBaseUnits(const DialogFont& font)
{
    if (!qGuiApp)
        return {};
    const QFont qfont = DialogQFont(font);
    return {AverageLetterWidth(qfont), CellHeight(qfont)};
}

int DialogUnitsToPixelsX(int units, const DialogFont& font)
{
    return Scale(units, GetDialogBaseUnits(font).x, 4);
}

int DialogUnitsToPixelsY(int units, const DialogFont& font)
{
    return Scale(units, GetDialogBaseUnits(font).y, 8);
}

intptr_t DialogBox(const DialogTemplate& dialog, WindowProcedure procedure)
{
    if (!IsUiThread())
        return -1;
    // The dialog's face, on which its check boxes draw as the window system's dialogs have it.
    const QColor face = QApplication::palette().color(QPalette::Window);
    const HBRUSH faceBrush = CreateSolidBrush(RGB(face.red(), face.green(), face.blue()));
    const HWND hwnd = CreateWindow(
        [procedure, faceBrush](HWND self, UINT message, WPARAM wParam, LPARAM lParam) -> LRESULT {
            const LRESULT handled = procedure(self, message, wParam, lParam);
            if ((message == WM_CTLCOLORSTATIC || message == WM_CTLCOLORBTN) && !handled) {
                SetTextColor(reinterpret_cast<HDC>(wParam), RGB(0, 0, 0));
                return reinterpret_cast<LRESULT>(faceBrush);
            }
            const int id = LOWORD(wParam);
            if (message == WM_COMMAND && !handled && (id == IDOK || id == IDCANCEL))
                EndDialog(self, id);
            if (message == WM_CLOSE && !handled)
                SendMessage(self, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), LPARAM(GetDlgItem(self, IDCANCEL)));
            if (message == WM_ERASEBKGND && !handled)
                return 1;  // the frame's background shows through
            return handled;
        },
        0, 0, 0, DialogUnitsToPixelsX(dialog.cx, dialog.font), DialogUnitsToPixelsY(dialog.cy, dialog.font));
    ui::WindowWidget* client = ui::WidgetOf(hwnd);
    if (!client) {
        DeleteObject(faceBrush);
        return -1;
    }
    client->setAttribute(Qt::WA_OpaquePaintEvent, false);
    DialogFrame frame(hwnd, client, DefaultButtonId(dialog));
    frame.setFont(DialogQFont(dialog.font));
    frame.setFixedSize(client->size());
    SetWindowText(hwnd, dialog.caption);
    for (const DialogItem& item : dialog.items)
        CreateItem(item, dialog.font, hwnd);

    RunningDialog run;
    run.frame = &frame;
    RunningDialogs()[hwnd] = &run;
    SendMessage(hwnd, WM_INITDIALOG, 0, 0);
    if (!run.ended) {
        if (const auto& hook = DialogHook()) {
            frame.show();
            hook(hwnd);
        } else if (!ui::IsHeadless()) {
            frame.exec();
        }
    }
    RunningDialogs().erase(hwnd);
    DestroyWindow(hwnd);
    DeleteObject(faceBrush);
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
    if (run.frame)
        run.frame->done(QDialog::Accepted);
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
