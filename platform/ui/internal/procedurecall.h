// Internal to the window layer. Calling a window procedure safely: every exception is caught
// and traced, and the widgets of windows destroyed meanwhile are deleted only once no
// procedure runs any more, so that no caller further up the stack (a widget event that
// reached a procedure) returns into a freed widget.
#pragma once

#include "ui/internal/windowtable.h"

#include <memory>

class QWidget;

namespace zem::ui {

// UI thread only. The record is kept alive for the duration of the call.
LRESULT CallProcedure(std::shared_ptr<WindowRecord> record, UINT message, WPARAM wParam, LPARAM lParam);

// Deletes the widget now when no procedure runs, else when the outermost one returns. A widget
// that its parent deletes first is simply forgotten.
void DeleteWidgetWhenIdle(QWidget* widget);

// Deletes whatever waits; for shutting the application down.
void DeleteWaitingWidgets();

// Traces the exception being handled; call only inside a catch block.
void TraceFailure(const char* where);

}  // namespace zem::ui
