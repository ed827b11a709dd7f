// Where a run of zemcrypt writes its result: a temporary file in the target's folder that is
// renamed over the target only once it is complete. A failed run leaves the target, the
// source included, exactly as it was.
#pragma once

#include <string>

// Two names of one file: the same device and inode, or, when a file does not exist, the
// same resolved folder and name. Case counts, as it does for Linux file names.
bool IsSameFile(const std::string& a, const std::string& b);

class ResultFile {
public:
    ResultFile() = default;
    ~ResultFile();  // removes the temporary file unless it was committed
    ResultFile(const ResultFile&) = delete;
    ResultFile& operator=(const ResultFile&) = delete;

    // Creates the empty temporary file beside target (a link is followed to its file).
    // False with errno set on failure.
    bool Create(const std::string& target);
    const std::string& TempPath() const { return temp_; }

    // Gives the result the permission bits of the file it replaces (or of a new file),
    // flushes it and renames it over the target. False with errno set on failure.
    bool Commit();

private:
    std::string target_;
    std::string temp_;
};
