#include "support/testports.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

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
    fd_ = BoundSocket(port_);
    if (::listen(fd_, 0) != 0) {
        ::close(fd_);
        throw std::runtime_error("cannot listen on 127.0.0.1");
    }
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

}  // namespace zemtest
