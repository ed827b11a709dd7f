// The loader thread of a _Wave: its mailbox (message queue plus the interrupt that ends a
// blocked network call when a message arrives) and the thread itself. Internal to the wave
// library.
#pragma once

#include "zemWaveLib/wave.h"

#include "base/threadqueue.h"
#include "http/httprequest.h"

#include <mutex>
#include <optional>
#include <thread>

// Messages for one loader thread. Any thread posts; only the loader thread gets, peeks and
// takes. Every post also raises the interrupt, so a message ends a transfer at once.
class LoaderMailbox {
public:
    // False once the thread no longer takes messages.
    bool Post(uint32_t message);
    // Stops taking messages and asks the thread to end at once.
    void Quit();
    // Blocks for the next message; false for WM_QUIT and after Quit.
    bool Get(zem::ThreadMessage& out);
    // Before each blocking network call: clears the interrupt and looks at the next message
    // without taking it. Under one lock with Post, so a post either shows here or interrupts
    // the call that follows; a raise can never outlive its message.
    std::optional<zem::ThreadMessage> Waiting();
    // Removes the next message.
    void Take();
    // The thread's last step: later posts fail.
    void Retire();
    bool Accepting();
    zem::HttpInterrupt& Interrupt() { return interrupt_; }

private:
    zem::ThreadQueue queue_;
    zem::HttpInterrupt interrupt_;
    std::mutex mutex_;
    bool accepting_ = true;
};

struct _Wave::Loader {
    explicit Loader(_Wave& owner) : wave(owner) {}

    // The loader whose thread is the caller, or null.
    static thread_local Loader* current;

    _Wave& wave;
    LoaderMailbox mailbox;
    std::thread thread;
};
