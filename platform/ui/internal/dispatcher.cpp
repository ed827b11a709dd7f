#include "ui/internal/dispatcher.h"

#include "ui/internal/procedurecall.h"
#include "ui/internal/windowtable.h"

#include <QEventLoop>
#include <QTimerEvent>

namespace zem::ui {

void SendCall::Complete(LRESULT result)
{
    std::lock_guard lock(mutex_);
    if (completed_)
        return;
    completed_ = true;
    result_ = result;
    done_.notify_all();
}

bool SendCall::Start()
{
    std::lock_guard lock(mutex_);
    started_ = !completed_;
    return started_;
}

void SendCall::Abandon()
{
    std::lock_guard lock(mutex_);
    if (started_ || completed_)
        return;
    completed_ = true;
    result_ = 0;
    done_.notify_all();
}

LRESULT SendCall::Wait()
{
    std::unique_lock lock(mutex_);
    done_.wait(lock, [this] { return completed_; });
    return result_;
}

int MessageDispatcher::StartTimer(HWND hwnd, uintptr_t id, int periodMs)
{
    const int timerId = startTimer(periodMs);
    if (timerId != 0)
        timers_[timerId] = {hwnd, id};
    return timerId;
}

void MessageDispatcher::StopTimer(int timerId)
{
    if (timers_.erase(timerId) > 0)
        killTimer(timerId);
}

int MessageDispatcher::RunLoop()
{
    if (pendingQuit_) {
        const int exitCode = *pendingQuit_;
        pendingQuit_.reset();
        return exitCode;
    }
    QEventLoop loop;
    loops_.push_back(&loop);
    int exitCode = 0;
    try {
        exitCode = loop.exec();
    } catch (...) {
        TraceFailure("event loop");
    }
    loops_.pop_back();
    return exitCode;
}

void MessageDispatcher::Quit(int exitCode)
{
    if (loops_.empty())
        pendingQuit_ = exitCode;
    else
        loops_.back()->exit(exitCode);
}

bool MessageDispatcher::event(QEvent* event)
{
    switch (static_cast<int>(event->type())) {
    case PostedMessage::kType: {
        const auto* posted = static_cast<PostedMessage*>(event);
        // A window destroyed after the post is gone from the table: the message is dropped.
        if (auto record = Windows().Find(posted->hwnd))
            CallProcedure(record, posted->message, posted->wParam, posted->lParam);
        return true;
    }
    case SentMessage::kType: {
        const auto* sent = static_cast<SentMessage*>(event);
        LRESULT result = 0;
        auto record = Windows().Find(sent->hwnd);
        if (record && sent->call->Start())
            result = CallProcedure(record, sent->message, sent->wParam, sent->lParam);
        sent->call->Complete(result);
        return true;
    }
    case QuitRequest::kType:
        Quit(static_cast<QuitRequest*>(event)->exitCode);
        return true;
    default:
        return QObject::event(event);
    }
}

void MessageDispatcher::timerEvent(QTimerEvent* event)
{
    auto it = timers_.find(event->timerId());
    if (it == timers_.end())
        return;
    const auto [hwnd, id] = it->second;
    if (auto record = Windows().Find(hwnd))
        CallProcedure(record, WM_TIMER, id, 0);
}

}  // namespace zem::ui
