// _Wave: one recording, a RIFF/WAVE file whose descriptive chunks ("fmt ", "zemp", "ksti")
// are held in memory, with a load state and a notification callback.
//
// File layout: "RIFF", u32 length of the whole file, "WAVE", then chunks to the end of the
// file, each a 4-byte id, a u32 size and size bytes, the next one following directly (no pad
// byte). "zemp" holds the waveform overview: u16 channels, u16 points, then `points` 16-bit
// values per channel, channel after channel. "ksti" holds XML metadata text, padded with one
// zero byte to an even size.
//
// Threads: the chunk records, the open file and the names are guarded by the recording's
// lock (GetLock), a recursive mutex; state and loaded length are atomics. A pointer returned
// by GetFormat, GetMetadata or GetPrompt stays valid only while the caller holds the lock,
// because another thread may replace the record.
#pragma once

#include "base/file.h"
#include "waveformat.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

class XmlElement;
class _Wave;

// Told about a new load state, on the thread that changed it. Must return quickly and must
// not wait for a thread that calls SetCallback.
using WaveLoadCallback = void (*)(_Wave* wave, uint32_t state, uintptr_t user);

// One known chunk of the file, or one made in memory (offset 0).
struct WaveChunk {
    std::array<char, 4> id{};
    uint32_t size = 0;    // data size as stored
    uint32_t offset = 0;  // file offset of the first data byte
    // A copy of the data for "fmt ", "zemp" and "ksti", empty for "fact" and "data". Holds at
    // least size bytes and one zero byte beyond them; "fmt " is zero-padded to a full
    // WAVEFORMATEX.
    std::vector<uint8_t> data;
};

class _Wave {
public:
    // Load states. Bit 4: header known and valid; 8: loading; 16: paused; 32: complete.
    static constexpr uint32_t kStateNone = 0;
    static constexpr uint32_t kStateFailed = 1;
    static constexpr uint32_t kStateHeaderDownload = 2;
    static constexpr uint32_t kStateHeaderChecked = 4;
    static constexpr uint32_t kStateLoading = 12;
    static constexpr uint32_t kStatePaused = 20;
    static constexpr uint32_t kStateLoaded = 36;
    static constexpr uint32_t kStateValidBit = 4;

    // The one callback flags value that enables the callback (CALLBACK_FUNCTION).
    static constexpr uint32_t kCallbackFunction = 0x30000;

    // Fixed slots of the known chunks.
    enum Slot : int { kSlotFormat, kSlotFact, kSlotPrompt, kSlotData, kSlotMetadata, kSlotCount };
    static const std::array<char, 4>& ChunkId(Slot slot);

    _Wave();
    ~_Wave();
    _Wave(const _Wave&) = delete;
    _Wave& operator=(const _Wave&) = delete;

    // Flags 0 or kCallbackFunction store all three values; any other flags change nothing.
    // Once it returns, a callback registered before is no longer running.
    void SetCallback(WaveLoadCallback callback, uint32_t flags, uintptr_t user);

    // Names the recording once (Close first for another name). A local path is read at
    // once: state 36 and callback(36), or state 1 and false.
    bool SetFileName(const std::string& name);
    // Closes the file, drops every chunk record and the names; state 0.
    void Close();

    uint32_t GetState() const { return state_.load(); }
    bool IsLoading() const { return (state_.load() & kStateLoading) == kStateLoading; }
    uint32_t GetLoadedLength() const { return loadedLength_.load(); }
    // The file name, or for an http:/https: address the local copy.
    std::string GetPlayablePath() const;
    std::string GetLastError() const;
    double GetLoadPercent() const;
    // 0 unless the header is valid with "fmt " and "data".
    uint32_t GetDataSize() const;
    const WAVEFORMATEX* GetFormat() const;
    uint16_t GetFormatSize() const;
    // The "ksti" text, zero-terminated only when padded; use GetMetadataSize.
    const char* GetMetadata() const;
    uint16_t GetMetadataSize() const;
    const uint8_t* GetPrompt() const;
    // Rounded conversions by the byte rate; 0 without a valid header and usable format.
    uint32_t MsToBytes(uint32_t ms) const;
    uint32_t BytesToMs(uint32_t bytes) const;
    std::recursive_mutex& GetLock() const { return lock_; }

    // Reads the chunk list of the playable file, opening it when needed; the file position
    // is kept. On failure every record is dropped and GetLastError tells why.
    bool ReadHeader();
    // Moves to a byte position within the sample data, rounded down to a whole block when
    // align is set.
    bool Seek(uint32_t position, bool align);
    uint32_t GetPosition() const;
    bool IsEof() const;
    // Reads whole blocks of sample data from the current position; returns the bytes read.
    // level receives the mean magnitude of what was read: decibels for 8-bit data (-120.0
    // for silence), percent of full scale for wider samples.
    uint32_t Read(void* buffer, uint32_t count, double* level = nullptr);
    // The level of extra bytes plus one block at position; the file position is kept.
    double GetLevelAt(uint32_t position, uint32_t extra);

    // Replaces the "ksti" record (in memory only) by the text of root.
    bool SetMetadata(const XmlElement& root);
    // Writes the recording with its records to target; the second form drops the first
    // startMs of sample data.
    bool SaveAs(const std::string& target);
    bool SaveAs(uint32_t startMs, const std::string& target);
    // Replaces the "zemp" record by an overview of `points` evenly spaced sample frames.
    bool GeneratePrompt(uint16_t points);

    // Transfer control. A local recording is complete from SetFileName on; transfers of
    // addresses are not available in this build and fail with a text in GetLastError.
    bool Load(bool flag);
    bool PauseLoad();
    bool ContinueLoad();
    bool StopLoad(bool wait);

private:
    using ChunkSet = std::array<std::unique_ptr<WaveChunk>, kSlotCount>;

    static bool IsAddress(const std::string& name);
    void SetLastError(std::string text);
    bool FailWithoutLoader();
    // Calls the registered callback with state, catching whatever it throws.
    void Notify(uint32_t state);
    void ReplaceChunk(Slot slot, std::unique_ptr<WaveChunk> chunk);
    // Locked helpers (lock_ held by the caller).
    const WAVEFORMATEX* FormatLocked() const;
    // The format when its block alignment and byte rate allow positioning, else null.
    const WAVEFORMATEX* UsableFormatLocked() const;
    bool HeaderValidLocked() const;
    std::string PlayablePathLocked() const;
    bool SaveCopy(uint32_t startMs, bool trimmed, const std::string& target);

    mutable std::recursive_mutex lock_;
    std::string fileName_;
    std::string localName_;  // local copy of an address; empty for a local file
    zem::File file_;
    std::string lastError_;
    std::atomic<uint32_t> riffLength_{0};
    std::atomic<uint32_t> loadedLength_{0};
    std::atomic<uint32_t> state_{kStateNone};
    ChunkSet chunks_;
    // Counts wholesale replacements of the records (header read, close), so that work that
    // ran without the lock can tell its recording was swapped meanwhile.
    uint64_t headerGeneration_ = 0;

    // Held while the callback runs, so that SetCallback never returns during a call.
    std::recursive_mutex callbackLock_;
    WaveLoadCallback callback_ = nullptr;
    uint32_t callbackFlags_ = 0;
    uintptr_t callbackUser_ = 0;
};
