// A PlayerView that keeps what the worker showed, for the tests to look at.
#pragma once

#include "QMFPlayer/qmfplay/playerview.h"

#include <mutex>
#include <string>
#include <vector>

class RecordingView : public PlayerView {
public:
    void ShowStatus(const std::string& line) override { Add(statuses_, line); }
    void HideStatus() override { Add(statuses_, "<hidden>"); }
    void ShowMessage(const std::string& text) override { Add(messages_, text); }
    void RequestQuit() override
    {
        std::lock_guard lock(mutex_);
        ++quits_;
    }

    void Clear()
    {
        std::lock_guard lock(mutex_);
        statuses_.clear();
        messages_.clear();
        quits_ = 0;
    }

    std::vector<std::string> Statuses() const { return Copy(statuses_); }
    std::vector<std::string> Messages() const { return Copy(messages_); }
    int Quits() const
    {
        std::lock_guard lock(mutex_);
        return quits_;
    }

private:
    void Add(std::vector<std::string>& list, const std::string& text)
    {
        std::lock_guard lock(mutex_);
        list.push_back(text);
    }
    std::vector<std::string> Copy(const std::vector<std::string>& list) const
    {
        std::lock_guard lock(mutex_);
        return list;
    }

    mutable std::mutex mutex_;
    std::vector<std::string> statuses_;
    std::vector<std::string> messages_;
    int quits_ = 0;
};
