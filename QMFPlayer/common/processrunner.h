// CProcessRunner: runs one outside program from a thread of its own, so that the caller can
// poll IsRunning instead of blocking. The outcome is a small status bit set.
#pragma once

#include "process/wakeevent.h"
#include "ZemBaseLib/systime.h"

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>

class CProcessRunner {
public:
    // Status bits and the values made of them.
    enum : uint32_t {
        kRunning = 1,
        kFinished = 2,
        kOtherReason = 4,
        kLogonFailed = 8,
        kCreateFailed = 16,
        kExited = 32,
        kTimedOut = 64,
        kQuitRequest = 128,

        kNotStarted = 0,
        kFinishedOther = kFinished | kOtherReason,        // 6
        kFinishedLogon = kFinished | kLogonFailed,        // 10
        kFinishedCreate = kFinished | kCreateFailed,      // 18
        kFinishedExited = kFinished | kExited,            // 34
        kFinishedTimeOut = kFinished | kTimedOut,         // 66
        kFinishedQuit = kFinished | kQuitRequest,         // 130
    };

    CProcessRunner();
    // Asks a running child to end (status 130) and joins the runner thread.
    virtual ~CProcessRunner();
    CProcessRunner(const CProcessRunner&) = delete;
    CProcessRunner& operator=(const CProcessRunner&) = delete;

    // Only once the runner thread has ended: status 0, exit code 0, output "".
    void Reset();
    // 1 when the runner thread took over; 0 when the runner ran already (Reset first), a
    // logon was asked for (status 10) or the thread could not start (status 6).
    int Start();
    bool IsRunning() const { return status_ == kRunning; }

    // Replaces "[UID]" (tick count, "%x"), "[TIMESTAMP]" (local time, SysTime text with a
    // blank) and "[WINDIR]" (the variable windir, else "C:\Windows"), in this order.
    virtual std::string ExpandPlaceholders(const std::string& text);

    uint32_t Status() const { return status_; }
    uint32_t ExitCode() const;
    std::string Output() const;
    SysTime StartTime() const;
    SysTime EndTime() const;

    // Set by the caller before Start.
    std::string program;
    std::string arguments;      // appended after one blank, as they are
    std::string folder;         // working folder; empty = the caller's
    std::string user;           // a logon user: not possible here, Start gives status 10
    std::string password;
    uint16_t showWindow = 0;    // 0 hidden; recorded only, a Linux child has no first window
    uint32_t timeoutSeconds = 0;  // 0 = no limit
    bool capture = false;       // standard output and error into Output()

protected:
    void SetStatus(uint32_t status);

private:
    void Run();  // runner thread
    template <class T>
    T Read(const T& field) const
    {
        std::lock_guard lock(mutex_);
        return field;
    }

    std::atomic<uint32_t> status_{kNotStarted};
    mutable std::mutex mutex_;  // guards the fields below
    uint32_t exitCode_ = 0;
    std::string output_;
    SysTime startTime_;
    SysTime endTime_;

    zem::WakeEvent quit_;
    std::thread thread_;
};
