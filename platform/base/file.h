// File: a thin handle over a POSIX file descriptor. Every operation returns 0 or the errno
// value of the failure; nothing throws. Stands in for the class library's file class.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace zem {

class File {
public:
    enum class Mode {
        Read,       // existing file, read only
        ReadWrite,  // existing file, read and write
        Write,      // write only; created when missing, content kept
        Create,     // write only; created when missing, truncated otherwise
    };
    enum class Origin { Begin, Current, End };

    // Device and inode: two names of the same file give equal identities.
    struct Identity {
        uint64_t device = 0;
        uint64_t inode = 0;
        bool operator==(const Identity&) const = default;
    };

    File() = default;
    ~File();
    File(File&& other) noexcept;
    File& operator=(File&& other) noexcept;
    File(const File&) = delete;
    File& operator=(const File&) = delete;

    // Opens path, closing any file held before. A folder is refused with EISDIR.
    int Open(const std::string& path, Mode mode);
    bool IsOpen() const { return fd_ >= 0; }
    int Close();

    // Reads until count bytes came or the file ended; done is how many came, also on error.
    int Read(void* buffer, size_t count, size_t& done);
    // Like Read, at offset and without moving the file position.
    int ReadAt(uint64_t offset, void* buffer, size_t count, size_t& done) const;
    // Writes all count bytes.
    int Write(const void* buffer, size_t count);
    // Moves to offset from origin; position (when given) receives the new position.
    int Seek(int64_t offset, Origin origin, uint64_t* position = nullptr);
    int GetPosition(uint64_t& position) const;
    int GetSize(uint64_t& size) const;
    int Truncate(uint64_t size);
    int GetIdentity(Identity& identity) const;
    // An advisory lock that tells readers the file is still being written; Close ends it.
    int LockForWriting();

private:
    int fd_ = -1;
};

// File::ReadAt for a descriptor that no File owns.
int ReadAt(int fd, uint64_t offset, void* buffer, size_t count, size_t& done);
// Whether a writer holds LockForWriting on the file.
bool IsBeingWritten(int fd);

}  // namespace zem
