// Internal to the window layer. The table of live windows: the one lock of the layer's
// shared state. Any thread may look a handle up or post through it; records themselves are
// read and changed on the UI thread.
#pragma once

#include "base/handletable.h"
#include "ui/wintypes.h"

#include <QPointer>
#include <QWidget>

#include <map>
#include <memory>
#include <mutex>
#include <vector>

class QEvent;
class QObject;

namespace zem::ui {

class SendCall;

struct WindowRecord {
    // Fixed at creation.
    HWND hwnd = nullptr;
    HWND parent = nullptr;
    uintptr_t id = 0;
    WindowProcedure procedure;

    // UI thread only.
    std::vector<HWND> children;
    QPointer<QWidget> widget;
    std::map<uintptr_t, int> timers;  // window timer id -> toolkit timer id
    bool destroying = false;
};

class WindowTable {
public:
    // Gives the record a handle never used before and makes it live; null when every handle
    // is taken.
    HWND Add(const std::shared_ptr<WindowRecord>& record);
    // Sent calls still waiting for the window are completed with 0.
    void Remove(HWND hwnd);

    // UI thread only, so that the last reference to a record (and to whatever its procedure
    // holds) is always dropped there.
    std::shared_ptr<WindowRecord> Find(HWND hwnd) const;
    std::vector<HWND> Handles() const;

    bool Contains(HWND hwnd) const;
    bool Describe(HWND hwnd, HWND* parent, uintptr_t* id) const;

    // Hands the event to the receiver when hwnd is live (nullptr: no window needed) and a
    // receiver is set; otherwise deletes it and returns false.
    bool Post(HWND hwnd, QEvent* event, int priority);
    // Post for a sent message whose call waits on it: the call is ended by Remove if the
    // window dies before the message runs, whether or not the UI thread still takes events.
    bool PostSent(HWND hwnd, QEvent* event, const std::shared_ptr<SendCall>& call);
    // Sent calls waiting for the window (for tests).
    size_t PendingSends(HWND hwnd) const;
    void SetReceiver(QObject* receiver);

private:
    static uint32_t Id(HWND hwnd) { return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(hwnd)); }

    mutable std::mutex mutex_;
    HandleTable<WindowRecord> windows_;
    std::map<HWND, std::vector<std::weak_ptr<SendCall>>> sends_;
    QObject* receiver_ = nullptr;  // the UI thread's dispatcher while the application runs
};

WindowTable& Windows();

}  // namespace zem::ui
