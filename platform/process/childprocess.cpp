#include "base/paths.h"
#include "process/childprocess.h"

#include "base/clock.h"
#include "process/commandline.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace zem {
namespace {

// Without a pidfd (old kernels) the wait looks at the child every 100 ms.
constexpr int64_t kReapPollMs = 100;

class SpawnSetup {
public:
    SpawnSetup()
    {
        posix_spawn_file_actions_init(&actions);
        posix_spawnattr_init(&attr);
    }
    ~SpawnSetup()
    {
        posix_spawn_file_actions_destroy(&actions);
        posix_spawnattr_destroy(&attr);
    }
    SpawnSetup(const SpawnSetup&) = delete;
    SpawnSetup& operator=(const SpawnSetup&) = delete;

    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attr;
};

}  // namespace

ChildProcess::~ChildProcess()
{
    if (pid_ > 0 && !reaped_)
        KillGroup();
    if (pidFd_ >= 0)
        close(pidFd_);
    if (pipeFd_ >= 0)
        close(pipeFd_);
}

bool ChildProcess::Start(const Options& options)
{
    if (pid_ > 0) {
        error_ = "already started";
        return false;
    }
    CommandLine command;
    if (!ParseCommandLine(options.commandLine, command)) {
        error_ = "no program found for: " + options.commandLine;
        return false;
    }

    SpawnSetup setup;
    int pipeEnds[2] = {-1, -1};
    if (options.capture) {
        if (pipe2(pipeEnds, O_CLOEXEC) != 0) {
            error_ = std::string("pipe: ") + std::strerror(errno);
            return false;
        }
        fcntl(pipeEnds[0], F_SETFL, O_NONBLOCK);
        posix_spawn_file_actions_adddup2(&setup.actions, pipeEnds[1], STDOUT_FILENO);
        posix_spawn_file_actions_adddup2(&setup.actions, pipeEnds[1], STDERR_FILENO);
    }
    if (!options.folder.empty())
        posix_spawn_file_actions_addchdir_np(&setup.actions, MapPath(options.folder).c_str());

    // A group of its own, so that a time-out ends the child's children too.
    sigset_t none, defaults;
    sigemptyset(&none);
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    posix_spawnattr_setpgroup(&setup.attr, 0);
    posix_spawnattr_setsigmask(&setup.attr, &none);
    posix_spawnattr_setsigdefault(&setup.attr, &defaults);
    posix_spawnattr_setflags(&setup.attr,
                             POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);

    std::vector<char*> argv;
    for (std::string& arg : command.argv)
        argv.push_back(arg.data());
    argv.push_back(nullptr);
    const int rc = posix_spawn(&pid_, command.program.c_str(), &setup.actions, &setup.attr, argv.data(), environ);
    if (pipeEnds[1] >= 0)
        close(pipeEnds[1]);
    if (rc != 0) {
        pid_ = -1;
        if (pipeEnds[0] >= 0)
            close(pipeEnds[0]);
        error_ = command.program + ": " + std::strerror(rc);
        return false;
    }
    pipeFd_ = pipeEnds[0];
    pidFd_ = static_cast<int>(syscall(SYS_pidfd_open, pid_, 0));
    return true;
}

ChildProcess::Outcome ChildProcess::Wait(int64_t timeoutMs, const WakeEvent& quit, std::string& output)
{
    if (pid_ <= 0)
        return Outcome::Failed;
    Clock& clock = Clock::Steady();
    const int64_t deadline = timeoutMs < 0 ? -1 : clock.NowMs() + timeoutMs;
    bool pipeOpen = pipeFd_ >= 0;
    while (true) {
        if (Reap(false)) {
            if (pipeOpen)
                Drain(output);
            return Outcome::Exited;
        }
        if (quit.IsSet()) {
            KillGroup();
            return Outcome::Quit;
        }
        int64_t waitMs = deadline < 0 ? -1 : std::max<int64_t>(0, deadline - clock.NowMs());
        if (deadline >= 0 && waitMs == 0) {
            KillGroup();
            return Outcome::TimedOut;
        }
        if (pidFd_ < 0 && (waitMs < 0 || waitMs > kReapPollMs))
            waitMs = kReapPollMs;

        pollfd fds[3];
        nfds_t count = 0;
        fds[count++] = {quit.Fd(), POLLIN, 0};
        if (pidFd_ >= 0)
            fds[count++] = {pidFd_, POLLIN, 0};
        const nfds_t pipeSlot = count;
        if (pipeOpen)
            fds[count++] = {pipeFd_, POLLIN, 0};
        if (poll(fds, count, static_cast<int>(std::min<int64_t>(waitMs, 1 << 30))) < 0 && errno != EINTR) {
            error_ = std::string("poll: ") + std::strerror(errno);
            KillGroup();
            return Outcome::Failed;
        }
        if (pipeOpen && fds[pipeSlot].revents != 0)
            pipeOpen = Drain(output);
    }
}

bool ChildProcess::Reap(bool block)
{
    if (reaped_)
        return true;
    int status = 0;
    pid_t r;
    do {
        r = waitpid(pid_, &status, block ? 0 : WNOHANG);
    } while (r < 0 && errno == EINTR);
    if (r == pid_) {
        exitCode_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        reaped_ = true;
    } else if (r < 0) {
        reaped_ = true;  // not ours to wait for any more
    }
    return reaped_;
}

void ChildProcess::KillGroup()
{
    // The leader is not reaped yet, so its group id cannot have been reused.
    kill(-pid_, SIGKILL);
    Reap(true);
}

bool ChildProcess::Drain(std::string& output)
{
    char buffer[65536];
    while (true) {
        const ssize_t n = read(pipeFd_, buffer, sizeof buffer);
        if (n > 0) {
            output.append(buffer, static_cast<size_t>(n));
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        return n < 0 && errno == EAGAIN;
    }
}

}  // namespace zem
