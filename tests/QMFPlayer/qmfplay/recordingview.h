// A PlayerView that keeps what the worker showed; read it only after the worker's run.
#pragma once

#include "QMFPlayer/qmfplay/playerview.h"

#include <string>
#include <vector>

struct RecordingView : PlayerView {
    void ShowStatus(const std::string& line) override { statuses.push_back(line); }
    void HideStatus() override { statuses.push_back("<hidden>"); }
    void ShowMessage(const std::string& text) override { messages.push_back(text); }
    void RequestQuit() override { ++quits; }

    std::vector<std::string> statuses;
    std::vector<std::string> messages;
    int quits = 0;
};
