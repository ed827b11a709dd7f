// HTTP and HTTPS downloads, pulled by the caller a block at a time.
//
// What each operation guarantees:
// - HttpSession: holds the settings every request of it uses (user agent, CA file, connect
//   and stall time-outs). Proxies come from the usual environment variables (http_proxy,
//   https_proxy, all_proxy, no_proxy), read when a request is sent. Cheap; no connection.
// - HttpInterrupt::Raise: callable from any thread at any time. Every Send or Read of a
//   request attached to it that is blocked returns at once, and every later call returns at
//   once without touching the network, with HttpError::Interrupted, until Clear. It stays
//   raised so that a raise that comes between a caller's last look at its own work queue and
//   a blocking call is not lost: clear first, then look at the queue, then call.
// - HttpRequest(session, url, interrupt): makes no connection. The interrupt, when given,
//   must outlive the request.
// - Send: connects (bounded by the connect time-out, which covers the TLS handshake too: a
//   peer that takes the handshake and stays silent is ConnectTimedOut, one that answers it
//   with anything but TLS, such as a plain HTTP server, is Tls at once),
//   sends one GET with no cache and no automatic redirect, waits for the status line and
//   headers, bounded by the stall time-out (no byte for that long). True when a status code
//   arrived, whatever its value; StatusCode then holds it. False with Error() set otherwise.
//   A request is sent once: a second Send returns false and changes nothing.
// - Read(buffer, max): after a true Send, returns as soon as at least one byte of the body is
//   there, at most max (> 0; 0 reads nothing). Bytes that arrived before a failure are still
//   handed out; then Read returns 0, and Error() says how the body ended: None for a clean end
//   (all bytes that Content-Length or the chunked framing announced, or the close of a
//   response that announced neither), the reason otherwise. A body cut short (fewer bytes
//   than announced, the connection closed or reset early) is Truncated, never a clean end.
//   Over TLS a close without close_notify still ends an unframed body, so only framed
//   bodies are checked there. Read blocks at most for the stall time-out.
// - The first failure is final: later calls return false or 0 with the same Error().
// - A request is used by one thread at a time; only HttpInterrupt::Raise comes from others.
//   Destroying a request ends its transfer and closes its connection at once.
// - Certificates are verified (peer and host name) against the session's CA file, or the
//   system's store when none is set. A CA file or store that cannot be read fails every
//   HTTPS request with Tls before it connects.
#pragma once

#include "http/url.h"

#include <chrono>
#include <cstddef>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace zem {

struct HttpSettings {
    std::string userAgent{};  // sent as User-Agent when not empty
    std::string caFile{};     // PEM bundle of the only CAs trusted; empty: the system's store
    std::chrono::milliseconds connectTimeout{30000};
    std::chrono::milliseconds stallTimeout{60000};  // counted while a call waits for bytes
};

class HttpSession {
public:
    explicit HttpSession(HttpSettings settings);
    const HttpSettings& Settings() const { return settings_; }

private:
    HttpSettings settings_;
};

enum class HttpError {
    None,
    Interrupted,      // HttpInterrupt raised
    ConnectFailed,    // refused, unreachable, name not resolved
    ConnectTimedOut,  // no connection within the connect time-out
    Stalled,          // no byte within the stall time-out
    Tls,              // secure channel or certificate verification failed
    Truncated,        // the body ended before its announced end
    NotFormed,        // no request could be made of the address and settings
    NoStatus,         // connected, but the answer carried no status that could be read
    Failed,           // anything else: no or bad response, out of memory, used wrongly
};

const char* ToString(HttpError error);

class HttpRequest;

class HttpInterrupt {
public:
    HttpInterrupt() = default;
    HttpInterrupt(const HttpInterrupt&) = delete;
    HttpInterrupt& operator=(const HttpInterrupt&) = delete;

    void Raise();
    void Clear();
    bool IsRaised() const;

private:
    friend class HttpRequest;
    void Attach(HttpRequest* request);
    void Detach(HttpRequest* request);

    mutable std::mutex mutex_;  // also held while a request is woken, so it cannot go meanwhile
    bool raised_ = false;
    std::vector<HttpRequest*> requests_;
};

class HttpRequest {
public:
    HttpRequest(const HttpSession& session, const Url& url, HttpInterrupt* interrupt = nullptr);
    ~HttpRequest();
    HttpRequest(const HttpRequest&) = delete;
    HttpRequest& operator=(const HttpRequest&) = delete;

    [[nodiscard]] bool Send();
    long StatusCode() const;  // 0 until Send succeeded
    [[nodiscard]] size_t Read(void* buffer, size_t max);
    // Bytes of the body that Read hands out without waiting for the network.
    size_t Buffered() const;

    HttpError Error() const;
    // The transfer library's own code of the failure, for traces; 0 when it gave none.
    int LibraryCode() const;
    // A one-line reason for traces; empty while Error() is None.
    const std::string& ErrorText() const;

private:
    friend class HttpInterrupt;
    struct Impl;
    std::unique_ptr<Impl> impl_;
    HttpInterrupt* interrupt_;
};

}  // namespace zem
