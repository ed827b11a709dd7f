// Converts WAVE files between a codec's format and PCM through the codec layer's drivers,
// and lists those drivers. Runs on the caller's thread; progress goes to an optional window
// (synchronously) and an optional thread queue (posted); a caller-owned flag cancels.
#pragma once

#include "base/messages.h"
#include "codec/codec.h"
#include "codec/waveformat.h"

#include <atomic>
#include <bit>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zem {
class ThreadQueue;
class CodecWaveFile;
struct WaveLayout;
}  // namespace zem

class CodecConverter {
public:
    // Progress messages, wParam 0. Start: lParam = the source file's length. Progress:
    // lParam = the percentage done as the bits of a double (PercentFromParam); decoding and
    // the first encoding step count 0 to 50, the second 50 to 100, and encoding ends with
    // 100.0. End of encoding: lParam = the destination file's length.
    static constexpr uint32_t kProgressMessage = zem::WM_USER + 1;
    static constexpr uint32_t kEncodeEndMessage = zem::WM_USER + 2;
    static constexpr uint32_t kStartMessage = zem::WM_USER + 3;

    static_assert(sizeof(intptr_t) == sizeof(double), "a percentage travels in one parameter");
    static intptr_t PercentToParam(double percent) { return std::bit_cast<intptr_t>(percent); }
    static double PercentFromParam(intptr_t lParam) { return std::bit_cast<double>(lParam); }

    // Where a window would receive the progress messages by SendMessage; called on the
    // converting thread before the conversion goes on. The UI layer supplies one.
    class ProgressWindow {
    public:
        virtual ~ProgressWindow() = default;
        virtual void SendProgress(uint32_t message, uintptr_t wParam, intptr_t lParam) = 0;
    };

    // window, runFlag and thread may be null; those given outlive the converter. The
    // conversion goes on while *runFlag is 1; the flag is read once per block and may be set
    // from any thread.
    CodecConverter(ProgressWindow* window, const std::atomic<int32_t>* runFlag,
                   zem::ThreadQueue* thread);
    ~CodecConverter();
    CodecConverter(const CodecConverter&) = delete;
    CodecConverter& operator=(const CodecConverter&) = delete;

    int GetDriverCount() const;
    // An index at or past the count returns the count and changes nothing; otherwise 1 when
    // the name was found (the tag is filled either way), 0 when not.
    int GetDriverInfo(uint16_t index, std::string& name, uint16_t& formatTag) const;
    bool GetDriverName(zem::codec::DriverId driver, std::string& name) const;
    // The first format tag other than PCM that the driver lists; 0 when it lists none.
    bool GetDriverFormatTag(zem::codec::DriverId driver, uint16_t& formatTag) const;
    bool FindDriver(uint16_t formatTag, zem::codec::DriverId& driver) const;
    bool FindDriverByName(std::string_view name, zem::codec::DriverId& driver) const;
    // The first format with the tag that the driver lists; empty when it lists none.
    std::optional<zem::WaveFormat> GetDriverFormat(zem::codec::DriverId driver,
                                                   uint16_t formatTag) const;

    // Decodes a compressed WAVE file to 16-bit PCM of its rate and channel count. The
    // destination may be the source itself. On failure nothing is left at the destination.
    bool DecodeToPcm(const std::string& source, const std::string& destination);

    // DecodeToPcm into a new temporary file of a unique name, returned in decodedPath; the
    // caller deletes it. On failure no file is left and decodedPath is empty.
    bool DecodeToTempFile(const std::string& source, std::string& decodedPath);

    // Encodes a PCM WAVE file into the first format with the tag that the tag's driver
    // lists; an empty destination replaces the source. On failure nothing is left at the
    // destination and the source is unchanged.
    bool EncodeFromPcm(const std::string& source, uint16_t formatTag,
                       const std::string& destination);

    const std::string& GetLastError() const { return lastError_; }

private:
    class Output;

    bool Fail(std::string text);
    void Notify(uint32_t message, intptr_t lParam);
    void NotifyPercent(double percent);
    bool OpenSource(const std::string& source, zem::CodecWaveFile& file, zem::WaveLayout& layout);
    // Without dataSize the header with zero lengths; with it the final one.
    bool WriteHeader(zem::CodecWaveFile& file, const std::string& name,
                     const zem::WaveFormat& format, const std::string& between,
                     std::optional<uint32_t> dataSize);
    // Reads up to dataSize bytes from `in` in pieces of `piece`, converts them through the
    // stream and writes the result to `out`; progress runs from progressFrom over 50 points.
    bool Pump(zem::CodecWaveFile& in, Output& out, const std::string& outName, uint32_t dataSize,
              size_t piece, zem::codec::Stream& stream, double progressFrom, uint32_t& produced);

    std::string lastError_;
    ProgressWindow* window_;
    zem::ThreadQueue* thread_;
    const std::atomic<int32_t>* runFlag_;
    std::vector<zem::codec::DriverId> drivers_;  // in the codec layer's order
};
