#include "QMFPlayer/common/processrunner.h"

#include "base/clock.h"
#include "base/trace.h"
#include "process/childprocess.h"

#include <cstdio>
#include <cstdlib>
#include <system_error>

namespace {

void ReplaceAll(std::string& text, const std::string& what, const std::string& with)
{
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + with.size()))
        text.replace(at, what.size(), with);
}

std::string WindowsFolder()
{
    const char* windir = std::getenv("windir");
    if (!windir)
        return "C:\\Windows";
    return std::string(windir).substr(0, 511);
}

}  // namespace

CProcessRunner::CProcessRunner()
{
    Reset();
}

CProcessRunner::~CProcessRunner()
{
    quit_.Set();
    if (thread_.joinable())
        thread_.join();
}

void CProcessRunner::Reset()
{
    if (IsRunning())
        return;
    if (thread_.joinable())
        thread_.join();
    std::lock_guard lock(mutex_);
    status_ = kNotStarted;
    exitCode_ = 0;
    output_.clear();
}

int CProcessRunner::Start()
{
    if (status_ != kNotStarted)
        return 0;
    {
        std::lock_guard lock(mutex_);
        startTime_ = SysTime::Now();
        endTime_.SetNull();
    }
    if (!user.empty()) {
        // Starting a program as another user needs root here; the system never asks for it.
        SetStatus(kFinishedLogon);
        return 0;
    }
    // Running before the thread exists, so a quick child's end is never overwritten.
    status_ = kRunning;
    try {
        thread_ = std::thread(&CProcessRunner::Run, this);
    } catch (const std::system_error& e) {
        zem::Trace("CProcessRunner: thread not started: %s", e.what());
        SetStatus(kFinishedOther);
        return 0;
    }
    return 1;
}

void CProcessRunner::SetStatus(uint32_t status)
{
    {
        std::lock_guard lock(mutex_);
        endTime_ = SysTime::Now();
    }
    status_ = status;
}

std::string CProcessRunner::ExpandPlaceholders(const std::string& text)
{
    std::string result = text;
    char uid[16];
    std::snprintf(uid, sizeof uid, "%x", static_cast<uint32_t>(zem::Clock::Steady().NowMs()));
    ReplaceAll(result, "[UID]", uid);
    ReplaceAll(result, "[TIMESTAMP]", SysTime::Now().FormatText(' '));
    ReplaceAll(result, "[WINDIR]", WindowsFolder());
    return result;
}

void CProcessRunner::Run()
{
    uint32_t status = kFinishedOther;
    try {
        zem::ChildProcess child;
        zem::ChildProcess::Options options;
        options.commandLine = ExpandPlaceholders(program + " " + arguments);
        options.folder = ExpandPlaceholders(folder);
        options.capture = capture;
        options.showWindow = showWindow != 0;
        if (!child.Start(options)) {
            zem::Trace("CProcessRunner: %s", child.Error().c_str());
            status = kFinishedCreate;
        } else {
            const int64_t timeoutMs = timeoutSeconds == 0 ? -1 : int64_t{timeoutSeconds} * 1000;
            std::string output;
            const auto outcome = child.Wait(timeoutMs, quit_, output);
            std::lock_guard lock(mutex_);
            switch (outcome) {
            case zem::ChildProcess::Outcome::Exited:
                exitCode_ = static_cast<uint32_t>(child.ExitCode());
                output_ = std::move(output);
                status = kFinishedExited;
                break;
            case zem::ChildProcess::Outcome::TimedOut:
                status = kFinishedTimeOut;
                break;
            case zem::ChildProcess::Outcome::Quit:
                status = kFinishedQuit;
                break;
            case zem::ChildProcess::Outcome::Failed:
                status = kFinishedOther;
                break;
            }
        }
    } catch (const std::exception& e) {
        zem::Trace("CProcessRunner: %s", e.what());
    } catch (...) {
        zem::Trace("CProcessRunner: unknown failure");
    }
    SetStatus(status);
}

uint32_t CProcessRunner::ExitCode() const
{
    return Read(exitCode_);
}

std::string CProcessRunner::Output() const
{
    return Read(output_);
}

SysTime CProcessRunner::StartTime() const
{
    return Read(startTime_);
}

SysTime CProcessRunner::EndTime() const
{
    return Read(endTime_);
}
