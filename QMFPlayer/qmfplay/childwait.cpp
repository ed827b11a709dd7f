#include "QMFPlayer/qmfplay/childwait.h"

#include <chrono>
#include <thread>

uint32_t RunToEnd(const ChildRun& run, const std::atomic<bool>* keepGoing)
{
    CProcessRunner runner;
    runner.program = run.program;
    runner.arguments = run.arguments;
    runner.showWindow = 0;
    runner.timeoutSeconds = run.timeoutSeconds;
    runner.Start();
    while (runner.IsRunning()) {
        if (keepGoing && !*keepGoing)
            return CProcessRunner::kFinishedQuit;  // the runner's destructor ends the child
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return runner.Status();
}

bool StartFailed(uint32_t status)
{
    return status == CProcessRunner::kFinishedCreate || status == CProcessRunner::kFinishedOther ||
           status == CProcessRunner::kFinishedLogon || status == CProcessRunner::kNotStarted;
}
