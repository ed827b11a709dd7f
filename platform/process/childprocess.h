// One child process started from a Windows-style command line: its own process group, an
// optional pipe that collects its standard output and error, and a wait that ends on its
// exit, a time-out or a quit event. The pipe is drained during the wait, so a child that
// writes a lot never stalls on a full pipe.
#pragma once

#include "process/wakeevent.h"

#include <cstdint>
#include <string>
#include <sys/types.h>

namespace zem {

class ChildProcess {
public:
    struct Options {
        std::string commandLine;  // program and arguments, see ParseCommandLine
        std::string folder;       // working folder (a system path); empty = the caller's
        bool capture = false;     // collect standard output and error
        bool showWindow = false;  // no meaning here; kept for the caller's record
    };
    enum class Outcome { Exited, TimedOut, Quit, Failed };

    ChildProcess() = default;
    // Ends the child's process group and reaps it when it still runs.
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // False, with a reason in Error(), when the program is not found, the pipe or the
    // process cannot be made. Runs once.
    bool Start(const Options& options);

    // Waits for the child's exit, at most timeoutMs (negative = no limit), or until quit is
    // set. On a time-out or a quit the whole process group is killed and reaped. Captured
    // output is appended to output as it arrives and until the pipe is empty after the exit.
    Outcome Wait(int64_t timeoutMs, const WakeEvent& quit, std::string& output);

    // The exit code after Outcome::Exited; 128 + the signal for a child ended by a signal.
    int ExitCode() const { return exitCode_; }
    pid_t Pid() const { return pid_; }
    const std::string& Error() const { return error_; }

private:
    bool Reap(bool block);
    void KillGroup();
    // Appends what the pipe holds now; false once the pipe is at its end.
    bool Drain(std::string& output);

    pid_t pid_ = -1;
    int pidFd_ = -1;
    int pipeFd_ = -1;
    bool reaped_ = false;
    int exitCode_ = 0;
    std::string error_;
};

}  // namespace zem
