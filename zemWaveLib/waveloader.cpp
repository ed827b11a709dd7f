// The loader thread of a _Wave and the operations that drive it: Load, PauseLoad,
// ContinueLoad, StopLoad and Download.
#include "zemWaveLib/waveloader.h"

#include "base/trace.h"

#include <exception>
#include <system_error>

thread_local _Wave::Loader* _Wave::Loader::current = nullptr;

bool LoaderMailbox::Post(uint32_t message)
{
    std::lock_guard guard(mutex_);
    if (!accepting_)
        return false;
    queue_.Post(message);
    interrupt_.Raise();
    return true;
}

void LoaderMailbox::Quit()
{
    std::lock_guard guard(mutex_);
    accepting_ = false;
    queue_.PostQuit();
    interrupt_.Raise();
}

bool LoaderMailbox::Get(zem::ThreadMessage& out)
{
    return queue_.Get(out) && Accepting();
}

std::optional<zem::ThreadMessage> LoaderMailbox::Waiting()
{
    std::lock_guard guard(mutex_);
    interrupt_.Clear();
    zem::ThreadMessage message;
    if (!queue_.Peek(message, false))
        return std::nullopt;
    return message;
}

void LoaderMailbox::Take()
{
    zem::ThreadMessage message;
    queue_.Peek(message, true);
}

void LoaderMailbox::Retire()
{
    std::lock_guard guard(mutex_);
    accepting_ = false;
}

bool LoaderMailbox::Accepting()
{
    std::lock_guard guard(mutex_);
    return accepting_;
}

bool _Wave::OnLoaderThread() const
{
    return Loader::current && &Loader::current->wave == this;
}

bool _Wave::StartLoader()
{
    std::lock_guard guard(loaderMutex_);
    if (loaderStopping_)
        return false;
    if (loader_ && loader_->mailbox.Accepting())
        return true;
    if (loader_) {
        // Ended by itself (failure or closed recording); it runs no code of ours any more
        // that could wait for this lock.
        if (loader_->thread.get_id() == std::this_thread::get_id())
            return false;
        loader_->thread.join();
        loader_.reset();
    }
    auto loader = std::make_unique<Loader>(*this);
    try {
        loader->thread = std::thread([this, started = loader.get()] { WorkerThread(*started); });
    } catch (const std::system_error& e) {
        zem::Trace("Cannot start the loader thread: %s", e.what());
        return false;
    }
    loader_ = std::move(loader);
    return true;
}

bool _Wave::PostToLoader(uint32_t message)
{
    // A second round covers a thread that ended between the check and the post.
    for (int round = 0; round < 2; ++round) {
        if (!StartLoader())
            return false;
        std::lock_guard guard(loaderMutex_);
        if (loader_ && loader_->mailbox.Post(message))
            return true;
    }
    return false;
}

void _Wave::StopLoader()
{
    // On its own thread (a callback closed the recording) the loader sees the closed
    // recording when the callback returns and drops its download by itself.
    if (OnLoaderThread())
        return;
    std::unique_ptr<Loader> loader;
    {
        std::lock_guard guard(loaderMutex_);
        if (!loader_)
            return;
        loader = std::move(loader_);
        loaderStopping_ = true;
    }
    // Joined without the lock: a callback still running on that thread may call in here.
    loader->mailbox.Quit();
    if (loader->thread.joinable())
        loader->thread.join();
    std::lock_guard guard(loaderMutex_);
    loaderStopping_ = false;
}

void _Wave::SetLoaderState(uint32_t state)
{
    {
        std::lock_guard guard(stateMutex_);
        state_ = state;
    }
    stateChanged_.notify_all();
}

void _Wave::WorkerThread(Loader& loader)
{
    Loader::current = &loader;
    TransferEnd end = TransferEnd::Idle;
    try {
        zem::ThreadMessage message;
        while (end == TransferEnd::Idle && loader.mailbox.Get(message)) {
            const uint32_t state = state_.load();
            switch (message.message) {
            case WM_WAVE_HEADER:
                HeaderDownload(loader);
                break;
            case WM_WAVE_LOAD:
                if ((state & kStateValidBit) && state != kStateLoaded)
                    end = FullLoad(loader);
                break;
            case WM_WAVE_PAUSE:
            case WM_WAVE_STOP:
                // Only a transfer that is running or paused is stopped; one that finished
                // before the message came stays complete.
                if (IsLoading() || state == kStatePaused) {
                    SetLoaderState(kStatePaused);
                    Notify(kStatePaused);
                }
                break;
            default:
                break;
            }
        }
    } catch (const std::exception& e) {
        zem::Trace("Exception: %s (L:%d)", e.what(), __LINE__);
        end = TransferEnd::Failed;
    } catch (...) {
        zem::Trace("Exception: %s (L:%d)", "unknown", __LINE__);
        end = TransferEnd::Failed;
    }
    // Retired first: a later post starts a new thread, which waits for this one to end.
    loader.mailbox.Retire();
    if (end != TransferEnd::Closed)
        SetLoaderState(kStateFailed);
    Loader::current = nullptr;
}

bool _Wave::Load(bool /*flag*/)
{
    const uint32_t state = state_.load();
    if (!(state & kStateValidBit) || (state & kStateLoading) == kStateLoading)
        return false;
    if (state == kStateLoaded)
        return true;
    {
        std::lock_guard guard(lock_);
        if (!IsAddress(fileName_))
            return false;
    }
    return PostToLoader(WM_WAVE_LOAD);
}

bool _Wave::PauseLoad()
{
    if (!IsLoading())
        return true;
    if (!StartLoader())
        return false;
    if (OnLoaderThread())
        return true;
    PostToLoader(WM_WAVE_PAUSE);
    return false;
}

bool _Wave::ContinueLoad()
{
    if (state_.load() != kStatePaused)
        return true;
    if (!StartLoader())
        return false;
    if (OnLoaderThread())
        return true;
    PostToLoader(WM_WAVE_LOAD);
    return false;
}

bool _Wave::StopLoad(bool wait)
{
    if (!IsLoading() && state_.load() != kStatePaused)
        return true;
    if (!StartLoader())
        return false;
    if (OnLoaderThread())
        return true;
    if (!PostToLoader(WM_WAVE_STOP) || !wait)
        return true;
    // The loader reacts at once (the post interrupts its network call); the timed wait only
    // covers state changes made elsewhere.
    std::unique_lock guard(stateMutex_);
    while (IsLoading())
        stateChanged_.wait_for(guard, std::chrono::milliseconds(10));
    return true;
}

void _Wave::Download()
{
    if (OnLoaderThread()) {
        HeaderDownload(*Loader::current);
        return;
    }
    std::lock_guard guard(loaderMutex_);
    if (loader_)
        loader_->mailbox.Post(WM_WAVE_HEADER);
}
