#include "ui/statictext.h"

#include "ui/internal/hostedwidget.h"
#include "ui/window.h"

#include <QLabel>

namespace zem {

HWND CreateStaticText(const std::string& text, int x, int y, int width, int height, HWND parent, uintptr_t id)
{
    const HWND hwnd = CreateWindow([](HWND, UINT, WPARAM, LPARAM) -> LRESULT { return 0; }, WS_CHILD | WS_VISIBLE,
                                   x, y, width, height, parent, id);
    ui::WindowWidget* window = ui::WidgetOf(hwnd);
    if (!window)
        return nullptr;
    auto* label = new QLabel(QString::fromLatin1(text.data(), qsizetype(text.size())), window);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setWordWrap(true);
    ui::HostInWindow(*window, label);
    return hwnd;
}

}  // namespace zem
