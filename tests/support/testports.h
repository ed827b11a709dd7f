// Loopback ports that fail in a known way, for tests of connection failures. Each keeps its
// port reserved until destroyed.
#pragma once

#include <cstdint>
#include <string>
#include <thread>
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

// Listening on 127.0.0.1 and accepting; reads whatever each connection sends and answers
// its first bytes with a fixed text (nothing when it is empty). Closes no connection until
// destroyed, so a client learns only from what is written.
class ReadingPeer {
public:
    explicit ReadingPeer(std::string answer);
    ~ReadingPeer();
    ReadingPeer(const ReadingPeer&) = delete;
    ReadingPeer& operator=(const ReadingPeer&) = delete;
    uint16_t Port() const { return port_; }

private:
    void Run();

    const std::string answer_;
    int fd_ = -1;
    int wake_ = -1;  // eventfd that ends Run
    uint16_t port_ = 0;
    std::thread thread_;
};

// Takes a TLS client's handshake and never answers: the client waits until it gives up.
class SilentPeer : public ReadingPeer {
public:
    SilentPeer() : ReadingPeer({}) {}
};

// Answers a TLS client's handshake with plain HTTP, as a plain HTTP server does.
class PlainHttpPeer : public ReadingPeer {
public:
    PlainHttpPeer()
        : ReadingPeer("HTTP/1.1 400 Bad Request\r\nContent-Length: 0\r\n\r\n")
    {
    }
};

}  // namespace zemtest
