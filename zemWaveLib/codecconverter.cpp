#include "zemWaveLib/codecconverter.h"

#include "base/paths.h"
#include "base/tempname.h"
#include "base/threadqueue.h"
#include "base/trace.h"
#include "zemWaveLib/codecwavefile.h"

#include <algorithm>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <filesystem>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

using zem::CodecWaveFile;
using zem::MMRESULT;
using zem::WaveFormat;
using zem::WaveLayout;
namespace codec = zem::codec;

namespace {

std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));

std::string Format(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    va_list copy;
    va_copy(copy, args);
    const int size = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    std::string text(size > 0 ? static_cast<size_t>(size) : 0, '\0');
    std::vsnprintf(text.data(), text.size() + 1, format, args);
    va_end(args);
    return text;
}

unsigned ErrorCode(int error)
{
    return static_cast<unsigned>(error);
}

bool SameFile(const std::string& a, const std::string& b)
{
    struct stat sa {}, sb {};
    return stat(a.c_str(), &sa) == 0 && stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev &&
           sa.st_ino == sb.st_ino;
}

void RemoveFile(const std::string& path)
{
    std::error_code ec;
    std::filesystem::remove(path, ec);
}

bool EqualNoCase(std::string_view a, std::string_view b)
{
    return std::ranges::equal(a, b, [](char x, char y) {
        const auto lower = [](char c) {
            return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
        };
        return lower(x) == lower(y);
    });
}

// The piece of source read at once: about one second, in whole blocks, at least one block;
// a rate stated absurdly high by a broken header is capped.
size_t SecondOfBlocks(const WaveFormat& format)
{
    constexpr size_t kMostBytes = size_t{4} << 20;
    const size_t block = format.blockAlign;
    const size_t second = std::min<size_t>(format.avgBytesPerSec, kMostBytes);
    return std::max(block, second / block * block);
}

}  // namespace

// Where a conversion writes: the destination itself, or, when the destination is the source,
// a temporary file that replaces the source once the conversion is complete. Whatever is not
// committed is removed, so a failed or cancelled conversion leaves nothing behind.
class CodecConverter::Output {
public:
    ~Output()
    {
        file_.Close();
        if (!committed_ && created_)
            RemoveFile(workPath_);
    }

    // Paths are native. False with errno in Error().
    bool Open(const std::string& destination, const std::string& source)
    {
        if (SameFile(destination, source)) {
            replaces_ = source;
            temporaryPath_ = zem::CreateTempFile("ksd", ".tmp");
            if (temporaryPath_.empty()) {
                error_ = errno;
                temporaryPath_ = zem::TempFolder() + "/ksdXXXXXX.tmp";
                return false;
            }
            workPath_ = temporaryPath_;
            created_ = true;
        } else {
            workPath_ = destination;
        }
        if (!file_.Create(workPath_)) {
            error_ = file_.Error();
            return false;
        }
        created_ = true;
        return true;
    }

    // The temporary file that stands in for the source; empty when writing the destination.
    const std::string& TemporaryPath() const { return temporaryPath_; }
    CodecWaveFile& File() { return file_; }
    int Error() const { return error_; }

    // Closes the file and, when it stands in for the source, copies it over the source.
    bool Commit()
    {
        file_.Close();
        if (!replaces_.empty()) {
            std::error_code ec;
            std::filesystem::copy_file(workPath_, replaces_,
                                       std::filesystem::copy_options::overwrite_existing, ec);
            if (ec) {
                error_ = ec.value();
                return false;
            }
            RemoveFile(workPath_);
        }
        committed_ = true;
        return true;
    }

private:
    CodecWaveFile file_;
    std::string workPath_;
    std::string temporaryPath_;
    std::string replaces_;
    int error_ = 0;
    bool created_ = false;
    bool committed_ = false;
};

CodecConverter::CodecConverter(ProgressWindow* window, const std::atomic<int32_t>* runFlag,
                               zem::ThreadQueue* thread)
    : window_(window), thread_(thread), runFlag_(runFlag), drivers_(codec::EnumerateDrivers())
{
}

CodecConverter::~CodecConverter() = default;

int CodecConverter::GetDriverCount() const
{
    return static_cast<int>(drivers_.size());
}

int CodecConverter::GetDriverInfo(uint16_t index, std::string& name, uint16_t& formatTag) const
{
    const int count = GetDriverCount();
    if (index >= count)
        return count;
    GetDriverFormatTag(drivers_[index], formatTag);
    return GetDriverName(drivers_[index], name) ? 1 : 0;
}

bool CodecConverter::GetDriverName(codec::DriverId driver, std::string& name) const
{
    codec::DriverDetails details;
    if (codec::GetDriverDetails(driver, details) != zem::MMSYSERR_NOERROR) {
        name.clear();
        return false;
    }
    name = details.shortName;
    return true;
}

bool CodecConverter::GetDriverFormatTag(codec::DriverId driver, uint16_t& formatTag) const
{
    uint16_t found = 0;
    const MMRESULT result = codec::EnumerateFormats(driver, [&](const WaveFormat& f) {
        if (f.formatTag == zem::WAVE_FORMAT_PCM)
            return true;
        found = f.formatTag;
        return false;
    });
    formatTag = result == zem::MMSYSERR_NOERROR ? found : 0;
    return result == zem::MMSYSERR_NOERROR;
}

bool CodecConverter::FindDriver(uint16_t formatTag, codec::DriverId& driver) const
{
    for (int i = 0; i < GetDriverCount(); ++i) {
        uint16_t tag = 0;
        if (GetDriverFormatTag(drivers_[static_cast<size_t>(i)], tag) && tag == formatTag) {
            driver = drivers_[static_cast<size_t>(i)];
            return true;
        }
    }
    driver = 0;
    return false;
}

bool CodecConverter::FindDriverByName(std::string_view name, codec::DriverId& driver) const
{
    for (int i = 0; i < GetDriverCount(); ++i) {
        std::string driverName;
        if (GetDriverName(drivers_[static_cast<size_t>(i)], driverName) &&
            EqualNoCase(driverName, name)) {
            driver = drivers_[static_cast<size_t>(i)];
            return true;
        }
    }
    driver = 0;
    return false;
}

std::optional<WaveFormat> CodecConverter::GetDriverFormat(codec::DriverId driver,
                                                          uint16_t formatTag) const
{
    std::optional<WaveFormat> found;
    codec::EnumerateFormats(driver, [&](const WaveFormat& f) {
        if (f.formatTag != formatTag)
            return true;
        found = f;
        return false;
    });
    return found;
}

bool CodecConverter::Fail(std::string text)
{
    zem::Trace("CodecConverter: %s", text.c_str());
    lastError_ = std::move(text);
    return false;
}

void CodecConverter::Notify(uint32_t message, intptr_t lParam)
{
    if (window_) {
        try {
            window_->SendProgress(message, 0, lParam);
        } catch (const std::exception& e) {
            zem::Trace("CodecConverter: progress window failed: %s", e.what());
        } catch (...) {
            zem::Trace("CodecConverter: progress window failed");
        }
    }
    if (thread_)
        thread_->Post(message, 0, lParam);
}

void CodecConverter::NotifyPercent(double percent)
{
    Notify(kProgressMessage, PercentToParam(percent));
}

bool CodecConverter::OpenSource(const std::string& source, CodecWaveFile& file,
                                WaveLayout& layout)
{
    if (!file.OpenRead(zem::MapPath(source)))
        return Fail(Format("Open file '%s' failed (0x%X)!", source.c_str(),
                           ErrorCode(file.Error())));
    if (!file.ReadLayout(layout))
        return Fail(Format("File '%s' ist not a valid audio file!", source.c_str()));
    return true;
}

bool CodecConverter::WriteHeader(CodecWaveFile& file, const std::string& name,
                                 const WaveFormat& format, const std::string& between,
                                 std::optional<uint32_t> dataSize)
{
    // The first header has zero lengths; the final one the real ones.
    const int64_t length = dataSize ? file.Length() : 0;
    if (length >= 0 && file.WriteHeader(format, between, dataSize.value_or(0),
                                        static_cast<uint32_t>(length)))
        return true;
    return Fail(Format("Write to file '%s' failed (0x%X)!", name.c_str(), ErrorCode(file.Error())));
}

bool CodecConverter::Pump(CodecWaveFile& in, Output& out, const std::string& outName,
                          uint32_t dataSize, size_t piece, codec::Stream& stream,
                          double progressFrom, uint32_t& produced)
{
    std::vector<uint8_t> pending;
    std::vector<uint8_t> converted;
    produced = 0;

    // Converts what is pending; a rest shorter than a block waits for more (or, at the end,
    // is padded when it is PCM and dropped when it is a broken compressed block).
    auto convertPending = [&](bool end) {
        while (!pending.empty()) {
            converted.resize(stream.TargetSize(pending.size(), end));
            codec::ConvertCount count;
            const MMRESULT result = stream.Convert(pending, converted, end, count);
            if (result != zem::MMSYSERR_NOERROR)
                return Fail(Format("acmStreamConvert() failed (0x%x)!", result));
            if (!out.File().Write(converted.data(), count.produced))
                return Fail(Format("Write to file '%s' failed (0x%X)!", outName.c_str(),
                                   ErrorCode(out.File().Error())));
            produced += static_cast<uint32_t>(count.produced);
            pending.erase(pending.begin(), pending.begin() + static_cast<ptrdiff_t>(count.used));
            if (count.used == 0)
                break;
        }
        return true;
    };

    uint64_t done = 0;
    while (done < dataSize) {
        NotifyPercent(progressFrom + static_cast<double>(done) / dataSize * 50.0);
        std::this_thread::yield();
        if (runFlag_ && runFlag_->load() != 1)
            return Fail("Cancelled by user!");
        // Never past the data: chunks may follow it.
        const size_t want = static_cast<size_t>(std::min<uint64_t>(piece, dataSize - done));
        const size_t kept = pending.size();
        pending.resize(kept + want);
        const ptrdiff_t got = in.Read(pending.data() + kept, want);
        if (got < 0)
            return Fail(Format("Read of the source failed (0x%X)!", ErrorCode(in.Error())));
        pending.resize(kept + static_cast<size_t>(got));
        if (got == 0)
            break;
        done += static_cast<uint64_t>(got);
        if (!convertPending(false))
            return false;
    }
    return convertPending(true);
}

bool CodecConverter::DecodeToPcm(const std::string& source, const std::string& destination)
{
    CodecWaveFile in;
    WaveLayout layout;
    if (!OpenSource(source, in, layout))
        return false;

    codec::DriverId driver = 0;
    if (!FindDriver(layout.format.formatTag, driver))
        return Fail(Format("Driver for codec %d not found!", layout.format.formatTag));
    const std::optional<WaveFormat> driverPcm = GetDriverFormat(driver, zem::WAVE_FORMAT_PCM);
    if (!driverPcm)
        return Fail("Cannot get driver format for format tag WAVE_FORMAT_PCM!");
    // The driver's PCM at the source's rate and channel count, so that every recording the
    // driver reads decodes, not only those in the first format it lists.
    const WaveFormat pcm = zem::MakePcmFormat(layout.format.samplesPerSec, layout.format.channels,
                                              driverPcm->bitsPerSample);

    Notify(kStartMessage, static_cast<intptr_t>(in.Length()));

    std::unique_ptr<codec::Stream> stream;
    const MMRESULT opened = codec::OpenStream(0, layout.format, pcm, stream);
    if (opened != zem::MMSYSERR_NOERROR)
        return Fail(Format("acmStreamOpen() failed (0x%x)!", opened));

    Output out;
    if (!out.Open(zem::MapPath(destination), zem::MapPath(source))) {
        const std::string& name = out.TemporaryPath().empty() ? destination : out.TemporaryPath();
        return Fail(Format("Open temporary file '%s' failed (0x%X)!", name.c_str(),
                           ErrorCode(out.Error())));
    }
    uint32_t produced = 0;
    if (!WriteHeader(out.File(), destination, pcm, layout.between, std::nullopt) ||
        !Pump(in, out, destination, layout.dataSize, SecondOfBlocks(layout.format), *stream, 0.0,
              produced) ||
        !WriteHeader(out.File(), destination, pcm, layout.between, produced))
        return false;
    in.Close();
    if (!out.Commit())
        return Fail(Format("Write to file '%s' failed (0x%X)!", source.c_str(),
                           ErrorCode(out.Error())));
    return true;
}

bool CodecConverter::DecodeToTempFile(const std::string& source, std::string& decodedPath)
{
    decodedPath = zem::CreateTempFile("tmpdec", ".wav");
    if (decodedPath.empty())
        return Fail(Format("Creating temporary file '%s' failed (0x%X)!",
                           (zem::TempFolder() + "/tmpdecXXXXXX.wav").c_str(), ErrorCode(errno)));
    if (DecodeToPcm(source, decodedPath))
        return true;
    RemoveFile(decodedPath);
    decodedPath.clear();
    return false;
}

bool CodecConverter::EncodeFromPcm(const std::string& source, uint16_t formatTag,
                                   const std::string& destination)
{
    codec::DriverId driver = 0;
    if (!FindDriver(formatTag, driver))
        return Fail(Format("Driver for codec %d not found!", formatTag));
    const std::optional<WaveFormat> target = GetDriverFormat(driver, formatTag);
    if (!target)
        return Fail(Format("Cannot get driver format for format tag %d!", formatTag));
    const std::optional<WaveFormat> pcm = GetDriverFormat(driver, zem::WAVE_FORMAT_PCM);
    if (!pcm)
        return Fail("Cannot get driver format for format tag WAVE_FORMAT_PCM!");

    CodecWaveFile in;
    WaveLayout layout;
    if (!OpenSource(source, in, layout))
        return false;
    Notify(kStartMessage, static_cast<intptr_t>(in.Length()));

    // Step 1: the source to the driver's PCM format, in a temporary file.
    std::unique_ptr<codec::Stream> toPcm;
    MMRESULT opened = codec::OpenStream(0, layout.format, *pcm, toPcm);
    if (opened != zem::MMSYSERR_NOERROR)
        return Fail(Format("acmStreamOpen() failed (0x%x)!", opened));

    const std::string suffix = Format("_%x_%x.tmp", static_cast<unsigned>(getpid()),
                                      static_cast<unsigned>(gettid()));
    const std::string pcmPath = zem::CreateTempFile("ksd", suffix);
    if (pcmPath.empty())
        return Fail(Format("Creating temporary file '%s' failed (0x%X)!",
                           (zem::TempFolder() + "/ksdXXXXXX" + suffix).c_str(), ErrorCode(errno)));
    const struct RemoveWhenDone {
        const std::string& path;
        ~RemoveWhenDone() { RemoveFile(path); }
    } removePcm{pcmPath};

    {
        Output pcmOut;
        if (!pcmOut.Open(pcmPath, zem::MapPath(source)))
            return Fail(Format("Creating temporary file '%s' failed (0x%X)!", pcmPath.c_str(),
                               ErrorCode(pcmOut.Error())));
        uint32_t pcmSize = 0;
        if (!WriteHeader(pcmOut.File(), pcmPath, *pcm, layout.between, std::nullopt) ||
            !Pump(in, pcmOut, pcmPath, layout.dataSize, SecondOfBlocks(layout.format), *toPcm, 0.0,
                  pcmSize) ||
            !WriteHeader(pcmOut.File(), pcmPath, *pcm, layout.between, pcmSize))
            return false;
        pcmOut.Commit();
    }
    in.Close();

    // Step 2: the driver's PCM to the target format.
    CodecWaveFile pcmIn;
    WaveLayout pcmLayout;
    if (!pcmIn.OpenRead(pcmPath))
        return Fail(Format("Open temporary file '%s' for converting PCM to final format failed "
                           "(0x%X)!",
                           pcmPath.c_str(), ErrorCode(pcmIn.Error())));
    if (!pcmIn.ReadLayout(pcmLayout))
        return Fail(Format("File '%s' ist not a valid audio file!", pcmPath.c_str()));

    const std::string& finalName = destination.empty() ? source : destination;
    Output out;
    if (!out.Open(zem::MapPath(finalName), zem::MapPath(source))) {
        const std::string& name = out.TemporaryPath().empty() ? finalName : out.TemporaryPath();
        return Fail(Format("Open destination file '%s' failed (0x%X)!", name.c_str(),
                           ErrorCode(out.Error())));
    }
    if (!WriteHeader(out.File(), finalName, *target, pcmLayout.between, std::nullopt))
        return false;

    std::unique_ptr<codec::Stream> toTarget;
    opened = codec::OpenStream(driver, *pcm, *target, toTarget);
    if (opened != zem::MMSYSERR_NOERROR)
        return Fail(Format("acmStreamOpen() failed (0x%x)!", opened));

    uint32_t produced = 0;
    if (!Pump(pcmIn, out, finalName, pcmLayout.dataSize, pcm->samplesPerSec, *toTarget, 50.0,
              produced) ||
        !WriteHeader(out.File(), finalName, *target, pcmLayout.between, produced))
        return false;
    NotifyPercent(100.0);
    Notify(kEncodeEndMessage, static_cast<intptr_t>(out.File().Length()));
    if (!out.Commit())
        return Fail(Format("Write to file '%s' failed (0x%X)!", finalName.c_str(),
                           ErrorCode(out.Error())));
    return true;
}
