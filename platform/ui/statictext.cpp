#include "ui/statictext.h"

#include "ui/internal/hostedwidget.h"
#include "ui/window.h"

#include <QLabel>

namespace zem {

HWND CreateStaticText(const std::string& text, int x, int y, int width, int height, HWND parent, uintptr_t id)
{
    // Its parent's background shows around the text.
    const HWND hwnd = CreateWindow(
        [](HWND, UINT message, WPARAM, LPARAM) -> LRESULT { return message == WM_ERASEBKGND ? 1 : 0; },
        WS_CHILD | WS_VISIBLE, x, y, width, height, parent, id);
    ui::WindowWidget* window = ui::WidgetOf(hwnd);
    if (!window)
        return nullptr;
    window->setAttribute(Qt::WA_OpaquePaintEvent, false);
    auto* label = new QLabel(QString::fromLatin1(text.data(), qsizetype(text.size())), window);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setWordWrap(true);
    ui::HostInWindow(*window, label);
    return hwnd;
}

}  // namespace zem
