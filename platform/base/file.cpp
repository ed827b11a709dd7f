#include "base/file.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace zem {
namespace {

int OpenFlags(File::Mode mode)
{
    switch (mode) {
    case File::Mode::Read:
        return O_RDONLY;
    case File::Mode::ReadWrite:
        return O_RDWR;
    case File::Mode::Write:
        return O_WRONLY | O_CREAT;
    case File::Mode::Create:
        return O_WRONLY | O_CREAT | O_TRUNC;
    }
    return O_RDONLY;
}

int Whence(File::Origin origin)
{
    switch (origin) {
    case File::Origin::Begin:
        return SEEK_SET;
    case File::Origin::Current:
        return SEEK_CUR;
    case File::Origin::End:
        return SEEK_END;
    }
    return SEEK_SET;
}

}  // namespace

File::~File()
{
    Close();
}

File::File(File&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}

File& File::operator=(File&& other) noexcept
{
    if (this != &other) {
        Close();
        fd_ = std::exchange(other.fd_, -1);
    }
    return *this;
}

int File::Open(const std::string& path, Mode mode)
{
    Close();
    const int flags = OpenFlags(mode);
    const int fd = ::open(path.c_str(), flags | O_CLOEXEC, 0644);
    if (fd < 0)
        return errno;
    // Only a read-only open succeeds on a folder: every other mode gets EISDIR from open
    // itself, which spares the thousands of files a conversion creates a status call each.
    if ((flags & O_ACCMODE) == O_RDONLY) {
        struct stat st {};
        if (fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
            const int err = S_ISDIR(st.st_mode) ? EISDIR : errno;
            ::close(fd);
            return err;
        }
    }
    fd_ = fd;
    return 0;
}

int File::Close()
{
    if (fd_ < 0)
        return 0;
    const int fd = std::exchange(fd_, -1);
    // The descriptor is gone even when close reports an error; never close it twice.
    return ::close(fd) == 0 ? 0 : errno;
}

namespace {

// Reads until count bytes came or the file ended: at offset with pread, else at the position.
int ReadFully(int fd, const uint64_t* offset, void* buffer, size_t count, size_t& done)
{
    done = 0;
    if (fd < 0)
        return EBADF;
    auto* out = static_cast<char*>(buffer);
    while (done < count) {
        const ssize_t n = offset ? ::pread(fd, out + done, count - done, static_cast<off_t>(*offset + done))
                                 : ::read(fd, out + done, count - done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        if (n == 0)
            break;
        done += static_cast<size_t>(n);
    }
    return 0;
}

}  // namespace

int ReadAt(int fd, uint64_t offset, void* buffer, size_t count, size_t& done)
{
    return ReadFully(fd, &offset, buffer, count, done);
}

bool IsBeingWritten(int fd)
{
    if (::flock(fd, LOCK_SH | LOCK_NB) != 0)
        return errno == EWOULDBLOCK;
    ::flock(fd, LOCK_UN);
    return false;
}

int File::LockForWriting()
{
    if (fd_ < 0)
        return EBADF;
    return ::flock(fd_, LOCK_EX | LOCK_NB) == 0 ? 0 : errno;
}

int File::Read(void* buffer, size_t count, size_t& done)
{
    return ReadFully(fd_, nullptr, buffer, count, done);
}

int File::ReadAt(uint64_t offset, void* buffer, size_t count, size_t& done) const
{
    return ReadFully(fd_, &offset, buffer, count, done);
}

int File::Write(const void* buffer, size_t count)
{
    if (fd_ < 0)
        return EBADF;
    const auto* in = static_cast<const char*>(buffer);
    size_t done = 0;
    while (done < count) {
        const ssize_t n = ::write(fd_, in + done, count - done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        done += static_cast<size_t>(n);
    }
    return 0;
}

int File::Seek(int64_t offset, Origin origin, uint64_t* position)
{
    if (fd_ < 0)
        return EBADF;
    const off_t result = ::lseek(fd_, static_cast<off_t>(offset), Whence(origin));
    if (result < 0)
        return errno;
    if (position)
        *position = static_cast<uint64_t>(result);
    return 0;
}

int File::GetPosition(uint64_t& position) const
{
    if (fd_ < 0)
        return EBADF;
    const off_t result = ::lseek(fd_, 0, SEEK_CUR);
    if (result < 0)
        return errno;
    position = static_cast<uint64_t>(result);
    return 0;
}

int File::GetSize(uint64_t& size) const
{
    if (fd_ < 0)
        return EBADF;
    struct stat st {};
    if (fstat(fd_, &st) != 0)
        return errno;
    size = static_cast<uint64_t>(st.st_size);
    return 0;
}

int File::Truncate(uint64_t size)
{
    if (fd_ < 0)
        return EBADF;
    return ::ftruncate(fd_, static_cast<off_t>(size)) == 0 ? 0 : errno;
}

int File::GetIdentity(Identity& identity) const
{
    if (fd_ < 0)
        return EBADF;
    struct stat st {};
    if (fstat(fd_, &st) != 0)
        return errno;
    identity.device = static_cast<uint64_t>(st.st_dev);
    identity.inode = static_cast<uint64_t>(st.st_ino);
    return 0;
}

}  // namespace zem
