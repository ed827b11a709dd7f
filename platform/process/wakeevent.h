// A manual-reset event that a poll can wait on together with other descriptors: any thread
// sets it, it stays set. Stands in for the quit request posted to a watching thread.
#pragma once

namespace zem {

class WakeEvent {
public:
    WakeEvent();
    ~WakeEvent();
    WakeEvent(const WakeEvent&) = delete;
    WakeEvent& operator=(const WakeEvent&) = delete;

    void Set();
    bool IsSet() const;
    // Readable while the event is set; -1 when the event could not be made.
    int Fd() const { return fd_; }

private:
    int fd_;
};

}  // namespace zem
