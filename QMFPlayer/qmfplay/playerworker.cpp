#include "QMFPlayer/qmfplay/playerworker.h"

#include "QMFPlayer/common/folderdeleter.h"
#include "QMFPlayer/common/zipextractor.h"
#include "QMFPlayer/qmfplay/archivechoice.h"
#include "QMFPlayer/qmfplay/childwait.h"
#include "QMFPlayer/qmfplay/qmfconversion.h"
#include "QMFPlayer/qmfplay/zemcryptrun.h"
#include "ZemBaseLib/systemtool.h"
#include "base/clock.h"
#include "base/tempname.h"
#include "base/trace.h"

#include <chrono>
#include <exception>
#include <thread>
#include <unistd.h>

namespace {

// A browser that ends sooner than this was most likely kept from opening its window.
constexpr int64_t kShortestViewerMs = 1000;

}  // namespace

PlayerWorker::PlayerWorker(WorkerSettings settings, PlayerView& view, ControlProbe probe, zem::Clock& clock)
    : settings_(std::move(settings)), view_(view), probe_(std::move(probe)), clock_(clock)
{
}

void PlayerWorker::Run(const std::atomic<bool>& running)
{
    try {
        archive_ = ArchivePath(settings_.programPath, ReadLanguage());
        State state = State::CreateFolder;
        if (access(archive_.c_str(), F_OK) != 0) {
            view_.ShowMessage("Missing " + archive_ + "!");
            state = State::End;
        }
        while (running && state != State::End)
            state = Step(state, running);
    } catch (const std::exception& e) {
        zem::Trace("PlayerWorker: %s", e.what());
        REPORT_FATAL(view_);
    } catch (...) {
        REPORT_FATAL(view_);
    }
    try {
        EndSteps();
    } catch (...) {
        zem::Trace("PlayerWorker: end steps failed");
    }
    view_.RequestQuit();
}

PlayerWorker::State PlayerWorker::Step(State state, const std::atomic<bool>& running)
{
    switch (state) {
    case State::CreateFolder:
        Status("Creating temporary folder", 10);
        folder_ = zem::CreateTempFolder("qmf", "C:\\temp");
        return folder_.empty() ? State::End : State::Extract;
    case State::Extract:
        Status("Extracting files...", 100);
        if (!ExtractArchive(archive_, folder_, false, &running))
            return State::End;
        return settings_.useControl ? State::Probe : State::Convert;
    case State::Probe:
        if (!probe_ || !probe_())
            return State::Register;
        installed_ = true;
        Status("zemWave ActiveX-Control already installed...", 10);
        return State::Convert;
    case State::Register:
        Status("Install and register temporary zemWave Control...", 0);
        RunRegistration(false, &running);
        registered_ = true;
        return State::Convert;
    case State::Convert: {
        const std::string& file = settings_.recordingFile;
        Status("Analyzing " + file.substr(file.rfind('/') + 1) + "...", 0);
        ConversionSettings conversion;
        conversion.folder = folder_;
        conversion.controlAvailable = settings_.useControl && (installed_ || registered_);
        conversion.decipher = ZemCryptRun(folder_, &running);
        const auto result = ConvertRecordingFile(file, conversion, view_, &running);
        return result == ConversionResult::Done ? State::ShowInBrowser : State::End;
    }
    case State::ShowInBrowser:
        return ShowInBrowser(running);
    case State::End:
        break;
    }
    return State::End;
}

PlayerWorker::State PlayerWorker::ShowInBrowser(const std::atomic<bool>& running)
{
    view_.HideStatus();
    const auto browser = ReadBrowserPath();
    if (!browser) {
        REPORT_FATAL(view_);
        return State::End;
    }
    ChildRun run;
    run.program = QuoteArgument(*browser);
    run.arguments = "-new " + QuoteArgument(folder_ + "/start.html");
    const int64_t start = clock_.NowMs();
    const uint32_t status = RunToEnd(run, &running);
    if (StartFailed(status)) {
        REPORT_FATAL(view_);
        return State::End;
    }
    if (status != CProcessRunner::kFinishedQuit && clock_.NowMs() - start < kShortestViewerMs)
        view_.ShowMessage("Cannot open Call Viewer window. Popup-Blocker active?");
    return State::End;
}

void PlayerWorker::Status(const std::string& line, int pauseMs)
{
    view_.ShowStatus(line);
    if (pauseMs > 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(pauseMs));
}

void PlayerWorker::RunRegistration(bool undo, const std::atomic<bool>* running)
{
    ChildRun run;
    run.program = QuoteArgument(folder_ + "/regrgs.exe");
    run.arguments = std::string(undo ? "/u " : "") + "/s " +
                    QuoteArgument(folder_ + "/zemwave_hkcu.rgs") + " " +
                    QuoteArgument("MODPATH=" + folder_);
    run.timeoutSeconds = 7;
    RunToEnd(run, running);
}

void PlayerWorker::EndSteps()
{
    // Neither step is cut short: a stop request must not leave a registration or
    // deciphered audio behind.
    if (registered_)
        RunRegistration(true, nullptr);
    if (!folder_.empty())
        CFolderDeleter().Walk(folder_);
}
