// _Wave::DetectTones: the spans in which configured tones sound, found in 20 ms windows and
// written as "position" children of the "tone" elements that name them.
#include "zemWaveLib/wave.h"

#include "zemWaveLib/codecconverter.h"
#include "zemWaveLib/samples.h"
#include "zemWaveLib/tonedetector.h"

#include "ZemBaseLib/xmlelement.h"

#include "base/trace.h"

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <span>
#include <thread>
#include <vector>

namespace {

// What one "tone" element asks for; a missing attribute keeps the value the element before
// it left, so a list of tones may give only what changes.
struct ToneSettings {
    int f = 1520;
    double fdev = 80;
    double ondur = 40;
    double offdur = 200;

    void ReadFrom(const XmlElement& tone)
    {
        int32_t frequency = 0;
        if (tone.GetAttributeInt("f", frequency))
            f = frequency;
        ReadDecimal(tone, "fdev", fdev);
        ReadDecimal(tone, "ondur", ondur);
        ReadDecimal(tone, "offdur", offdur);
    }

    static void ReadDecimal(const XmlElement& tone, const char* name, double& value)
    {
        std::string text;
        if (tone.GetAttribute(name, text))
            value = std::atof(text.c_str());
    }
};

// Turns the verdicts of consecutive windows into "position" children of a tone element: a
// span begins once the tone lasted ondur and ends once it was gone for offdur, so short
// drop-outs do not split it. A start at 0 ms counts as not started yet.
class SpanTracker {
public:
    SpanTracker(XmlElement& tone, const ToneSettings& settings)
        : tone_(tone), ondur_(settings.ondur), offdur_(settings.offdur)
    {
    }

    void Present(uint32_t startMs, uint32_t endMs)
    {
        if (onStart_ == 0)
            onStart_ = startMs;
        if (static_cast<double>(endMs) - onStart_ < ondur_)
            return;
        if (!on_) {
            on_ = true;
            off_ = false;
            position_ = tone_.AddChild("position", "");
            position_->SetAttributeInt("begin", static_cast<int32_t>(onStart_));
        }
        offStart_ = 0;
    }

    void Absent(uint32_t startMs, uint32_t endMs)
    {
        if (offStart_ == 0)
            offStart_ = startMs;
        if (static_cast<double>(endMs) - offStart_ < offdur_)
            return;
        if (!off_)
            End();
        onStart_ = 0;
    }

    // The recording ended at lastMs: a running span ends where the tone was last missed.
    void Finish(uint32_t lastMs)
    {
        if (offStart_ == 0)
            offStart_ = lastMs;
        if (on_ && !off_)
            End();
    }

private:
    void End()
    {
        off_ = true;
        on_ = false;
        position_->SetAttributeInt("end", static_cast<int32_t>(offStart_));
    }

    XmlElement& tone_;
    double ondur_;
    double offdur_;
    bool on_ = false;
    bool off_ = true;
    uint32_t onStart_ = 0;
    uint32_t offStart_ = 0;
    XmlElement* position_ = nullptr;
};

// Mono samples for the detector: mono data as read, several channels mixed to their mean
// (interleaved frames read as one channel would halve every frequency).
class MonoMixer {
public:
    MonoMixer(const SampleLayout& layout, size_t maxBytes)
        : layout_(layout), mixed_(layout.channels > 1 ? maxBytes / layout.channels : 0)
    {
    }

    std::span<const uint8_t> Mix(const uint8_t* bytes, size_t count)
    {
        if (layout_.channels <= 1)
            return {bytes, count};
        const size_t frameBytes = size_t{layout_.sampleBytes} * layout_.channels;
        const size_t frames = count / frameBytes;
        for (size_t i = 0; i < frames; ++i) {
            const uint8_t* frame = bytes + i * frameBytes;
            int sum = 0;
            for (unsigned c = 0; c < layout_.channels; ++c)
                sum += Sample(frame + size_t{c} * layout_.sampleBytes);
            Put(i, sum / static_cast<int>(layout_.channels));
        }
        return {mixed_.data(), frames * layout_.sampleBytes};
    }

private:
    int Sample(const uint8_t* at) const
    {
        if (layout_.sampleBytes == 1)
            return at[0];
        int16_t value = 0;
        std::memcpy(&value, at, 2);
        return value;
    }

    void Put(size_t index, int value)
    {
        if (layout_.sampleBytes == 1) {
            mixed_[index] = static_cast<uint8_t>(value);
            return;
        }
        const auto sample = static_cast<int16_t>(value);
        std::memcpy(mixed_.data() + 2 * index, &sample, 2);
    }

    SampleLayout layout_;
    std::vector<uint8_t> mixed_;
};

// A decoded 16-bit PCM copy of a compressed recording, at its rate and channel count; the
// file is deleted with this object.
class DecodedCopy {
public:
    DecodedCopy() = default;
    ~DecodedCopy()
    {
        wave.Close();
        std::error_code ignored;
        if (!path_.empty())
            std::filesystem::remove(path_, ignored);
    }
    DecodedCopy(const DecodedCopy&) = delete;
    DecodedCopy& operator=(const DecodedCopy&) = delete;

    bool Open(const std::string& source, std::string& error)
    {
        CodecConverter converter(nullptr, nullptr, nullptr);
        if (!converter.DecodeToTempFile(source, path_)) {
            error = converter.GetLastError();
            return false;
        }
        if (!wave.SetFileName(path_)) {
            error = wave.GetLastError();
            return false;
        }
        return true;
    }

    _Wave wave;

private:
    std::string path_;
};

// The band stands out of the rest of the spectrum, and is more than rounding noise.
bool TonePresent(const ToneDetector& detector)
{
    constexpr double kRatio = 4.0;
    constexpr double kMinimumLevel = 1.0;
    const double in = detector.InBand();
    const double out = detector.OutBand();
    return in != 0 && out != 0 && in / out >= kRatio && in > kMinimumLevel;
}

// One tone over the whole recording. Each window is read at the walk's own position, so
// other readers of the recording may move its file in between.
void FindSpans(_Wave& wave, const zem::WAVEFORMATEX& format, ToneDetector& detector,
               const ToneSettings& settings, XmlElement& tone)
{
    // Windows of 20 ms, in whole frames only: Read never returns a partial one, and a
    // shorter read ends the walk.
    constexpr uint32_t kHalfWindowMs = 10;
    uint32_t window = 2 * wave.MsToBytes(kHalfWindowMs);
    window -= window % format.nBlockAlign;
    if (window == 0)
        return;
    std::vector<uint8_t> buffer(window);
    MonoMixer mixer(SampleLayout::Of(format), window);
    SpanTracker spans(tone, settings);

    constexpr int kWindowsPerYield = 101;
    uint32_t position = 0;
    for (int windows = 1;; ++windows) {
        uint32_t got = 0;
        uint32_t next = 0;
        {
            std::lock_guard guard(wave.GetLock());
            if (wave.Seek(position, true))
                got = wave.Read(buffer.data(), window);
            next = wave.GetPosition();
        }
        if (got < window)
            break;
        const std::span<const uint8_t> mono = mixer.Mix(buffer.data(), got);
        detector.Analyze(settings.f, settings.fdev, mono.data(), mono.size());
        const uint32_t startMs = wave.BytesToMs(position);
        const uint32_t endMs = wave.BytesToMs(next);
        if (TonePresent(detector))
            spans.Present(startMs, endMs);
        else
            spans.Absent(startMs, endMs);
        position = next;
        if (windows % kWindowsPerYield == 0)
            std::this_thread::yield();
    }
    spans.Finish(wave.BytesToMs(position));
    wave.Seek(0, true);
}

}  // namespace

bool _Wave::DetectTones(XmlElement* root)
{
    if (!root)
        return false;
    zem::WAVEFORMATEX format{};
    std::string path;
    {
        std::lock_guard guard(lock_);
        const zem::WAVEFORMATEX* stored = UsableFormatLocked();
        if (!stored || !HeaderValidLocked()) {
            lastError_ = "Invalid wave file. no header information.";
            zem::Trace("DetectTones: %s\n", lastError_.c_str());
            return false;
        }
        std::memcpy(&format, stored, sizeof format);
        path = PlayablePathLocked();
    }

    // Coded bytes give a meaningless spectrum: compressed recordings are measured on their
    // decoded PCM, which keeps the rate, so windows and milliseconds stay those of the original.
    if (format.wFormatTag != zem::WAVE_FORMAT_PCM) {
        if (state_.load() != kStateLoaded) {
            SetLastError("File not completely loaded!");
            return false;
        }
        DecodedCopy copy;
        std::string error;
        const bool done = copy.Open(path, error) && copy.wave.DetectTones(root);
        if (!done) {
            SetLastError(error.empty() ? copy.wave.GetLastError() : error);
            zem::Trace("DetectTones: %s\n", GetLastError().c_str());
        }
        return done;
    }

    // Bins of the wrong rate would put every tone at the wrong frequency.
    constexpr int kTransformSize = 128;
    ToneDetector detector;
    if (!detector.Configure(kTransformSize, static_cast<int>(format.nSamplesPerSec), format.wBitsPerSample)) {
        SetLastError("Tones cannot be measured in " + std::to_string(format.nSamplesPerSec) + " Hz " +
                     std::to_string(format.wBitsPerSample) + "-bit recordings.");
        zem::Trace("DetectTones: %s\n", GetLastError().c_str());
        return false;
    }
    ToneSettings settings;
    for (int i = root->FindChildIndex("tone"); i >= 0; i = root->FindChildIndex("tone", i + 1)) {
        XmlElement& tone = *root->GetChild(static_cast<uint16_t>(i));
        settings.ReadFrom(tone);
        FindSpans(*this, format, detector, settings, tone);
    }
    return true;
}
