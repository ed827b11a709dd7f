#include "cipher/cipherio.h"

#include "cipher/ciphererror.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace zemcipher {

InputFile::InputFile(std::string path) : path_(std::move(path))
{
    fd_ = ::open(path_.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd_ < 0)
        ThrowFileError(ErrorCode::OpenSource, "cannot open", path_, errno);
    struct stat st {};
    if (fstat(fd_, &st) == 0 && S_ISDIR(st.st_mode)) {
        ::close(fd_);
        ThrowFileError(ErrorCode::OpenSource, "cannot open", path_, EISDIR);
    }
}

InputFile::~InputFile()
{
    ::close(fd_);
}

size_t InputFile::Read(uint8_t* buffer, size_t size)
{
    size_t done = 0;
    while (done < size) {
        const ssize_t n = ::read(fd_, buffer + done, size - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            ThrowFileError(ErrorCode::Read, "cannot read", path_, errno);
        if (n == 0)
            break;
        done += static_cast<size_t>(n);
    }
    return done;
}

uint64_t InputFile::Size() const
{
    struct stat st {};
    if (fstat(fd_, &st) != 0)
        ThrowFileError(ErrorCode::Read, "cannot read", path_, errno);
    return static_cast<uint64_t>(st.st_size);
}

bool InputFile::IsSameFile(const std::string& path) const
{
    struct stat mine {};
    struct stat other {};
    return fstat(fd_, &mine) == 0 && stat(path.c_str(), &other) == 0 && mine.st_dev == other.st_dev &&
           mine.st_ino == other.st_ino;
}

OutputFile::OutputFile(std::string path) : path_(std::move(path))
{
    fd_ = ::open(path_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd_ < 0)
        ThrowFileError(ErrorCode::CreateDestination, "cannot create", path_, errno);
}

OutputFile::~OutputFile()
{
    if (fd_ < 0)
        return;
    ::close(fd_);
    ::unlink(path_.c_str());
}

void OutputFile::Write(const uint8_t* data, size_t size)
{
    WriteAt(end_, data, size);
    end_ += size;
}

void OutputFile::WriteAt(uint64_t offset, const uint8_t* data, size_t size)
{
    while (size > 0) {
        const ssize_t n = ::pwrite(fd_, data, size, static_cast<off_t>(offset));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            ThrowFileError(ErrorCode::Write, "cannot write", path_, errno);
        data += n;
        size -= static_cast<size_t>(n);
        offset += static_cast<uint64_t>(n);
    }
}

void OutputFile::Close()
{
    // close reports late write errors (full disk on a network file system); the destructor
    // then removes the file as after any other failure.
    const int fd = std::exchange(fd_, -1);
    if (::close(fd) != 0) {
        const int err = errno;
        ::unlink(path_.c_str());
        ThrowFileError(ErrorCode::Write, "cannot write", path_, err);
    }
}

}  // namespace zemcipher
