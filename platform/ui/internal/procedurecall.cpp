#include "ui/internal/procedurecall.h"

#include "base/trace.h"

#include <QPointer>
#include <QWidget>

#include <exception>
#include <vector>

namespace zem::ui {
namespace {

// UI thread only.
int g_runningProcedures = 0;
std::vector<QPointer<QWidget>> g_waitingWidgets;
bool g_deleting = false;

void DeleteWaiting()
{
    // Deleting a widget can run toolkit events that call procedures, which end here again.
    if (g_deleting)
        return;
    g_deleting = true;
    while (!g_waitingWidgets.empty()) {
        std::vector<QPointer<QWidget>> batch;
        batch.swap(g_waitingWidgets);
        for (auto& widget : batch)
            delete widget.data();
    }
    g_deleting = false;
}

class RunningProcedure {
public:
    RunningProcedure() { ++g_runningProcedures; }
    ~RunningProcedure()
    {
        if (--g_runningProcedures == 0)
            DeleteWaiting();
    }
    RunningProcedure(const RunningProcedure&) = delete;
    RunningProcedure& operator=(const RunningProcedure&) = delete;
};

}  // namespace

void TraceFailure(const char* where)
{
    try {
        throw;
    } catch (const std::exception& e) {
        Trace("ui: %s failed: %s", where, e.what());
    } catch (...) {
        Trace("ui: %s failed with an unknown exception", where);
    }
}

LRESULT CallProcedure(std::shared_ptr<WindowRecord> record, UINT message, WPARAM wParam, LPARAM lParam)
{
    RunningProcedure running;
    try {
        return record->procedure(record->hwnd, message, wParam, lParam);
    } catch (...) {
        Trace("ui: window %p, message 0x%04x", static_cast<void*>(record->hwnd), message);
        TraceFailure("window procedure");
    }
    return 0;
}

void DeleteWidgetWhenIdle(QWidget* widget)
{
    if (!widget)
        return;
    g_waitingWidgets.emplace_back(widget);
    if (g_runningProcedures == 0)
        DeleteWaiting();
}

void DeleteWaitingWidgets()
{
    DeleteWaiting();
}

}  // namespace zem::ui
