// PlayerWorker: the player program's work on its worker thread. It unpacks the call-viewer
// archive into a new temporary folder, makes sure the Player control can be created
// (registering the archive's copy for the user when it cannot), converts the recording file,
// shows the viewer in the browser until the browser ends, and then always undoes the
// registration and deletes the folder, also when it was told to stop early.
#pragma once

#include "QMFPlayer/qmfplay/playerview.h"
#include "base/clock.h"

#include <atomic>
#include <string>

struct WorkerSettings {
    std::string programPath;    // the program's own path, native
    std::string recordingFile;  // the .qmf file to show
    bool useControl = true;     // false with "-nozemwaveocx": no probe, no registration
};

class PlayerWorker {
public:
    // The clock times how long the browser stayed open.
    PlayerWorker(WorkerSettings settings, PlayerView& view, ControlProbe probe,
                 zem::Clock& clock = zem::Clock::Steady());

    // The whole run, end steps included; never throws. The steps stop between states (and
    // any outside program is ended) once running turns false; the end steps still run.
    // Ends with a quit request to the view.
    void Run(const std::atomic<bool>& running);

    // The folder made for this run; empty before it exists (and it is deleted at the end).
    const std::string& TemporaryFolder() const { return folder_; }

private:
    enum class State { CreateFolder, ShowInBrowser, Extract, Probe, Register, Convert, End };

    State Step(State state, const std::atomic<bool>& running);
    State ShowInBrowser(const std::atomic<bool>& running);
    void Status(const std::string& line, int pauseMs);
    // Runs the registration script tool, or its undo; waits at most 7 s.
    void RunRegistration(bool undo, const std::atomic<bool>* running);
    void EndSteps();

    WorkerSettings settings_;
    PlayerView& view_;
    ControlProbe probe_;
    zem::Clock& clock_;
    std::string archive_;
    std::string folder_;
    bool installed_ = false;
    bool registered_ = false;
};
