// CZipExtractor: unpacks a zip archive (minizip reads it) into a folder, keeping or dropping
// the entries' folders. An entry whose name is absolute, holds a NUL or a ".." part, or would
// be written through a symbolic link is refused and fails the extraction, so nothing is ever
// written outside the destination. Entries made on Unix get their permission bits back.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

struct ZipEntry {
    std::string name;  // "/" turned into "\"
    std::string comment;
    uint32_t versionMadeBy = 0;
    uint32_t versionNeeded = 0;
    uint32_t flags = 0;
    uint32_t compressionMethod = 0;
    uint32_t dosDateTime = 0;  // date in the high 16 bits, time in the low 16 bits
    uint32_t crc = 0;
    uint64_t compressedSize = 0;
    uint64_t uncompressedSize = 0;
    uint32_t internalAttributes = 0;
    uint32_t externalAttributes = 0;
    bool isFolder = false;     // the folder attribute bit, or a name that ends with "/"
    bool nameIsSafe = false;   // no NUL, not cut short; checked further when extracted
};

class CZipExtractor {
public:
    // Opens the archive when a path is given.
    explicit CZipExtractor(const std::string& archivePath = {});
    virtual ~CZipExtractor();
    CZipExtractor(const CZipExtractor&) = delete;
    CZipExtractor& operator=(const CZipExtractor&) = delete;

    // Closes what is open, then opens path (a system path or a native one).
    bool Open(const std::string& path);
    bool Close();
    uint32_t GetEntryCount();
    // With an extension filter ("gif", any case), only entries with that extension.
    bool GoToFirstEntry(const char* extension = nullptr);
    bool GoToNextEntry(const char* extension = nullptr);
    bool GetCurrentEntry(ZipEntry& entry);
    // Empty destination: the archive's path without its extension.
    bool ExtractCurrent(const std::string& destination, bool flatten);
    // Stops at the first entry that fails; the entries before it stay.
    bool ExtractAll(const std::string& destination, bool flatten);
    // Once keepGoing reads false, extraction fails between two pieces of an entry (the
    // partly written file stays). Null: never stopped.
    void StopWhenCleared(const std::atomic<bool>* keepGoing) { keepGoing_ = keepGoing; }

    const std::string& DefaultDestination() const { return defaultDestination_; }

private:
    bool SkipToExtension(const char* extension);

    void* archive_ = nullptr;  // minizip's unzFile
    std::string defaultDestination_;
    const std::atomic<bool>* keepGoing_ = nullptr;
};

bool ExtractArchive(const std::string& archivePath, const std::string& destination, bool flatten,
                    const std::atomic<bool>* keepGoing = nullptr);

// Makes the folder and every missing parent; false when something else stands in the way.
bool CreateDirectoryPath(const std::string& path);
// CreateDirectoryPath of everything before the last separator; false without one.
bool CreateParentDirectory(const std::string& filePath);
// Sets the file's write time to a DOS stamp read as local time; keeps its access time.
bool SetFileTimeFromDos(const std::string& path, uint32_t dosDateTime);
