// Loopback ports that fail in a known way, for tests of connection failures. Both keep their
// port reserved until destroyed.
#pragma once

#include <cstdint>
#include <vector>

namespace zemtest {

// Bound on 127.0.0.1 but not listening: a connect is refused at once.
class RefusingPort {
public:
    RefusingPort();
    ~RefusingPort();
    RefusingPort(const RefusingPort&) = delete;
    RefusingPort& operator=(const RefusingPort&) = delete;
    uint16_t Port() const { return port_; }

private:
    int fd_ = -1;
    uint16_t port_ = 0;
};

// Listening on 127.0.0.1 with a full accept queue and never accepting: the kernel drops new
// connection attempts, so a connect hangs until the client gives up.
class StuckListener {
public:
    StuckListener();
    ~StuckListener();
    StuckListener(const StuckListener&) = delete;
    StuckListener& operator=(const StuckListener&) = delete;
    uint16_t Port() const { return port_; }

private:
    int fd_ = -1;
    uint16_t port_ = 0;
    std::vector<int> fillers_;  // connections that fill the queue
};

}  // namespace zemtest
