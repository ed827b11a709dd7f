// Internal to the window layer. The UI thread's receiver of everything handed to it: posted
// messages, messages sent from other threads, quit requests and window timer ticks. It also
// runs the nested event loops of RunMessageLoop, so that a quit request reaches the innermost.
#pragma once

#include "ui/wintypes.h"

#include <QEvent>
#include <QObject>

#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <utility>
#include <vector>

class QEventLoop;

namespace zem::ui {

// A SendMessage call from another thread: the sender waits until the UI thread completes it.
class SendCall {
public:
    // The first completion counts; later ones are ignored.
    void Complete(LRESULT result);
    // Before the procedure runs: false when the call is already over (its window died), so
    // it must not run. A started call is completed only by its procedure's result.
    bool Start();
    // Completes with 0 unless the procedure has started.
    void Abandon();
    LRESULT Wait();

private:
    std::mutex mutex_;
    std::condition_variable done_;
    bool started_ = false;
    bool completed_ = false;
    LRESULT result_ = 0;
};

class PostedMessage final : public QEvent {
public:
    static constexpr Type kType = Type(QEvent::User + 0x101);
    PostedMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
        : QEvent(kType), hwnd(hwnd), message(message), wParam(wParam), lParam(lParam) {}

    const HWND hwnd;
    const UINT message;
    const WPARAM wParam;
    const LPARAM lParam;
};

// Completes its call with 0 when it is dropped undelivered (window gone, application closed),
// so a waiting sender never waits for ever.
class SentMessage final : public QEvent {
public:
    static constexpr Type kType = Type(QEvent::User + 0x102);
    SentMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, std::shared_ptr<SendCall> call)
        : QEvent(kType), hwnd(hwnd), message(message), wParam(wParam), lParam(lParam), call(std::move(call)) {}
    ~SentMessage() override { call->Complete(0); }

    const HWND hwnd;
    const UINT message;
    const WPARAM wParam;
    const LPARAM lParam;
    const std::shared_ptr<SendCall> call;
};

class QuitRequest final : public QEvent {
public:
    static constexpr Type kType = Type(QEvent::User + 0x103);
    explicit QuitRequest(int exitCode) : QEvent(kType), exitCode(exitCode) {}

    const int exitCode;
};

class MessageDispatcher final : public QObject {
public:
    // Toolkit timer id, 0 on failure.
    int StartTimer(HWND hwnd, uintptr_t id, int periodMs);
    void StopTimer(int timerId);

    // Runs an event loop until a quit request; returns its exit code.
    int RunLoop();

protected:
    bool event(QEvent* event) override;
    void timerEvent(QTimerEvent* event) override;

private:
    void Quit(int exitCode);

    std::map<int, std::pair<HWND, uintptr_t>> timers_;  // toolkit timer id -> window, timer id
    std::vector<QEventLoop*> loops_;                    // running loops, innermost last
    std::optional<int> pendingQuit_;                    // a quit that came while no loop ran
};

// The dispatcher of the running application, nullptr otherwise. UI thread only.
MessageDispatcher* Dispatcher();

}  // namespace zem::ui
