// Internal to the window layer. A toolkit control that fills a window's client area, for the
// windows whose look and input a stock widget provides (combo box, static text).
#pragma once

#include "ui/internal/windowwidget.h"

#include <QVBoxLayout>

namespace zem::ui {

// The window's widget takes ownership of control.
inline void HostInWindow(WindowWidget& window, QWidget* control, Qt::Alignment alignment = {})
{
    auto* layout = new QVBoxLayout(&window);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(control, 0, alignment);
}

}  // namespace zem::ui
