#include "codec/codec.h"

#include "codec/driver.h"

#include <algorithm>
#include <vector>

namespace zem::codec {
namespace {

const Driver* FindById(DriverId id)
{
    const auto& drivers = AllDrivers();
    if (id == 0 || id > drivers.size())
        return nullptr;
    return drivers[id - 1];
}

bool IsDescribed(const WaveFormat& f)
{
    return f.channels != 0 && f.samplesPerSec != 0 && f.blockAlign != 0;
}

}  // namespace

std::vector<DriverId> EnumerateDrivers()
{
    std::vector<DriverId> ids(AllDrivers().size());
    for (size_t i = 0; i < ids.size(); ++i)
        ids[i] = static_cast<DriverId>(i + 1);
    return ids;
}

MMRESULT GetDriverDetails(DriverId driver, DriverDetails& out)
{
    const Driver* d = FindById(driver);
    if (!d)
        return MMSYSERR_INVALHANDLE;
    out.shortName = d->ShortName();
    out.longName = d->LongName();
    out.formatTag = d->FormatTag();
    return MMSYSERR_NOERROR;
}

MMRESULT EnumerateFormats(DriverId driver, const std::function<bool(const WaveFormat&)>& callback)
{
    const Driver* d = FindById(driver);
    if (!d)
        return MMSYSERR_INVALHANDLE;
    for (const WaveFormat& format : d->Formats())
        if (!callback(format))
            break;
    return MMSYSERR_NOERROR;
}

Stream::Stream(const WaveFormat& source, const WaveFormat& target,
               std::unique_ptr<BlockCoder> coder)
    : source_(source), target_(target), coder_(std::move(coder))
{
}

Stream::~Stream() = default;

size_t Stream::SourceBlockBytes() const
{
    return coder_->SourceBlockBytes();
}

size_t Stream::TargetBlockBytes() const
{
    return coder_->TargetBlockBytes();
}

size_t Stream::TargetSize(size_t sourceBytes, bool end) const
{
    size_t blocks = sourceBytes / SourceBlockBytes();
    if (end && source_.formatTag == WAVE_FORMAT_PCM && sourceBytes % SourceBlockBytes() != 0)
        ++blocks;
    return blocks * TargetBlockBytes();
}

MMRESULT Stream::Convert(std::span<const uint8_t> source, std::span<uint8_t> target, bool end,
                         ConvertCount& count)
{
    count = {};
    const size_t inBlock = SourceBlockBytes();
    const size_t outBlock = TargetBlockBytes();
    const size_t wholeBlocks = source.size() / inBlock;
    const size_t roomBlocks = target.size() / outBlock;
    if (wholeBlocks > 0 && roomBlocks == 0)
        return MMSYSERR_INVALPARAM;

    const size_t blocks = std::min(wholeBlocks, roomBlocks);
    coder_->Convert(source.data(), target.data(), blocks);
    count.used = blocks * inBlock;
    count.produced = blocks * outBlock;

    const size_t rest = source.size() - count.used;
    const bool padTail = end && source_.formatTag == WAVE_FORMAT_PCM && blocks == wholeBlocks &&
                         rest > 0 && rest < inBlock && target.size() - count.produced >= outBlock;
    if (padTail) {
        // Silence is 0 in 16-bit PCM, the only PCM a driver reads.
        std::vector<uint8_t> last(inBlock, source_.bitsPerSample == 8 ? 128 : 0);
        std::copy(source.begin() + static_cast<ptrdiff_t>(count.used), source.end(), last.begin());
        coder_->Convert(last.data(), target.data() + count.produced, 1);
        count.used += rest;
        count.produced += outBlock;
    }
    return MMSYSERR_NOERROR;
}

void Stream::Reset()
{
    coder_->Reset();
}

MMRESULT OpenStream(DriverId driver, const WaveFormat& source, const WaveFormat& target,
                    std::unique_ptr<Stream>& out)
{
    out.reset();
    if (driver != 0 && !FindById(driver))
        return MMSYSERR_INVALHANDLE;
    if (!IsDescribed(source) || !IsDescribed(target))
        return MMSYSERR_INVALPARAM;

    std::unique_ptr<BlockCoder> coder;
    if (driver != 0) {
        coder = FindById(driver)->Open(source, target);
    } else if (source.formatTag == WAVE_FORMAT_PCM && target.formatTag == WAVE_FORMAT_PCM) {
        coder = OpenPcmConverter(source, target);
    } else {
        for (const Driver* d : AllDrivers())
            if ((coder = d->Open(source, target)))
                break;
    }
    if (!coder)
        return ACMERR_NOTPOSSIBLE;
    out = std::make_unique<Stream>(source, target, std::move(coder));
    return MMSYSERR_NOERROR;
}

WaveFormat DecodedPcmFormat(const WaveFormat& source)
{
    return MakePcmFormat(source.samplesPerSec, source.channels, 16);
}

}  // namespace zem::codec
