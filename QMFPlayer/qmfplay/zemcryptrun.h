// Deciphers a chunk file in place with the cipher tool "zemcrypt.exe" of the call-viewer
// folder: a child process with a 30 s time-out, its key passed as one argument.
#pragma once

#include <atomic>
#include <string>

class ZemCryptRun {
public:
    // keepGoing (optional) ends a running tool early when it turns false.
    ZemCryptRun(std::string folder, const std::atomic<bool>* keepGoing = nullptr)
        : folder_(std::move(folder)), keepGoing_(keepGoing)
    {
    }

    // False when the tool is missing or cannot be started; its own result is not looked at.
    bool operator()(const std::string& key, const std::string& path) const;

private:
    std::string folder_;
    const std::atomic<bool>* keepGoing_;
};
