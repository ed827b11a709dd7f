#include "ui/combobox.h"

#include "ui/input.h"
#include "ui/internal/hostedwidget.h"
#include "ui/window.h"

#include <QComboBox>
#include <QPointer>

#include <algorithm>
#include <cstring>
#include <memory>
#include <strings.h>

namespace zem {
namespace {

struct ComboState {
    QPointer<QComboBox> widget;
    bool sorted = false;
};

QString Latin1(const char* text)
{
    return QString::fromLatin1(text ? text : "");
}

std::string TextAt(const QComboBox& box, int index)
{
    if (index < 0 || index >= box.count())
        return {};
    return box.itemText(index).toLatin1().toStdString();
}

LRESULT AddString(ComboState& state, const char* text)
{
    QComboBox& box = *state.widget;
    int index = box.count();
    if (state.sorted) {
        index = 0;
        while (index < box.count() && strcasecmp(TextAt(box, index).c_str(), text ? text : "") <= 0)
            ++index;
    }
    // The toolkit selects the first entry of an empty list; the window system does not.
    const int selected = box.currentIndex();
    box.insertItem(index, Latin1(text));
    box.setCurrentIndex(selected < 0 ? -1 : selected + (index <= selected ? 1 : 0));
    return index;
}

LRESULT SetSelection(QComboBox& box, WPARAM wParam)
{
    const int index = static_cast<int>(static_cast<intptr_t>(wParam));
    if (index < 0 || index >= box.count()) {
        box.setCurrentIndex(-1);
        return CB_ERR;
    }
    box.setCurrentIndex(index);
    return index;
}

LRESULT ComboMessage(ComboState& state, UINT message, WPARAM wParam, LPARAM lParam)
{
    QComboBox& box = *state.widget;
    const int index = static_cast<int>(static_cast<intptr_t>(wParam));
    switch (message) {
    case CB_ADDSTRING: return AddString(state, reinterpret_cast<const char*>(lParam));
    case CB_GETCOUNT: return box.count();
    case CB_GETCURSEL: return box.currentIndex() < 0 ? CB_ERR : box.currentIndex();
    case CB_GETLBTEXTLEN: return index < 0 || index >= box.count() ? CB_ERR : LRESULT(TextAt(box, index).size());
    case CB_GETLBTEXT: {
        if (index < 0 || index >= box.count() || lParam == 0)
            return CB_ERR;
        const std::string text = TextAt(box, index);
        std::memcpy(reinterpret_cast<char*>(lParam), text.c_str(), text.size() + 1);
        return LRESULT(text.size());
    }
    case CB_RESETCONTENT: box.clear(); return 0;
    case CB_SETCURSEL: return SetSelection(box, wParam);
    default: return 0;
    }
}

QComboBox* ComboOf(HWND combo)
{
    ui::WindowWidget* window = ui::WidgetOf(combo);
    return window ? window->findChild<QComboBox*>() : nullptr;
}

}  // namespace

HWND CreateComboBox(uint32_t style, int x, int y, int width, int height, HWND parent, uintptr_t id)
{
    auto state = std::make_shared<ComboState>();
    state->sorted = (style & CBS_SORT) != 0;
    const HWND hwnd = CreateWindow([state](HWND, UINT message, WPARAM wParam, LPARAM lParam) -> LRESULT {
        return state->widget ? ComboMessage(*state, message, wParam, lParam) : 0;
    }, style | WS_CHILD, x, y, width, height, parent, id);
    ui::WindowWidget* window = ui::WidgetOf(hwnd);
    if (!window)
        return nullptr;
    auto* box = new QComboBox(window);
    ui::HostInWindow(*window, box);
    state->widget = box;
    // The height given is that of the open list; the window is the closed box.
    const int closedHeight = box->sizeHint().height();
    box->setMaxVisibleItems(std::max(1, (height - closedHeight) / std::max(1, box->fontMetrics().height())));
    window->resize(window->width(), closedHeight);
    QObject::connect(box, &QComboBox::activated, box, [hwnd, id] {
        SendMessage(GetParent(hwnd), WM_COMMAND, MAKEWPARAM(int(id), CBN_SELCHANGE), reinterpret_cast<LPARAM>(hwnd));
    });
    return hwnd;
}

std::string GetComboBoxText(HWND combo, int index)
{
    const QComboBox* box = ComboOf(combo);
    return box ? TextAt(*box, index) : std::string();
}

bool ChooseComboBoxItem(HWND combo, int index)
{
    QComboBox* box = ComboOf(combo);
    if (!box || index < 0 || index >= box->count())
        return false;
    box->setCurrentIndex(index);
    emit box->activated(index);
    return true;
}

}  // namespace zem
