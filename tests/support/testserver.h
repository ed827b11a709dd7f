// A loopback HTTP or HTTPS server for tests: listens on 127.0.0.1 at a port of the system's
// choice, answers each connection on a thread of its own with the reply the test registered
// for the request's path, records every request, and stops by itself when destroyed.
// Every connection gets one response and is closed ("Connection: close").
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <stop_token>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

namespace zemtest {

// The longest a reply waits at a gate or holds; a safety net for a test that forgot to open.
inline constexpr std::chrono::seconds kLongestHold{60};

// A point in a reply where it waits until the test opens the gate (or the server stops).
class Gate {
public:
    void Open();
    // True once opened; false when stop was requested or `longest` passed first.
    bool Wait(std::stop_token stop, std::chrono::milliseconds longest = kLongestHold);

private:
    std::mutex mutex_;
    std::condition_variable_any opened_;
    bool open_ = false;
};

enum class Framing {
    Length,      // Content-Length (the body's size, or announcedLength)
    Chunked,     // Transfer-Encoding: chunked, one chunk per piece
    UntilClose,  // neither: the body ends when the connection closes
};

struct Reply {
    int status = 200;
    std::vector<std::pair<std::string, std::string>> headers{};  // extra header lines
    std::string body{};
    Framing framing = Framing::Length;
    std::optional<size_t> announcedLength{};  // Content-Length to send instead of the body's size
    size_t pieceSize = 0;                     // > 0: the body goes out in pieces of this size
    std::chrono::milliseconds pieceDelay{0};  // pause before every piece but the first
    bool hold = false;             // read the request, answer nothing until the server stops
    std::shared_ptr<Gate> gate{};  // when set: headers and gateAfter body bytes, then wait for it
    size_t gateAfter = 0;
    std::optional<size_t> closeAfter{};  // close the connection abruptly after this many body bytes
};

struct ReceivedRequest {
    std::string method;
    std::string target;  // as sent: a path, or an absolute address when it came through a proxy
    std::string path;    // the target without scheme and host
    std::map<std::string, std::string> headers;  // names lower-cased
};

class TestServer {
public:
    enum class Scheme { Http, Https };

    // Listens at once. Https makes a fresh CA and certificate (see CaFile).
    explicit TestServer(Scheme scheme = Scheme::Http);
    // Ends holds, gates and pauses, closes every connection, joins every thread.
    ~TestServer();
    TestServer(const TestServer&) = delete;
    TestServer& operator=(const TestServer&) = delete;

    uint16_t Port() const { return port_; }
    // "http://127.0.0.1:<port><path>" (or https).
    std::string Url(std::string_view path) const;
    // A PEM file with the CA that signed this server's certificate; empty for plain HTTP.
    const std::string& CaFile() const { return caFile_; }

    // Registers the reply for a path (with its query, matched exactly); replaces an earlier
    // one. Unregistered paths get 404 with the body "not found".
    void Route(const std::string& path, Reply reply);

    std::vector<ReceivedRequest> Requests() const;
    size_t Hits(std::string_view path) const;
    // Waits until at least count requests for path have arrived; false after `longest`.
    bool WaitForHits(std::string_view path, size_t count,
        std::chrono::milliseconds longest = std::chrono::seconds(10)) const;

private:
    class Stream;
    struct Tls;

    void AcceptLoop();
    void Serve(int fd);
    void Answer(Stream& stream, const Reply& reply);
    std::shared_ptr<const Reply> Lookup(const std::string& path) const;
    void Forget(int fd);

    std::unique_ptr<Tls> tls_;
    std::string caFile_;
    int listener_ = -1;
    int wake_ = -1;  // eventfd that ends the accept loop
    uint16_t port_ = 0;
    std::stop_source stop_;

    mutable std::mutex mutex_;
    mutable std::condition_variable arrived_;
    std::map<std::string, std::shared_ptr<const Reply>> routes_;
    std::vector<ReceivedRequest> requests_;
    std::vector<int> openFds_;
    std::vector<std::thread> connections_;
    std::thread acceptor_;
};

}  // namespace zemtest
