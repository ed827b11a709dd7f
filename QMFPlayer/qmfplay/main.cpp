// qmxplay [-nozemwaveocx] [-register] FILE.qmf: shows an exported call file in the call
// viewer (a path naming no file asks for one in the open-file dialog). A status window says
// what the worker does; the program ends with the worker, or when the window is closed or the
// environment asks it to end (SIGTERM, SIGINT); in every case the worker's end steps run
// before it exits.
#include "QMFPlayer/common/libraryfolder.h"
#include "QMFPlayer/qmfplay/playercommandline.h"
#include "QMFPlayer/qmfplay/playerstart.h"
#include "QMFPlayer/qmfplay/playerworker.h"
#include "QMFPlayer/qmfplay/statuswindow.h"
#include "base/trace.h"
#include "com/host.h"
#include "ui/application.h"

#include <atomic>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <pthread.h>
#include <thread>

namespace {

// Creates the Player control and lets it go at once: can the pages create it?
bool PlayerControlAvailable()
{
    zem::IDispatch* player = nullptr;
    if (zem::FAILED(zem::CreateDispatch("ZEMWAVE.PlayerCtrl.1", &player)) || !player)
        return false;
    player->Release();
    return true;
}

// Turns SIGTERM and SIGINT into a quit request, as closing the status window does. Made
// before any other thread, which all inherit the blocked signals (children get a clean mask).
class EndSignalWatch {
public:
    EndSignalWatch()
    {
        sigemptyset(&signals_);
        sigaddset(&signals_, SIGTERM);
        sigaddset(&signals_, SIGINT);
        pthread_sigmask(SIG_BLOCK, &signals_, nullptr);
        thread_ = std::thread([this] {
            int received = 0;
            sigwait(&signals_, &received);
            if (!stopping_)
                zem::PostQuitMessage(0);
        });
    }
    ~EndSignalWatch()
    {
        stopping_ = true;
        pthread_kill(thread_.native_handle(), SIGTERM);
        thread_.join();
    }
    EndSignalWatch(const EndSignalWatch&) = delete;
    EndSignalWatch& operator=(const EndSignalWatch&) = delete;

private:
    sigset_t signals_;
    std::atomic<bool> stopping_{false};
    std::thread thread_;
};

void RunWorker(const WorkerSettings& settings, PlayerView& view, const std::atomic<bool>& running)
{
    try {
        zem::CoInitialize();
        PlayerWorker(settings, view, &PlayerControlAvailable).Run(running);
        zem::CoUninitialize();
    } catch (...) {
        zem::Trace("qmxplay: the worker failed");
        view.RequestQuit();
    }
}

}  // namespace

int main(int argc, char** argv)
{
    const PlayerCommandLine line = ParsePlayerCommandLine({argv + 1, argv + argc});
    WorkerSettings settings;
    std::error_code error;
    settings.programPath = std::filesystem::read_symlink("/proc/self/exe", error).string();
    // Before any thread: the archive's tools and module, started from the temporary folder.
    AddLibraryFolder(std::filesystem::path(settings.programPath).parent_path().string());
    const EndSignalWatch endSignals;
    if (!zem::InitApplication()) {
        std::fprintf(stderr, "qmxplay: the window system cannot be started\n");
        return 1;
    }
    StatusWindow window;
    switch (StartPlayer(line, window, settings.recordingFile)) {
    case PlayerStart::Started:
        break;
    case PlayerStart::Cancelled:
        std::fprintf(stderr, "usage: qmxplay [-nozemwaveocx] [-register] FILE.qmf (\"%s\" not found, none chosen)\n",
                     line.recordingFile.c_str());
        zem::ExitApplication();
        return 1;
    case PlayerStart::NoWindow:
        std::fprintf(stderr, "qmxplay: cannot open the status window\n");
        zem::ExitApplication();
        return 1;
    }
    settings.useControl = line.useControl;
    std::atomic<bool> running{true};
    std::thread worker(RunWorker, std::cref(settings), std::ref(window), std::cref(running));
    zem::RunMessageLoop();
    // Stops the worker's current step (and any program it runs); its end steps still run.
    running = false;
    window.Destroy();
    worker.join();
    zem::ExitApplication();
    return 0;
}
