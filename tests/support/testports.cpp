#include "support/testports.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <stdexcept>

namespace zemtest {
namespace {

constexpr int kFillers = 4;  // more than an accept queue of length 0 holds

sockaddr_in Loopback(uint16_t port)
{
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    return address;
}

// A TCP socket bound to 127.0.0.1 at a free port; throws on failure.
int BoundSocket(uint16_t& port)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address = Loopback(0);
    socklen_t length = sizeof address;
    if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        if (fd >= 0)
            ::close(fd);
        throw std::runtime_error("cannot bind on 127.0.0.1");
    }
    port = ntohs(address.sin_port);
    return fd;
}

// Listening on 127.0.0.1 at a free port; throws on failure.
int ListeningSocket(uint16_t& port, int backlog)
{
    const int fd = BoundSocket(port);
    if (::listen(fd, backlog) != 0) {
        ::close(fd);
        throw std::runtime_error("cannot listen on 127.0.0.1");
    }
    return fd;
}

}  // namespace

RefusingPort::RefusingPort()
{
    fd_ = BoundSocket(port_);
}

RefusingPort::~RefusingPort()
{
    ::close(fd_);
}

StuckListener::StuckListener()
{
    fd_ = ListeningSocket(port_, 0);
    const sockaddr_in address = Loopback(port_);
    for (int i = 0; i < kFillers; ++i) {
        const int filler = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
        if (filler < 0)
            continue;
        // Completes or stays pending; either way the queue is taken.
        ::connect(filler, reinterpret_cast<const sockaddr*>(&address), sizeof address);
        fillers_.push_back(filler);
    }
}

StuckListener::~StuckListener()
{
    for (int filler : fillers_)
        ::close(filler);
    ::close(fd_);
}

ReadingPeer::ReadingPeer(std::string answer) : answer_(std::move(answer))
{
    fd_ = ListeningSocket(port_, 16);
    wake_ = ::eventfd(0, EFD_CLOEXEC);
    if (wake_ < 0) {
        ::close(fd_);
        throw std::runtime_error("cannot make an eventfd");
    }
    thread_ = std::thread([this] {
        try {
            Run();
        } catch (...) {
        }
    });
}

ReadingPeer::~ReadingPeer()
{
    const uint64_t one = 1;
    [[maybe_unused]] const auto ignored = ::write(wake_, &one, sizeof one);
    thread_.join();
    ::close(wake_);
    ::close(fd_);
}

void ReadingPeer::Run()
{
    struct Connection {
        int fd;
        bool answered;
    };
    std::vector<Connection> connections;
    std::vector<pollfd> polled;
    for (;;) {
        polled.assign({{wake_, POLLIN, 0}, {fd_, POLLIN, 0}});
        for (const Connection& connection : connections)
            polled.push_back({connection.fd, POLLIN, 0});
        if (::poll(polled.data(), polled.size(), -1) < 0 && errno != EINTR)
            break;
        if (polled[0].revents != 0)
            break;
        // Connections before the listener, while the polled entries still match the list.
        for (size_t i = connections.size(); i-- > 0;) {
            if (polled[i + 2].revents == 0)
                continue;
            Connection& connection = connections[i];
            char block[4096];
            const ssize_t count = ::recv(connection.fd, block, sizeof block, 0);
            if (count > 0 && !connection.answered && !answer_.empty()) {
                [[maybe_unused]] const auto sent =
                    ::send(connection.fd, answer_.data(), answer_.size(), MSG_NOSIGNAL);
                connection.answered = true;
            }
            if (count == 0 || (count < 0 && errno != EINTR && errno != EAGAIN)) {
                ::close(connection.fd);  // the client left first
                connections.erase(connections.begin() + static_cast<std::ptrdiff_t>(i));
            }
        }
        if (polled[1].revents != 0) {
            const int fd = ::accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC);
            if (fd >= 0)
                connections.push_back({fd, false});
        }
    }
    for (const Connection& connection : connections)
        ::close(connection.fd);
}

}  // namespace zemtest
