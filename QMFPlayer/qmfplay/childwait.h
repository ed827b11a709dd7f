// Runs one outside program through CProcessRunner and polls it until it ends, as the worker
// does for every tool it starts.
#pragma once

#include "QMFPlayer/common/processrunner.h"

#include <atomic>
#include <cstdint>
#include <string>

struct ChildRun {
    std::string program;    // quoted as needed
    std::string arguments;  // each argument quoted as needed
    uint32_t timeoutSeconds = 0;
};

// Starts the program hidden and polls every 100 ms until it ends. When keepGoing turns false
// first, the child is ended and kFinishedQuit comes back. Returns the runner's final status.
uint32_t RunToEnd(const ChildRun& run, const std::atomic<bool>* keepGoing = nullptr);

// The program could not be started at all (missing, not executable, no thread).
bool StartFailed(uint32_t status);
