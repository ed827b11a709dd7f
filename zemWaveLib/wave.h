// _Wave: one recording, a RIFF/WAVE file whose descriptive chunks ("fmt ", "zemp", "ksti")
// are held in memory, with a load state and a notification callback.
//
// File layout: "RIFF", u32 length of the whole file, "WAVE", then chunks to the end of the
// file, each a 4-byte id, a u32 size and size bytes, the next one following directly (a pad
// byte after an odd chunk is followed only where a chunk id stands after it and not before
// it, as other tools write them). "zemp" holds the waveform overview: u16 channels, u16 points, then `points` 16-bit
// values per channel, channel after channel. "ksti" holds XML metadata text, padded with one
// zero byte to an even size.
//
// Threads: the chunk records, the open file and the names are guarded by the recording's
// lock (GetLock), a recursive mutex; state and loaded length are atomics. A pointer returned
// by GetFormat, GetMetadata or GetPrompt stays valid only while the caller holds the lock,
// because another thread may replace the record.
//
// A recording named by an "http:" or "https:" address is fetched by a loader thread of its
// own, driven by thread messages: first just enough bytes for a valid header (state 2, then 4
// or 1), then on Load the whole file into a local temporary file (12 after every block, 36
// when complete, 20 when paused or stopped). The callback runs on that thread. Close and the
// destructor end the loader thread and wait for it, so never call them while holding
// GetLock(); the destructor must not run in the recording's own callback.
#pragma once

#include "base/file.h"
#include "base/messages.h"
#include "codec/waveformat.h"

#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

class XmlElement;
class _Wave;

// How the loader reaches a server. Real recordings use the defaults; tests trust their own
// CA and give up sooner.
struct WaveDownloadSettings {
    std::string caFile{};  // PEM file of the only CAs trusted; empty: the system's store
    std::chrono::milliseconds connectTimeout{30000};
    std::chrono::milliseconds stallTimeout{60000};  // no byte for this long ends a download
};

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
    // zem::WAVEFORMATEX.
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
    using ChunkSet = std::array<std::unique_ptr<WaveChunk>, kSlotCount>;

    // The records found in the first bytes of a recording.
    struct HeaderRecords {
        uint32_t riffLength = 0;
        ChunkSet chunks;
    };
    // Whether the first count bytes of a recording hold a usable header: "RIFF", "WAVE" and
    // the chunk list up to a "data" chunk that runs to or past the last byte, with a "fmt "
    // before it. Fills found with the records met on the way; offsets count from byte 0.
    // False may mean that more bytes are needed. Never reads past count.
    // wholeFile: the bytes are the complete file, so the "data" record holds no more than
    // they do; otherwise it keeps the size the file announces.
    static bool CheckHeader(const uint8_t* bytes, size_t count, HeaderRecords& found,
                            bool wholeFile = false);

    _Wave();
    ~_Wave();
    _Wave(const _Wave&) = delete;
    _Wave& operator=(const _Wave&) = delete;

    // Flags 0 or kCallbackFunction store all three values; any other flags change nothing.
    // Once it returns, a callback registered before is no longer running.
    void SetCallback(WaveLoadCallback callback, uint32_t flags, uintptr_t user);
    // Used by the downloads that start after the call.
    void SetDownloadSettings(const WaveDownloadSettings& settings);

    // Names the recording once (Close first for another name). A local path is read at
    // once: state 36 and callback(36), or state 1 and false. An address gets a reserved
    // temporary file as its local copy and starts the header download; true once asked.
    bool SetFileName(const std::string& name);
    // Ends a running download and waits for it, closes the file, deletes the local copy of
    // an address, drops every chunk record and the names; state 0.
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
    const zem::WAVEFORMATEX* GetFormat() const;
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
    // Adds to each "tone" child of root a "position" child (attributes "begin" and "end" in
    // ms) for every span in which its tone sounds. False for a null root, or when the
    // recording cannot be measured (no format, a rate or sample size the detector refuses,
    // a failed decode); GetLastError tells why.
    bool DetectTones(XmlElement* root);

    // Transfer control; a local recording is complete from SetFileName on.
    // Load: starts the full download of an address with a valid header (from byte 0 again
    // after a pause); true when asked, at once true when complete, false without a valid
    // header or while loading. The flag changes nothing.
    bool Load(bool flag);
    // True when there is nothing to pause; otherwise asks for the pause and returns false
    // (state 20 follows).
    bool PauseLoad();
    // True unless paused; when paused asks for a new full download and returns false.
    bool ContinueLoad();
    // Asks a running or paused download to stop (state 20); with wait, returns once the
    // recording is no longer loading.
    bool StopLoad(bool wait);
    // Starts the header download of the address again; called off the loader thread it
    // only asks that thread, and does nothing without one.
    void Download();

private:
    struct Loader;
    // How a download on the loader thread ended: the thread goes on taking messages, or it
    // ends after a failure (state 1), or it ends because the recording was closed meanwhile.
    enum class TransferEnd { Idle, Failed, Closed };
    // What a download works on, taken when it starts.
    struct Job {
        std::string name;
        std::string localName;
        WaveDownloadSettings settings;
        uint64_t generation = 0;
    };

    // Messages of the loader thread.
    static constexpr uint32_t WM_WAVE_LOAD = zem::WM_USER + 1;
    static constexpr uint32_t WM_WAVE_PAUSE = zem::WM_USER + 2;
    static constexpr uint32_t WM_WAVE_STOP = zem::WM_USER + 3;
    static constexpr uint32_t WM_WAVE_HEADER = zem::WM_USER + 4;

    static bool IsAddress(const std::string& name);
    // The address branch of SetFileName.
    bool OpenAddress(const std::string& name);
    void SetLastError(std::string text);
    // Calls the registered callback with state, catching whatever it throws.
    void Notify(uint32_t state);
    // Loader thread control (waveloader.cpp).
    bool StartLoader();
    void StopLoader();
    bool PostToLoader(uint32_t message);
    bool OnLoaderThread() const;
    void WorkerThread(Loader& loader);
    // A state change of the loader thread, seen by StopLoad(true) at once.
    void SetLoaderState(uint32_t state);
    // The downloads, on the loader thread (wavedownload.cpp).
    Job StartJob();
    bool Closed(const Job& job) const;
    void HeaderDownload(Loader& loader);
    TransferEnd FullLoad(Loader& loader);
    // Ends a transfer for the message waiting in the queue, if any.
    std::optional<TransferEnd> EndForMessage(Loader& loader);
    void ReplaceChunk(Slot slot, std::unique_ptr<WaveChunk> chunk);
    // Locked helpers (lock_ held by the caller).
    const zem::WAVEFORMATEX* FormatLocked() const;
    // The format when its block alignment and byte rate allow positioning, else null.
    const zem::WAVEFORMATEX* UsableFormatLocked() const;
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
    // Counts Close calls, so that a download can tell its recording was closed meanwhile.
    uint64_t nameGeneration_ = 0;
    WaveDownloadSettings downloadSettings_;

    // The loader thread; replaced under loaderMutex_ when it ended by itself.
    std::mutex loaderMutex_;
    std::unique_ptr<Loader> loader_;
    bool loaderStopping_ = false;  // no new loader while one is being ended
    std::mutex stateMutex_;        // pairs with stateChanged_ only
    std::condition_variable stateChanged_;

    // Held while the callback runs, so that SetCallback never returns during a call.
    std::recursive_mutex callbackLock_;
    WaveLoadCallback callback_ = nullptr;
    uint32_t callbackFlags_ = 0;
    uintptr_t callbackUser_ = 0;
};
