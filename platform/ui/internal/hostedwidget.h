// Internal to the window layer. A toolkit control that fills a window's client area, for the
// windows whose look and input a stock widget provides (buttons, combo box, static text).
#pragma once

#include "ui/internal/windowwidget.h"

#include <QVBoxLayout>

namespace zem::ui {

// The window's widget takes ownership of control. The control takes the window's size, whatever
// its own hint, and never resizes the window.
inline void HostInWindow(WindowWidget& window, QWidget* control)
{
    auto* layout = new QVBoxLayout(&window);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSizeConstraint(QLayout::SetNoConstraint);
    control->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
    layout->addWidget(control);
}

}  // namespace zem::ui
