#include "ui/internal/windowtable.h"

#include "ui/internal/dispatcher.h"

#include <QCoreApplication>
#include <QEvent>

#include <algorithm>

namespace zem::ui {

HWND WindowTable::Add(const std::shared_ptr<WindowRecord>& record)
{
    std::lock_guard lock(mutex_);
    record->hwnd = reinterpret_cast<HWND>(static_cast<uintptr_t>(windows_.Add(record)));
    return record->hwnd;
}

void WindowTable::Remove(HWND hwnd)
{
    std::vector<std::weak_ptr<SendCall>> calls;
    {
        std::lock_guard lock(mutex_);
        windows_.Remove(Id(hwnd));
        if (auto found = sends_.find(hwnd); found != sends_.end()) {
            calls = std::move(found->second);
            sends_.erase(found);
        }
    }
    for (const auto& weak : calls) {
        if (auto call = weak.lock())
            call->Abandon();
    }
}

std::shared_ptr<WindowRecord> WindowTable::Find(HWND hwnd) const
{
    std::lock_guard lock(mutex_);
    return windows_.Find(Id(hwnd));
}

std::vector<HWND> WindowTable::Handles() const
{
    std::lock_guard lock(mutex_);
    std::vector<HWND> handles;
    handles.reserve(windows_.size());
    for (const auto& record : windows_)
        handles.push_back(record->hwnd);
    return handles;
}

bool WindowTable::Contains(HWND hwnd) const
{
    std::lock_guard lock(mutex_);
    return windows_.Find(Id(hwnd)) != nullptr;
}

bool WindowTable::Describe(HWND hwnd, HWND* parent, uintptr_t* id) const
{
    std::lock_guard lock(mutex_);
    const std::shared_ptr<WindowRecord>& record = windows_.Find(Id(hwnd));
    if (!record)
        return false;
    *parent = record->parent;
    *id = record->id;
    return true;
}

bool WindowTable::Post(HWND hwnd, QEvent* event, int priority)
{
    std::unique_lock lock(mutex_);
    if (!receiver_ || (hwnd && !windows_.Find(Id(hwnd)))) {
        lock.unlock();
        delete event;
        return false;
    }
    // Under the lock: the receiver cannot be deleted meanwhile (SetReceiver(nullptr) comes first).
    QCoreApplication::postEvent(receiver_, event, priority);
    return true;
}

bool WindowTable::PostSent(HWND hwnd, QEvent* event, const std::shared_ptr<SendCall>& call)
{
    std::unique_lock lock(mutex_);
    if (!receiver_ || !windows_.Find(Id(hwnd))) {
        lock.unlock();
        delete event;
        return false;
    }
    auto& calls = sends_[hwnd];
    std::erase_if(calls, [](const std::weak_ptr<SendCall>& weak) { return weak.expired(); });
    calls.push_back(call);
    QCoreApplication::postEvent(receiver_, event, Qt::HighEventPriority);
    return true;
}

size_t WindowTable::PendingSends(HWND hwnd) const
{
    std::lock_guard lock(mutex_);
    const auto found = sends_.find(hwnd);
    if (found == sends_.end())
        return 0;
    return size_t(std::count_if(found->second.begin(), found->second.end(),
                                [](const std::weak_ptr<SendCall>& weak) { return !weak.expired(); }));
}

void WindowTable::SetReceiver(QObject* receiver)
{
    std::lock_guard lock(mutex_);
    receiver_ = receiver;
}

WindowTable& Windows()
{
    // Never destroyed: threads still running at process exit may post until the very end.
    static auto* table = new WindowTable;
    return *table;
}

}  // namespace zem::ui
