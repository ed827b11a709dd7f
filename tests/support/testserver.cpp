#include "support/testserver.h"

#include "base/tempname.h"
#include "support/testcert.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <openssl/err.h>
#include <openssl/pem.h>
#include <openssl/ssl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <stdexcept>

namespace zemtest {
namespace {

constexpr size_t kMostConnections = 1000;  // per server; later ones are closed at once
constexpr size_t kLongestRequestHead = 65536;
constexpr size_t kLargestPiece = 256 * 1024;  // when the reply does not ask for pieces

const char* ReasonPhrase(int status)
{
    switch (status) {
    case 200: return "OK";
    case 204: return "No Content";
    case 301: return "Moved Permanently";
    case 302: return "Found";
    case 304: return "Not Modified";
    case 400: return "Bad Request";
    case 403: return "Forbidden";
    case 404: return "Not Found";
    case 500: return "Internal Server Error";
    case 503: return "Service Unavailable";
    default: return "Status";
    }
}

// Waits for ms unless the server stops first; true when the whole time passed.
bool PauseUnlessStopped(std::stop_token stop, std::chrono::milliseconds ms)
{
    std::mutex mutex;
    std::condition_variable_any never;
    std::unique_lock lock(mutex);
    never.wait_for(lock, stop, ms, [] { return false; });
    return !stop.stop_requested();
}

std::string Lower(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
        [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

std::string Trim(std::string_view text)
{
    const size_t first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos)
        return {};
    const size_t last = text.find_last_not_of(" \t");
    return std::string(text.substr(first, last - first + 1));
}

ReceivedRequest ParseHead(std::string_view head)
{
    ReceivedRequest request;
    size_t lineEnd = head.find("\r\n");
    const std::string_view first = head.substr(0, lineEnd);
    const size_t space1 = first.find(' ');
    const size_t space2 = first.find(' ', space1 == std::string_view::npos ? space1 : space1 + 1);
    request.method = std::string(first.substr(0, space1));
    if (space1 != std::string_view::npos)
        request.target = std::string(first.substr(space1 + 1, space2 - space1 - 1));
    request.path = request.target;
    const size_t schemeEnd = request.target.find("://");
    if (schemeEnd != std::string::npos) {
        const size_t slash = request.target.find('/', schemeEnd + 3);
        request.path = slash == std::string::npos ? "/" : request.target.substr(slash);
    }
    while (lineEnd != std::string_view::npos) {
        const size_t start = lineEnd + 2;
        lineEnd = head.find("\r\n", start);
        const std::string_view line = head.substr(start, lineEnd - start);
        const size_t colon = line.find(':');
        if (colon != std::string_view::npos)
            request.headers[Lower(std::string(line.substr(0, colon)))] =
                Trim(line.substr(colon + 1));
    }
    return request;
}

}  // namespace

void Gate::Open()
{
    std::lock_guard lock(mutex_);
    open_ = true;
    opened_.notify_all();
}

bool Gate::Wait(std::stop_token stop, std::chrono::milliseconds longest)
{
    std::unique_lock lock(mutex_);
    return opened_.wait_for(lock, stop, longest, [this] { return open_; });
}

struct TestServer::Tls {
    explicit Tls(const TestCertificates& certificates)
    {
        context = SSL_CTX_new(TLS_server_method());
        if (!context)
            throw std::runtime_error("SSL_CTX_new failed");
        SSL_CTX_set_min_proto_version(context, TLS1_2_VERSION);
        BIO* certBio = BIO_new_mem_buf(
            certificates.certPem.data(), static_cast<int>(certificates.certPem.size()));
        X509* cert = PEM_read_bio_X509(certBio, nullptr, nullptr, nullptr);
        BIO_free(certBio);
        BIO* keyBio = BIO_new_mem_buf(
            certificates.keyPem.data(), static_cast<int>(certificates.keyPem.size()));
        EVP_PKEY* key = PEM_read_bio_PrivateKey(keyBio, nullptr, nullptr, nullptr);
        BIO_free(keyBio);
        const bool ok = cert && key && SSL_CTX_use_certificate(context, cert) == 1 &&
            SSL_CTX_use_PrivateKey(context, key) == 1;
        X509_free(cert);
        EVP_PKEY_free(key);
        if (!ok) {
            SSL_CTX_free(context);
            throw std::runtime_error("cannot load the test certificate");
        }
    }
    ~Tls() { SSL_CTX_free(context); }
    Tls(const Tls&) = delete;
    Tls& operator=(const Tls&) = delete;

    SSL_CTX* context = nullptr;
};

// One accepted connection, plain or TLS.
class TestServer::Stream {
public:
    Stream(int fd, SSL_CTX* context) : fd_(fd)
    {
        if (context) {
            ssl_ = SSL_new(context);
            if (!ssl_ || SSL_set_fd(ssl_, fd) != 1)
                throw std::runtime_error("SSL_new failed");
        }
    }
    ~Stream()
    {
        if (ssl_)
            SSL_free(ssl_);
        ERR_clear_error();  // per-thread OpenSSL error queue
    }
    Stream(const Stream&) = delete;
    Stream& operator=(const Stream&) = delete;

    bool Handshake() { return !ssl_ || SSL_accept(ssl_) == 1; }

    // Bytes read, 0 at the end, < 0 on failure.
    long ReadSome(char* buffer, size_t size)
    {
        if (ssl_)
            return SSL_read(ssl_, buffer, static_cast<int>(std::min<size_t>(size, 1 << 30)));
        return ::recv(fd_, buffer, size, 0);
    }

    bool Write(std::string_view bytes)
    {
        while (!bytes.empty()) {
            long written;
            if (ssl_)
                written = SSL_write(
                    ssl_, bytes.data(), static_cast<int>(std::min<size_t>(bytes.size(), 1 << 30)));
            else
                written = ::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL);
            if (written <= 0)
                return false;
            bytes.remove_prefix(static_cast<size_t>(written));
        }
        return true;
    }

    // The clean end of the response: TLS close_notify, then FIN.
    void Finish()
    {
        if (ssl_)
            SSL_shutdown(ssl_);
        ::shutdown(fd_, SHUT_WR);
    }

private:
    int fd_;
    SSL* ssl_ = nullptr;
};

TestServer::TestServer(Scheme scheme)
{
    // A client that hangs up mid-reply must end that reply, not the test process.
    std::signal(SIGPIPE, SIG_IGN);
    if (scheme == Scheme::Https) {
        const TestCertificates certificates = MakeTestCertificates();
        tls_ = std::make_unique<Tls>(certificates);
        caFile_ = zem::CreateTempFile("testca", ".pem");
        FILE* file = caFile_.empty() ? nullptr : std::fopen(caFile_.c_str(), "wb");
        const bool written = file &&
            std::fwrite(certificates.caPem.data(), 1, certificates.caPem.size(), file) ==
                certificates.caPem.size();
        if (file)
            std::fclose(file);
        if (!written)
            throw std::runtime_error("cannot write the test CA file");
    }

    listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    wake_ = ::eventfd(0, EFD_CLOEXEC);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    socklen_t length = sizeof address;
    if (listener_ < 0 || wake_ < 0 ||
        ::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(listener_, 64) != 0 ||
        ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        if (listener_ >= 0)
            ::close(listener_);
        if (wake_ >= 0)
            ::close(wake_);
        if (!caFile_.empty())
            std::remove(caFile_.c_str());
        throw std::runtime_error("cannot listen on 127.0.0.1");
    }
    port_ = ntohs(address.sin_port);
    acceptor_ = std::thread([this] {
        try {
            AcceptLoop();
        } catch (...) {
        }
    });
}

TestServer::~TestServer()
{
    stop_.request_stop();
    const uint64_t one = 1;
    [[maybe_unused]] const auto ignored = ::write(wake_, &one, sizeof one);
    acceptor_.join();
    std::vector<std::thread> threads;
    {
        std::lock_guard lock(mutex_);
        for (int fd : openFds_)
            ::shutdown(fd, SHUT_RDWR);  // ends blocked reads and writes
        threads.swap(connections_);
    }
    for (std::thread& thread : threads)
        thread.join();
    ::close(listener_);
    ::close(wake_);
    if (!caFile_.empty())
        std::remove(caFile_.c_str());
}

std::string TestServer::Url(std::string_view path) const
{
    return std::string(tls_ ? "https" : "http") + "://127.0.0.1:" + std::to_string(port_) +
        std::string(path);
}

void TestServer::Route(const std::string& path, Reply reply)
{
    auto shared = std::make_shared<const Reply>(std::move(reply));
    std::lock_guard lock(mutex_);
    routes_[path] = std::move(shared);
}

std::vector<ReceivedRequest> TestServer::Requests() const
{
    std::lock_guard lock(mutex_);
    return requests_;
}

size_t TestServer::Hits(std::string_view path) const
{
    std::lock_guard lock(mutex_);
    return static_cast<size_t>(std::count_if(requests_.begin(), requests_.end(),
        [&](const ReceivedRequest& r) { return r.path == path; }));
}

bool TestServer::WaitForHits(
    std::string_view path, size_t count, std::chrono::milliseconds longest) const
{
    std::unique_lock lock(mutex_);
    return arrived_.wait_for(lock, longest, [&] {
        return static_cast<size_t>(std::count_if(requests_.begin(), requests_.end(),
                   [&](const ReceivedRequest& r) { return r.path == path; })) >= count;
    });
}

void TestServer::AcceptLoop()
{
    for (;;) {
        pollfd fds[2] = {{listener_, POLLIN, 0}, {wake_, POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR)
                continue;
            return;
        }
        if (fds[1].revents != 0)
            return;
        const int fd = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0) {
            // Out of descriptors or memory: give the tests' own connections time to end
            // instead of spinning on a listener that stays readable.
            if (errno == EMFILE || errno == ENFILE || errno == ENOBUFS || errno == ENOMEM) {
                pollfd wake{wake_, POLLIN, 0};
                if (::poll(&wake, 1, 10) > 0)
                    return;
            }
            continue;
        }
        std::lock_guard lock(mutex_);
        if (connections_.size() >= kMostConnections) {
            ::close(fd);
            continue;
        }
        openFds_.push_back(fd);
        try {
            connections_.emplace_back([this, fd] { Serve(fd); });
        } catch (...) {
            openFds_.pop_back();
            ::close(fd);
        }
    }
}

void TestServer::Serve(int fd)
{
    try {
        Stream stream(fd, tls_ ? tls_->context : nullptr);
        std::string head;
        bool complete = false;
        if (stream.Handshake()) {
            char block[4096];
            while (!complete && head.size() < kLongestRequestHead) {
                const long count = stream.ReadSome(block, sizeof block);
                if (count <= 0)
                    break;
                head.append(block, static_cast<size_t>(count));
                complete = head.find("\r\n\r\n") != std::string::npos;
            }
        }
        if (complete) {
            ReceivedRequest request = ParseHead(head.substr(0, head.find("\r\n\r\n") + 2));
            const std::shared_ptr<const Reply> reply = Lookup(request.path);
            {
                std::lock_guard lock(mutex_);
                requests_.push_back(std::move(request));
            }
            arrived_.notify_all();
            if (reply) {
                Answer(stream, *reply);
            } else {
                Reply notFound;
                notFound.status = 404;
                notFound.body = "not found";
                Answer(stream, notFound);
            }
        }
    } catch (...) {
    }
    Forget(fd);
    ::close(fd);
}

void TestServer::Answer(Stream& stream, const Reply& reply)
{
    const std::stop_token stop = stop_.get_token();
    if (reply.hold) {
        PauseUnlessStopped(stop, kLongestHold);
        return;
    }

    std::string head = "HTTP/1.1 " + std::to_string(reply.status) + " " +
        ReasonPhrase(reply.status) + "\r\nConnection: close\r\n";
    if (reply.framing == Framing::Length)
        head +=
            "Content-Length: " + std::to_string(reply.announcedLength.value_or(reply.body.size())) +
            "\r\n";
    else if (reply.framing == Framing::Chunked)
        head += "Transfer-Encoding: chunked\r\n";
    for (const auto& [name, value] : reply.headers)
        head += name + ": " + value + "\r\n";
    head += "\r\n";
    if (!stream.Write(head))
        return;

    const std::string_view body = reply.body;
    const size_t gateAt = reply.gate ? std::min(reply.gateAfter, body.size()) : body.size();
    const size_t closeAt = std::min(reply.closeAfter.value_or(body.size()), body.size());
    const size_t pieceSize = reply.pieceSize > 0 ? reply.pieceSize : kLargestPiece;
    bool gated = !reply.gate;
    size_t sent = 0;
    for (bool first = true;; first = false) {
        if (!gated && sent == gateAt) {
            gated = true;
            if (!reply.gate->Wait(stop))
                return;
        }
        if (reply.closeAfter && sent == closeAt)
            return;  // abrupt: no last chunk, no close_notify
        if (sent == body.size())
            break;
        size_t count = std::min(pieceSize, body.size() - sent);
        if (!gated)
            count = std::min(count, gateAt - sent);
        count = std::min(count, closeAt - sent);
        if (!first && reply.pieceDelay.count() > 0 && !PauseUnlessStopped(stop, reply.pieceDelay))
            return;
        const std::string_view piece = body.substr(sent, count);
        if (reply.framing == Framing::Chunked) {
            char size[32];
            std::snprintf(size, sizeof size, "%zx\r\n", count);
            if (!stream.Write(size) || !stream.Write(piece) || !stream.Write("\r\n"))
                return;
        } else if (!stream.Write(piece)) {
            return;
        }
        sent += count;
    }
    if (reply.framing == Framing::Chunked && !stream.Write("0\r\n\r\n"))
        return;
    stream.Finish();
}

std::shared_ptr<const Reply> TestServer::Lookup(const std::string& path) const
{
    std::lock_guard lock(mutex_);
    const auto found = routes_.find(path);
    return found == routes_.end() ? nullptr : found->second;
}

void TestServer::Forget(int fd)
{
    std::lock_guard lock(mutex_);
    std::erase(openFds_, fd);
}

}  // namespace zemtest
