#include "zemWaveLib/wave.h"

#include "ZemBaseLib/muldiv.h"
#include "zemWaveLib/waveloader.h"

#include "base/tempname.h"
#include "base/trace.h"

#include <cerrno>
#include <cstring>
#include <exception>
#include <strings.h>
#include <unistd.h>
#include <utility>

const std::array<char, 4>& _Wave::ChunkId(Slot slot)
{
    static const std::array<std::array<char, 4>, kSlotCount> ids = {{
        {'f', 'm', 't', ' '},
        {'f', 'a', 'c', 't'},
        {'z', 'e', 'm', 'p'},
        {'d', 'a', 't', 'a'},
        {'k', 's', 't', 'i'},
    }};
    return ids[slot];
}

namespace {

// Where local copies of downloads go when TMP names no folder.
constexpr const char* kDownloadFolder = "C:\\temp1";

}  // namespace

_Wave::_Wave() = default;

_Wave::~_Wave()
{
    SetCallback(nullptr, 0, 0);
    state_ = kStateNone;
    if (OnLoaderThread()) {
        // Its own thread cannot wait for itself, and must not run on in a freed recording.
        zem::Trace("A recording was destroyed by its own loader thread");
        std::terminate();
    }
    Close();
}

void _Wave::SetCallback(WaveLoadCallback callback, uint32_t flags, uintptr_t user)
{
    if (flags != 0 && flags != kCallbackFunction)
        return;
    std::lock_guard guard(callbackLock_);
    callback_ = callback;
    callbackFlags_ = flags;
    callbackUser_ = user;
}

void _Wave::SetDownloadSettings(const WaveDownloadSettings& settings)
{
    std::lock_guard guard(lock_);
    downloadSettings_ = settings;
}

void _Wave::Notify(uint32_t state)
{
    std::lock_guard guard(callbackLock_);
    if (!callback_ || callbackFlags_ != kCallbackFunction)
        return;
    try {
        callback_(this, state, callbackUser_);
    } catch (const std::exception& e) {
        zem::Trace("Wave callback failed: %s", e.what());
    } catch (...) {
        zem::Trace("Wave callback failed");
    }
}

bool _Wave::IsAddress(const std::string& name)
{
    return strncasecmp(name.c_str(), "http:", 5) == 0 || strncasecmp(name.c_str(), "https:", 6) == 0;
}

void _Wave::SetLastError(std::string text)
{
    std::lock_guard guard(lock_);
    lastError_ = std::move(text);
}

std::string _Wave::GetLastError() const
{
    std::lock_guard guard(lock_);
    return lastError_;
}

bool _Wave::SetFileName(const std::string& name)
{
    {
        std::lock_guard guard(lock_);
        if (!fileName_.empty()) {
            lastError_ = "FileName already set (" + fileName_ + ")";
            return false;
        }
    }
    Close();
    if (IsAddress(name))
        return OpenAddress(name);
    {
        std::lock_guard guard(lock_);
        fileName_ = name;
    }
    if (!ReadHeader()) {
        state_ = kStateFailed;
        return false;
    }
    state_ = kStateLoaded;
    Notify(kStateLoaded);
    return true;
}

bool _Wave::OpenAddress(const std::string& name)
{
    if (!StartLoader()) {
        state_ = kStateFailed;
        return false;
    }
    // Reserved at once, so two recordings never share a local copy.
    const std::string localName = zem::CreateTempFile("qmf", ".tmp", kDownloadFolder);
    const int error = errno;
    {
        std::lock_guard guard(lock_);
        fileName_ = name;
        localName_ = localName;
    }
    if (localName.empty()) {
        zem::Trace("No temporary file for '%s': %s", name.c_str(), std::strerror(error));
        state_ = kStateFailed;
        return false;
    }
    return PostToLoader(WM_WAVE_HEADER);
}

void _Wave::Close()
{
    // Marked first, so that the download ended here reports nothing more; then the loader
    // must be gone before what it uses is freed.
    {
        std::lock_guard guard(lock_);
        ++nameGeneration_;
    }
    StopLoader();
    std::lock_guard guard(lock_);
    file_.Close();
    if (!localName_.empty()) {
        if (unlink(localName_.c_str()) != 0 && errno != ENOENT)
            zem::Trace("Cannot delete '%s': %s", localName_.c_str(), std::strerror(errno));
        localName_.clear();
    }
    for (auto& chunk : chunks_)
        chunk.reset();
    ++headerGeneration_;
    fileName_.clear();
    riffLength_ = 0;
    loadedLength_ = 0;
    state_ = kStateNone;
}

void _Wave::ReplaceChunk(Slot slot, std::unique_ptr<WaveChunk> chunk)
{
    std::unique_ptr<WaveChunk> old;
    {
        std::lock_guard guard(lock_);
        old = std::exchange(chunks_[slot], std::move(chunk));
    }
}

std::string _Wave::PlayablePathLocked() const
{
    return IsAddress(fileName_) ? localName_ : fileName_;
}

std::string _Wave::GetPlayablePath() const
{
    std::lock_guard guard(lock_);
    return PlayablePathLocked();
}

bool _Wave::HeaderValidLocked() const
{
    return (state_.load() & kStateValidBit) && chunks_[kSlotFormat] && chunks_[kSlotData];
}

const zem::WAVEFORMATEX* _Wave::FormatLocked() const
{
    const WaveChunk* chunk = chunks_[kSlotFormat].get();
    return chunk ? reinterpret_cast<const zem::WAVEFORMATEX*>(chunk->data.data()) : nullptr;
}

const zem::WAVEFORMATEX* _Wave::UsableFormatLocked() const
{
    const zem::WAVEFORMATEX* format = FormatLocked();
    if (!format || format->nBlockAlign == 0 || format->nAvgBytesPerSec == 0)
        return nullptr;
    return format;
}

double _Wave::GetLoadPercent() const
{
    std::lock_guard guard(lock_);
    if (!chunks_[kSlotFormat] || !chunks_[kSlotData])
        return 0.0;
    const uint32_t riffLength = riffLength_.load();
    if (riffLength == 0)
        return state_.load() == kStateLoaded ? 100.0 : 0.0;
    const double percent = loadedLength_.load() * 100.0 / riffLength;
    return percent >= 100.0 ? 100.0 : percent;
}

uint32_t _Wave::GetDataSize() const
{
    std::lock_guard guard(lock_);
    return HeaderValidLocked() ? chunks_[kSlotData]->size : 0;
}

const zem::WAVEFORMATEX* _Wave::GetFormat() const
{
    std::lock_guard guard(lock_);
    return FormatLocked();
}

uint16_t _Wave::GetFormatSize() const
{
    std::lock_guard guard(lock_);
    const WaveChunk* chunk = chunks_[kSlotFormat].get();
    return chunk ? static_cast<uint16_t>(chunk->size) : 0;
}

const char* _Wave::GetMetadata() const
{
    std::lock_guard guard(lock_);
    const WaveChunk* chunk = chunks_[kSlotMetadata].get();
    return chunk ? reinterpret_cast<const char*>(chunk->data.data()) : nullptr;
}

uint16_t _Wave::GetMetadataSize() const
{
    std::lock_guard guard(lock_);
    const WaveChunk* chunk = chunks_[kSlotMetadata].get();
    return chunk ? static_cast<uint16_t>(chunk->size) : 0;
}

const uint8_t* _Wave::GetPrompt() const
{
    std::lock_guard guard(lock_);
    const WaveChunk* chunk = chunks_[kSlotPrompt].get();
    return chunk ? chunk->data.data() : nullptr;
}

uint32_t _Wave::MsToBytes(uint32_t ms) const
{
    std::lock_guard guard(lock_);
    const zem::WAVEFORMATEX* format = UsableFormatLocked();
    if (!(state_.load() & kStateValidBit) || !format)
        return 0;
    return MulDivRound(ms, format->nAvgBytesPerSec, 1000);
}

uint32_t _Wave::BytesToMs(uint32_t bytes) const
{
    std::lock_guard guard(lock_);
    const zem::WAVEFORMATEX* format = UsableFormatLocked();
    if (!(state_.load() & kStateValidBit) || !format)
        return 0;
    return MulDivRound(bytes, 1000, format->nAvgBytesPerSec);
}
