#include "ui/application.h"

#include "ui/internal/dispatcher.h"
#include "ui/internal/procedurecall.h"
#include "ui/internal/windowtable.h"
#include "ui/internal/windowwidget.h"
#include "ui/window.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QThread>
#include <QTimer>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <thread>

namespace zem {
namespace {

struct Application {
    std::mutex mutex;  // guards starting and closing
    std::atomic<std::thread::id> uiThread{};
    QApplication* qtApp = nullptr;
    bool ownsQtApp = false;
    bool closed = false;
    ui::MessageDispatcher* dispatcher = nullptr;  // UI thread only
};

Application& App()
{
    // Never destroyed: other threads may still ask IsUiThread at process exit.
    static auto* app = new Application;
    return *app;
}

bool HasDisplay()
{
    const char* ui = std::getenv("ZEM_UI");
    if (ui && std::strcmp(ui, "headless") == 0)
        return false;
    const char* x11 = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    return (x11 && *x11) || (wayland && *wayland);
}

// The toolkit ends the process when it cannot reach a display; without one we draw offscreen.
void ChoosePlatform()
{
    const char* chosen = std::getenv("QT_QPA_PLATFORM");
    if ((!chosen || !*chosen) && !HasDisplay())
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
}

bool Holds(const std::function<bool()>& condition)
{
    try {
        return condition();
    } catch (...) {
        ui::TraceFailure("pump condition");
        return false;
    }
}

}  // namespace

namespace ui {

MessageDispatcher* Dispatcher()
{
    return IsUiThread() ? App().dispatcher : nullptr;
}

}  // namespace ui

bool InitApplication()
{
    Application& app = App();
    std::lock_guard lock(app.mutex);
    if (app.closed)
        return false;
    if (app.qtApp)
        return IsUiThread();

    if (auto* existing = qobject_cast<QApplication*>(QCoreApplication::instance())) {
        // A host started the toolkit already: its thread is the UI thread.
        if (existing->thread() != QThread::currentThread())
            return false;
        app.qtApp = existing;
    } else if (QCoreApplication::instance()) {
        return false;  // a toolkit instance without widgets cannot host windows
    } else {
        ChoosePlatform();
        // The toolkit keeps references to both for the life of the application.
        static int argc = 1;
        static char name[] = "zem";
        static char* argv[] = {name, nullptr};
        app.qtApp = new QApplication(argc, argv);
        app.ownsQtApp = true;
    }
    app.uiThread = std::this_thread::get_id();
    app.dispatcher = new ui::MessageDispatcher;
    ui::Windows().SetReceiver(app.dispatcher);
    // A click, a window activated or left: the procedures hear of it as of SetFocus.
    QObject::connect(app.qtApp, &QApplication::focusChanged, app.dispatcher,
                     [](QWidget*, QWidget* now) { ui::FollowToolkitFocus(now); });
    return true;
}

void ExitApplication()
{
    Application& app = App();
    if (!IsUiThread())
        return;
    // Windows first, parents before children (which die with them).
    for (HWND hwnd : ui::Windows().Handles()) {
        if (IsWindow(hwnd) && !GetParent(hwnd))
            DestroyWindow(hwnd);
    }
    for (HWND hwnd : ui::Windows().Handles())
        DestroyWindow(hwnd);
    ui::DeleteWaitingWidgets();

    std::lock_guard lock(app.mutex);
    ui::Windows().SetReceiver(nullptr);
    // Deleting the dispatcher drops what is still queued for it; each dropped SendMessage
    // call completes with 0.
    delete app.dispatcher;
    app.dispatcher = nullptr;
    if (app.ownsQtApp)
        delete app.qtApp;
    app.qtApp = nullptr;
    app.uiThread = std::thread::id{};
    app.closed = true;
}

bool IsUiThread()
{
    return App().uiThread.load() == std::this_thread::get_id();
}

int RunMessageLoop()
{
    auto* dispatcher = ui::Dispatcher();
    return dispatcher ? dispatcher->RunLoop() : -1;
}

void PostQuitMessage(int exitCode)
{
    // Low priority: whatever was posted before is delivered first.
    ui::Windows().Post(nullptr, new ui::QuitRequest(exitCode), Qt::LowEventPriority);
}

bool PumpMessagesUntil(const std::function<bool()>& condition, int boundMs)
{
    if (!ui::Dispatcher())
        return Holds(condition);
    QDeadlineTimer deadline(boundMs);
    // Wakes the wait now and then, for conditions that other threads change without posting.
    QTimer wake;
    wake.start(10);
    while (!Holds(condition)) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    }
    return true;
}

}  // namespace zem
