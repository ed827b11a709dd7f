#include "ui/controls.h"

#include "ui/input.h"
#include "ui/internal/gdiobjects.h"
#include "ui/internal/hostedwidget.h"
#include "ui/internal/textlayout.h"
#include "ui/internal/windowwidget.h"
#include "ui/window.h"

#include <QCheckBox>
#include <QPixmap>
#include <QPointer>
#include <QPushButton>
#include <QStyleOptionButton>

#include <memory>
#include <utility>

namespace zem {
namespace {

// The window system's order of check states, and whether the button moves on by itself.
template <class Base>
class Button : public Base {
public:
    Button(uint32_t style, QWidget* parent) : Base(parent), kind_(style & kButtonKindMask)
    {
        this->setCheckable(kind_ != BS_PUSHBUTTON && kind_ != BS_DEFPUSHBUTTON);
    }
    WPARAM State() const { return state_; }
    void SetState(WPARAM state)
    {
        state_ = state > BST_INDETERMINATE ? BST_CHECKED : state;
        if constexpr (std::is_same_v<Base, QCheckBox>) {
            this->setTristate(state_ == BST_INDETERMINATE || kind_ == BS_3STATE || kind_ == BS_AUTO3STATE);
            this->setCheckState(state_ == BST_CHECKED ? Qt::Checked : state_ == BST_INDETERMINATE ? Qt::PartiallyChecked
                                                                                                   : Qt::Unchecked);
        } else {
            this->setChecked(state_ != BST_UNCHECKED);
        }
    }

protected:
    void nextCheckState() override
    {
        if (kind_ == BS_AUTOCHECKBOX)
            SetState(state_ == BST_UNCHECKED ? BST_CHECKED : BST_UNCHECKED);
        else if (kind_ == BS_AUTO3STATE)
            SetState((state_ + 1) % 3);
        else
            SetState(state_);  // the toolkit toggled it: the parent decides
    }

private:
    uint32_t kind_;
    WPARAM state_ = BST_UNCHECKED;
};

// A check box whose text breaks between words to the width beside its box (BS_MULTILINE),
// where DrawText would break it.
class WrappingCheckBox : public Button<QCheckBox> {
public:
    WrappingCheckBox(uint32_t style, const QString& text, QWidget* parent) : Button(style, parent), text_(text) {}

protected:
    void resizeEvent(QResizeEvent* event) override
    {
        Button::resizeEvent(event);
        QStyleOptionButton option;
        initStyleOption(&option);
        const int width = style()->subElementRect(QStyle::SE_CheckBoxContents, &option, this).width();
        const QFontMetrics metrics(font());
        const auto lines = ui::LayoutText(text_.toStdString(), DT_WORDBREAK | DT_NOPREFIX, width,
                                          [&metrics](const std::string& line) {
                                              return metrics.horizontalAdvance(QString::fromStdString(line));
                                          });
        QStringList wrapped;
        for (const ui::TextLine& line : lines)
            wrapped << QString::fromStdString(line.text);
        setText(wrapped.join(u'\n'));
    }

private:
    QString text_;
};

// What the button window's procedure works on.
struct ButtonState {
    QPointer<QAbstractButton> widget;
    std::function<WPARAM()> get;
    std::function<void(WPARAM)> set;
};

QAbstractButton* MakeButton(uint32_t style, const std::string& text, QWidget* parent, ButtonState& state)
{
    const QString label = QString::fromLatin1(text.data(), qsizetype(text.size()));
    const uint32_t kind = style & kButtonKindMask;
    if (kind == BS_PUSHBUTTON || kind == BS_DEFPUSHBUTTON || (style & BS_PUSHLIKE)) {
        auto* button = new Button<QPushButton>(style, parent);
        button->setText(label);
        button->setDefault(kind == BS_DEFPUSHBUTTON);
        state.get = [button] { return button->State(); };
        state.set = [button](WPARAM s) { button->SetState(s); };
        return button;
    }
    auto* box = (style & BS_MULTILINE) ? new WrappingCheckBox(style, label, parent) : new Button<QCheckBox>(style, parent);
    box->setText(label);
    state.get = [box] { return box->State(); };
    state.set = [box](WPARAM s) { box->SetState(s); };
    return box;
}

void SetImage(QAbstractButton* button, HBITMAP bitmap)
{
    auto object = ui::FindObject(bitmap);
    if (!object || object->kind != ui::GdiObject::Kind::Bitmap)
        return;
    button->setIcon(QPixmap::fromImage(object->image));
    button->setIconSize(object->image.size());
    button->setText(QString());
}

bool IsPushLike(uint32_t style)
{
    const uint32_t kind = style & kButtonKindMask;
    return kind == BS_PUSHBUTTON || kind == BS_DEFPUSHBUTTON || (style & BS_PUSHLIKE);
}

// Erases the button's window with the brush its parent answers and gives the button the text
// colour the parent set. False when the parent has no colours for it.
bool EraseWithParentColors(HWND self, uint32_t style, QAbstractButton& button)
{
    const ui::ActivePaint* paint = ui::FindActivePaint(self);
    const HDC dc = GetDC(self);
    const auto brush = reinterpret_cast<HGDIOBJ>(SendMessage(
        GetParent(self), IsPushLike(style) ? WM_CTLCOLORBTN : WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
        reinterpret_cast<LPARAM>(self)));
    const auto context = ui::FindDC(dc);
    const QColor text = ui::ToQColor(context ? context->textColor : 0);
    ReleaseDC(self, dc);
    const auto object = ui::FindObject(brush);
    if (!paint || !object || object->kind != ui::GdiObject::Kind::Brush)
        return false;
    const QColor back = ui::ToQColor(object->color);
    const RECT& r = paint->rect;
    paint->painter->fillRect(QRect(r.left, r.top, r.right - r.left, r.bottom - r.top), back);
    QPalette palette = button.palette();
    if (palette.color(QPalette::WindowText) != text || palette.color(QPalette::Base) != back) {
        // The label and the check mark in the text colour, the check square on the background.
        // Changing the palette repaints the button, so only when the colours changed.
        for (const auto role : {QPalette::WindowText, QPalette::ButtonText, QPalette::Text})
            palette.setColor(role, text);
        palette.setColor(QPalette::Base, back);
        button.setPalette(palette);
    }
    return true;
}

void SendClick(HWND button, uintptr_t id)
{
    SendMessage(GetParent(button), WM_COMMAND, MAKEWPARAM(int(id), BN_CLICKED), reinterpret_cast<LPARAM>(button));
}

void PaintOwnerDrawn(HWND button, uintptr_t id, bool pressed, const WindowProcedure& unhandled)
{
    PAINTSTRUCT paint;
    DRAWITEMSTRUCT item;
    item.CtlID = UINT(id);
    item.itemState = pressed ? ODS_SELECTED : 0;
    item.hwndItem = button;
    item.hDC = BeginPaint(button, &paint);
    GetClientRect(button, &item.rcItem);
    const LPARAM itemParam = reinterpret_cast<LPARAM>(&item);
    if (!unhandled || !unhandled(button, OCM_DRAWITEM, id, itemParam))
        SendMessage(GetParent(button), WM_DRAWITEM, id, itemParam);
    EndPaint(button, &paint);
}

// No toolkit button: the window itself is the face, pressed between mouse down and up.
HWND CreateOwnerDrawnButton(uint32_t style, int x, int y, int width, int height, HWND parent, uintptr_t id,
                            WindowProcedure unhandled)
{
    auto pressed = std::make_shared<bool>(false);
    return CreateWindow([pressed, id, unhandled](HWND self, UINT message, WPARAM wParam, LPARAM lParam) -> LRESULT {
        switch (message) {
        case WM_PAINT: PaintOwnerDrawn(self, id, *pressed, unhandled); return 0;
        case WM_LBUTTONDOWN:
            *pressed = true;
            InvalidateRect(self, nullptr, true);
            return 0;
        case WM_LBUTTONUP: {
            RECT client;
            const bool inside = GetClientRect(self, &client) && GET_X_LPARAM(lParam) >= 0 &&
                                GET_X_LPARAM(lParam) < client.right && GET_Y_LPARAM(lParam) >= 0 &&
                                GET_Y_LPARAM(lParam) < client.bottom;
            if (std::exchange(*pressed, false)) {
                InvalidateRect(self, nullptr, true);
                if (inside)
                    SendClick(self, id);
            }
            return 0;
        }
        case BM_CLICK: SendClick(self, id); return 0;
        case BM_GETCHECK:
        case BM_SETCHECK:
        case BM_SETIMAGE: return 0;
        default: return unhandled ? unhandled(self, message, wParam, lParam) : 0;
        }
    }, style | WS_CHILD, x, y, width, height, parent, id);
}

}  // namespace

HWND CreateButton(const std::string& text, uint32_t style, int x, int y, int width, int height, HWND parent,
                  uintptr_t id, WindowProcedure unhandled)
{
    if ((style & kButtonKindMask) == BS_OWNERDRAW)
        return CreateOwnerDrawnButton(style, x, y, width, height, parent, id, std::move(unhandled));
    auto state = std::make_shared<ButtonState>();
    const HWND hwnd = CreateWindow([state, unhandled, style](HWND self, UINT message, WPARAM wParam, LPARAM lParam) -> LRESULT {
        if (!state->widget)
            return 0;
        switch (message) {
        case BM_GETCHECK: return LRESULT(state->get());
        case BM_SETCHECK: state->set(wParam); return 0;
        case BM_CLICK: state->widget->click(); return 0;
        case BM_SETIMAGE:
            if (wParam == IMAGE_BITMAP)
                SetImage(state->widget, reinterpret_cast<HBITMAP>(lParam));
            return 0;
        case WM_ERASEBKGND:
            return EraseWithParentColors(self, style, *state->widget) ? 1 : 0;
        default: return unhandled ? unhandled(self, message, wParam, lParam) : 0;
        }
    }, style | WS_CHILD, x, y, width, height, parent, id);
    ui::WindowWidget* window = ui::WidgetOf(hwnd);
    if (!window)
        return nullptr;
    QAbstractButton* button = MakeButton(style, text, window, *state);
    if (!(style & WS_TABSTOP))
        button->setFocusPolicy(Qt::ClickFocus);  // a click focuses it, the Tab key passes it by
    ui::HostInWindow(*window, button);
    state->widget = button;
    QObject::connect(button, &QAbstractButton::clicked, button, [hwnd, id] { SendClick(hwnd, id); });
    return hwnd;
}

bool EnableWindow(HWND hwnd, bool enable)
{
    ui::WindowWidget* widget = ui::WidgetOf(hwnd);
    if (!widget)
        return false;
    const bool wasDisabled = !widget->isEnabled();
    widget->setEnabled(enable);
    return wasDisabled;
}

bool IsWindowEnabled(HWND hwnd)
{
    ui::WindowWidget* widget = ui::WidgetOf(hwnd);
    return widget && widget->isEnabled();
}

}  // namespace zem
