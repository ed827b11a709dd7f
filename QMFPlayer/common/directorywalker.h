// CDirectoryWalker: a depth-first walk of a folder tree with overridable hooks for every
// subfolder, every file and every problem. Symbolic links are never followed: a link, also
// one to a folder, is met as a file. Only "." and ".." are skipped, so "..x" is walked.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

struct WalkEntry {
    std::string name;  // without folder
    bool isFolder = false;
};

class CDirectoryWalker {
public:
    // Notification kinds.
    enum : int { kFolder = 2, kAborted = 3, kFileFailed = 4, kFileProcessed = 6 };
    // OnError kinds: which listing of a folder failed.
    enum : int { kSubfolderListing = 2, kFileListing = 3 };
    // OnError verdicts: below 2 go on, 2 ends the folder's walk with true, 3 and up with false.
    enum : uint32_t { kGoOn = 1, kEndFolder = 2, kFail = 3 };

    CDirectoryWalker() = default;
    virtual ~CDirectoryWalker() = default;
    CDirectoryWalker(const CDirectoryWalker&) = delete;
    CDirectoryWalker& operator=(const CDirectoryWalker&) = delete;

    // Passes the error's text to Notify; returns kGoOn.
    virtual uint32_t OnError(int kind, int error, const std::string& folder);
    virtual void Notify(int kind, const std::string& text, const std::string& path);
    // Notify(kFileProcessed, path); true.
    virtual bool ProcessFile(const std::string& path);
    virtual void OnFileDone(const std::string& name);
    // Walks folder (a system path or a native one). False when a listing error said so.
    virtual bool Walk(const std::string& folder);
    virtual bool AcceptDirectory(const std::string& folder, const WalkEntry& entry);
    virtual bool AcceptFile(const std::string& folder, const WalkEntry& entry);
    virtual void LeaveDirectory(const std::string& folder);

    // Callable from any thread: the walk stops before its next entry.
    void Abort() { abort_ = true; }
    bool AbortRequested() const { return abort_; }

    int LastError() const { return lastError_; }
    const std::string& CurrentName() const { return currentName_; }
    uint32_t FilesSeen() const { return filesSeen_; }
    uint32_t FoldersEntered() const { return foldersEntered_; }

private:
    bool WalkFolder(const std::string& folder);

    int lastError_ = 0;
    std::string currentName_;
    uint32_t filesSeen_ = 0;
    uint32_t foldersEntered_ = 0;
    std::atomic<bool> abort_{false};
};
