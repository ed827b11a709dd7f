#include "zemWave/engine/effectrunner.h"

#include "zemWave/engine/soxeffectnames.h"

#include "base/littleendian.h"
#include "base/riff.h"
#include "base/trace.h"

#include <sox.h>

#include <algorithm>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <optional>

namespace {

constexpr int kRunFailed = 1;
constexpr size_t kMaxEffects = 14;
constexpr uint32_t kWavHeaderSize = 44;
constexpr size_t kStdoutBuffer = 8192;

const char kUsage[] =
    "Usage: sox [ gopts ] [ fopts ] ifile [ fopts ] ofile [ effect [ effopts ] ]\n\n"
    "gopts: -e -h -p -v volume -V\n\n"
    "fopts: -r rate -c channels -s/-u/-U/-A/-a/-i/-g/-f -b/-w/-l -x\n\n";

// libsox and the texts of a run are process-wide: one run at a time.
std::mutex g_runMutex;
std::string g_lastError;  // under g_runMutex
std::string g_soxFailure; // libsox's own failure text of the current run, under g_runMutex

std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string Format(const char* format, ...)
{
    char text[1024];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    return text;
}

// Reports and warnings stay quiet; a failure is kept as the run's error text.
void OnSoxMessage(unsigned level, const char*, const char* format, va_list args)
{
    if (level != 1)
        return;
    char text[1024];
    std::vsnprintf(text, sizeof text, format, args);
    g_soxFailure = text;
}

void InitSoxOnce()
{
    static std::once_flag once;
    std::call_once(once, [] {
        sox_globals_t* globals = sox_get_globals();
        globals->verbosity = 1;
        globals->output_message_handler = OnSoxMessage;
        if (sox_init() != SOX_SUCCESS)
            zem::Trace("effects: sox_init failed");
    });
}

struct FileOptions {
    unsigned rate = 0;
    unsigned channels = 0;
    sox_encoding_t encoding = SOX_ENCODING_UNKNOWN;
    unsigned bits = 0;
    bool swapBytes = false;

    const sox_signalinfo_t* Signal(sox_signalinfo_t& storage) const
    {
        if (!rate && !channels)
            return nullptr;
        storage = sox_signalinfo_t{};
        storage.rate = rate;
        storage.channels = channels;
        return &storage;
    }
    const sox_encodinginfo_t* Encoding(sox_encodinginfo_t& storage) const
    {
        if (encoding == SOX_ENCODING_UNKNOWN && !bits && !swapBytes)
            return nullptr;
        storage = sox_encodinginfo_t{};
        storage.encoding = encoding;
        storage.bits_per_sample = bits;
        storage.reverse_bytes = swapBytes ? sox_option_yes : sox_option_default;
        storage.reverse_nibbles = sox_option_default;
        storage.reverse_bits = sox_option_default;
        return &storage;
    }
};

struct FileSpec {
    std::string name;
    FileOptions options;
};

// The command line of one run, as the sox program reads it.
struct Command {
    double volume = 1.0;
    bool noOutput = false;  // "-e": run the effects, write nothing
    std::vector<FileSpec> files;  // the inputs, then the output (none with noOutput)
    std::vector<std::vector<std::string>> effects;  // name, then its options
};

// libsox's own "input" and "output" ends of a chain are no effects of the command line.
bool IsUserEffect(const std::string& name)
{
    return name != "input" && name != "output" && FindOldEffect(name);
}

// Empty on success, else the error text.
std::string ParseCommand(int argc, const char* const* argv, int inputCount, Command& command)
{
    FileOptions options;
    int i = 1;
    const size_t fileCount = static_cast<size_t>(inputCount) + 1;
    while (i < argc && command.files.size() < fileCount && !command.noOutput) {
        const std::string word = argv[i++];
        if (word.size() < 2 || word[0] != '-') {
            command.files.push_back({word, options});
            options = FileOptions{};
            continue;
        }
        // Option letters may be grouped ("-sw"); a value follows in the same word or the next.
        for (size_t k = 1; k < word.size(); ++k) {
            const char letter = word[k];
            std::string value;
            if (letter == 'r' || letter == 'c' || letter == 'v') {
                if (k + 1 < word.size())
                    value = word.substr(k + 1);
                else if (i < argc)
                    value = argv[i++];
                else
                    return kUsage;
                k = word.size();
            }
            switch (letter) {
            case 'e':
                if (command.files.size() < static_cast<size_t>(inputCount))
                    return "Can only specify \"-e\" for output filenames";
                command.noOutput = true;
                break;
            case 'h':
                return kUsage;
            case 'p':  // preview mode: libsox has none, the run is the same
            case 'V':  // verbosity: reports are not shown anyway
                break;
            case 'v':
                if (std::sscanf(value.c_str(), "%lf", &command.volume) != 1)
                    return Format("Volume value '%s' is not a number", value.c_str());
                break;
            case 'r': {
                int rate = 0;
                if (std::sscanf(value.c_str(), "%d", &rate) != 1 || rate <= 0)
                    return "-r must be given a positive integer";
                options.rate = static_cast<unsigned>(rate);
                break;
            }
            case 'c': {
                int channels = 0;
                if (std::sscanf(value.c_str(), "%d", &channels) != 1 || channels <= 0)
                    return "-c must be given a number";
                options.channels = static_cast<unsigned>(channels);
                break;
            }
            case 's': options.encoding = SOX_ENCODING_SIGN2; break;
            case 'u': options.encoding = SOX_ENCODING_UNSIGNED; break;
            case 'U': options.encoding = SOX_ENCODING_ULAW; break;
            case 'A': options.encoding = SOX_ENCODING_ALAW; break;
            case 'a': options.encoding = SOX_ENCODING_MS_ADPCM; break;
            case 'i': options.encoding = SOX_ENCODING_IMA_ADPCM; break;
            case 'g': options.encoding = SOX_ENCODING_GSM; break;
            case 'f': options.encoding = SOX_ENCODING_FLOAT; break;
            case 'b': options.bits = 8; break;
            case 'w': options.bits = 16; break;
            case 'l': options.bits = 32; break;
            case 'x': options.swapBytes = true; break;
            default:
                return kUsage;
            }
        }
        if (command.noOutput)
            command.files.push_back({"", options});
    }
    if (command.files.size() < static_cast<size_t>(inputCount))
        return "Not enough input files specified";
    if (command.files.size() < fileCount)
        return "No output file?";

    for (; i < argc; ++i) {
        const std::string word = argv[i];
        if (IsUserEffect(word)) {
            if (command.effects.size() == kMaxEffects)
                return "To many effects specified.\n";
            command.effects.push_back({word});
        } else if (command.effects.empty()) {
            return Format("Effect '%s' is not known!", word.c_str());
        } else {
            command.effects.back().push_back(word);
        }
    }
    return {};
}

// The type word of an output name: what follows the last "." after the last separator.
std::string TypeFromName(const std::string& name)
{
    const size_t slash = name.find_last_of("\\/");
    const size_t dot = name.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return {};
    return name.substr(dot + 1);
}

struct FormatCloser {
    void operator()(sox_format_t* format) const { sox_close(format); }
};
using FormatPtr = std::unique_ptr<sox_format_t, FormatCloser>;

struct ChainDeleter {
    void operator()(sox_effects_chain_t* chain) const { sox_delete_effects_chain(chain); }
};

// The first input effect of a run with two inputs: reads both and mixes them half and half.
struct MixTwoState {
    sox_format_t* first;
    sox_format_t* second;
};

int MixTwoDrain(sox_effect_t* effect, sox_sample_t* out, size_t* samples)
{
    auto* state = static_cast<MixTwoState*>(effect->priv);
    const size_t want = *samples - *samples % effect->out_signal.channels;
    std::vector<sox_sample_t> other(want);
    const size_t a = sox_read(state->first, out, want);
    const size_t b = sox_read(state->second, other.data(), want);
    const size_t got = std::max(a, b);
    for (size_t k = 0; k < got; ++k) {
        const sox_sample_t x = k < a ? out[k] : 0;
        const sox_sample_t y = k < b ? other[k] : 0;
        out[k] = x / 2 + y / 2;
    }
    *samples = got;
    return got ? SOX_SUCCESS : SOX_EOF;
}

const sox_effect_handler_t* MixTwoHandler()
{
    static const sox_effect_handler_t handler = {
        "mixtwo", nullptr, SOX_EFF_MCHAN, nullptr, nullptr, nullptr,
        MixTwoDrain, nullptr, nullptr, sizeof(MixTwoState)};
    return &handler;
}

// An effect on its way into a chain. The chain takes over its private area once it is added;
// before that, the area is ours to free.
class NewEffect {
public:
    explicit NewEffect(const sox_effect_handler_t* handler) : effect_(sox_create_effect(handler)) {}
    ~NewEffect()
    {
        if (!effect_)
            return;
        if (!added_)
            std::free(effect_->priv);
        std::free(effect_);
    }
    NewEffect(const NewEffect&) = delete;
    NewEffect& operator=(const NewEffect&) = delete;

    sox_effect_t* get() const { return effect_; }
    bool Add(sox_effects_chain_t* chain, sox_signalinfo_t& signal, const sox_signalinfo_t& target)
    {
        added_ = sox_add_effect(chain, effect_, &signal, &target) == SOX_SUCCESS;
        return added_;
    }

private:
    sox_effect_t* effect_;
    bool added_ = false;
};

// Adds one effect with text options; the error text on failure.
std::string AddEffect(sox_effects_chain_t* chain, const sox_effect_handler_t* handler,
                      const std::vector<std::string>& options, sox_signalinfo_t& signal,
                      const sox_signalinfo_t& target, void* priv = nullptr)
{
    NewEffect effect(handler);
    if (!effect.get())
        return Format("Effect '%s' is not known!", handler->name);
    std::vector<std::string> copies(options);
    std::vector<char*> args;
    for (std::string& option : copies)
        args.push_back(option.data());
    args.push_back(nullptr);
    if (priv)
        std::memcpy(effect.get()->priv, priv, handler->priv_size);
    g_soxFailure.clear();
    if (sox_effect_options(effect.get(), static_cast<int>(copies.size()), args.data()) != SOX_SUCCESS)
        return g_soxFailure.empty() ? Format("Usage: %s %s", handler->name, handler->usage ? handler->usage : "")
                                    : g_soxFailure;
    if (!effect.Add(chain, signal, target))
        return g_soxFailure.empty() ? Format("Effect '%s' could not be added", handler->name) : g_soxFailure;
    return {};
}

// One whole run under the run lock; the error text, empty on success.
std::string Run(const Command& command, int inputCount, int ioMode,
                const uint8_t* const buffers[2], const uint32_t lengths[2],
                uint8_t** output, uint32_t* outputLength)
{
    std::vector<FormatPtr> inputs;
    for (int k = 0; k < inputCount; ++k) {
        const FileSpec& file = command.files[static_cast<size_t>(k)];
        sox_signalinfo_t signal;
        sox_encodinginfo_t encoding;
        const sox_signalinfo_t* knownSignal = file.options.Signal(signal);
        const sox_encodinginfo_t* knownEncoding = file.options.Encoding(encoding);
        g_soxFailure.clear();
        sox_format_t* format = nullptr;
        if (ioMode == kSoxIoMemory && file.name != "-") {
            if (!buffers[k] || lengths[k] == 0)
                return Format("Bad Input buffer length '%d' ", static_cast<int>(lengths[k]));
            format = sox_open_mem_read(const_cast<uint8_t*>(buffers[k]), lengths[k], knownSignal,
                                       knownEncoding, nullptr);
        } else {
            if (file.name != "-") {
                std::FILE* probe = std::fopen(file.name.c_str(), "rb");
                if (!probe)
                    return Format("Can't open input file '%s': %s", file.name.c_str(), std::strerror(errno));
                std::fclose(probe);
            }
            format = sox_open_read(file.name.c_str(), knownSignal, knownEncoding, nullptr);
        }
        if (!format)
            return Format("Unknown input file format for '%s':  %s", file.name.c_str(),
                          g_soxFailure.empty() ? "not recognised" : g_soxFailure.c_str());
        inputs.emplace_back(format);
    }
    const sox_format_t& first = *inputs[0];
    if (inputs.size() == 2) {
        const sox_format_t& second = *inputs[1];
        if (first.signal.rate != second.signal.rate || first.signal.channels != second.signal.channels ||
            first.encoding.bits_per_sample != second.encoding.bits_per_sample ||
            first.encoding.encoding != second.encoding.encoding)
            return "Input files must have the same rate, channels, data size, and encoding";
    }

    // Which user effects change the channel count or the rate.
    bool changesLength = command.volume != 1.0;
    int channelEffects = 0;
    int rateEffects = 0;
    for (const auto& effect : command.effects) {
        const unsigned flags = FindOldEffect(effect[0])->flags;
        channelEffects += (flags & SOX_EFF_CHAN) ? 1 : 0;
        rateEffects += (flags & SOX_EFF_RATE) ? 1 : 0;
        changesLength = changesLength || (flags & (SOX_EFF_CHAN | SOX_EFF_RATE | SOX_EFF_LENGTH));
    }
    if (channelEffects > 1)
        return "Can not specify multiple effects that modify channel #";
    if (rateEffects > 1)
        return "Can not specify multiple effects that change sample rate";

    // The output takes the input's signal and encoding unless its options say otherwise.
    const FileSpec& outFile = command.files.back();
    sox_signalinfo_t outSignal = first.signal;
    if (outFile.options.rate)
        outSignal.rate = outFile.options.rate;
    if (outFile.options.channels)
        outSignal.channels = outFile.options.channels;
    const bool converts = outSignal.rate != first.signal.rate || outSignal.channels != first.signal.channels;
    // A length the header can carry only when nothing changes it; otherwise the header says
    // "unknown" and readers go by the data that is there.
    outSignal.length = changesLength || converts ? 0 : first.signal.length;
    sox_encodinginfo_t outEncoding = first.encoding;
    if (outFile.options.encoding != SOX_ENCODING_UNKNOWN) {
        if (outFile.options.encoding != first.encoding.encoding)
            outEncoding.bits_per_sample = 0;
        outEncoding.encoding = outFile.options.encoding;
    }
    if (outFile.options.bits)
        outEncoding.bits_per_sample = outFile.options.bits;
    if (outFile.options.swapBytes)
        outEncoding.reverse_bytes = sox_option_yes;

    char* memory = nullptr;
    size_t memorySize = 0;
    g_soxFailure.clear();
    sox_format_t* outFormat = nullptr;
    const bool memoryOutput = !command.noOutput && ioMode == kSoxIoMemory && outFile.name != "-";
    if (command.noOutput)
        outFormat = sox_open_write("", &outSignal, &outEncoding, "null", nullptr, nullptr);
    else if (memoryOutput)
        outFormat = sox_open_memstream_write(&memory, &memorySize, &outSignal, &outEncoding,
                                             TypeFromName(outFile.name).c_str(), nullptr);
    else {
        const std::string type = TypeFromName(outFile.name);
        outFormat = sox_open_write(outFile.name.c_str(), &outSignal, &outEncoding,
                                   type.empty() ? nullptr : type.c_str(), nullptr, nullptr);
    }
    // libsox decides seekability with an fstat that fails on a memory stream and then reads
    // an uninitialised result; a "seekable" memory output gets its header rewritten at
    // close, which moves the stream's end back to the header and drops every sample.
    if (outFormat && memoryOutput)
        outFormat->seekable = sox_false;
    if (!outFormat) {
        std::free(memory);
        return Format("Can't open output file '%s': %s", outFile.name.c_str(),
                      g_soxFailure.empty() ? "unknown type" : g_soxFailure.c_str());
    }
    FormatPtr out(outFormat);
    // Standard output takes the whole image through a buffer of the old front end's size.
    if (!command.noOutput && outFile.name == "-" && out->fp &&
        std::setvbuf(static_cast<std::FILE*>(out->fp), nullptr, _IOFBF, kStdoutBuffer) != 0)
        return "Can't set write buffer";

    std::string error;
    {
        std::unique_ptr<sox_effects_chain_t, ChainDeleter> chain(
            sox_create_effects_chain(&first.encoding, &out->encoding));
        sox_signalinfo_t signal = first.signal;
        if (inputs.size() == 2) {
            MixTwoState state{inputs[0].get(), inputs[1].get()};
            error = AddEffect(chain.get(), MixTwoHandler(), {}, signal, out->signal, &state);
        } else {
            NewEffect effect(sox_find_effect("input"));
            char* args[] = {reinterpret_cast<char*>(inputs[0].get()), nullptr};
            if (sox_effect_options(effect.get(), 1, args) != SOX_SUCCESS ||
                !effect.Add(chain.get(), signal, out->signal))
                error = "Can't read the input";
        }
        if (error.empty() && command.volume != 1.0)
            error = AddEffect(chain.get(), sox_find_effect("vol"), {Format("%g", command.volume), "amplitude"},
                              signal, out->signal);
        for (const auto& oldEffect : command.effects) {
            if (!error.empty())
                break;
            const std::vector<std::string> effect = ToLibsoxEffect(oldEffect, signal.channels, out->signal.channels);
            const std::vector<std::string> options(effect.begin() + 1, effect.end());
            error = AddEffect(chain.get(), sox_find_effect(effect[0].c_str()), options, signal, out->signal);
        }
        // The conversions between what the effects give and what the output takes.
        if (error.empty() && signal.channels > out->signal.channels)
            error = AddEffect(chain.get(), sox_find_effect("channels"), {}, signal, out->signal);
        if (error.empty() && signal.rate != out->signal.rate)
            error = AddEffect(chain.get(), sox_find_effect("rate"), {}, signal, out->signal);
        if (error.empty() && signal.channels != out->signal.channels)
            error = AddEffect(chain.get(), sox_find_effect("channels"), {}, signal, out->signal);
        if (error.empty()) {
            NewEffect effect(sox_find_effect("output"));
            char* args[] = {reinterpret_cast<char*>(out.get()), nullptr};
            if (sox_effect_options(effect.get(), 1, args) != SOX_SUCCESS ||
                !effect.Add(chain.get(), signal, out->signal))
                error = "Can't write the output";
        }
        if (error.empty()) {
            g_soxFailure.clear();
            if (sox_flow_effects(chain.get(), nullptr, nullptr) != SOX_SUCCESS)
                error = g_soxFailure.empty() ? "Processing the effects failed" : g_soxFailure;
        }
    }
    out.reset();  // flushes the memory output
    if (!error.empty() || memorySize > UINT32_MAX) {
        std::free(memory);
        return error.empty() ? "Output too large" : error;
    }
    if (output)
        *output = reinterpret_cast<uint8_t*>(memory);
    else
        std::free(memory);
    if (outputLength)
        *outputLength = static_cast<uint32_t>(memorySize);
    return {};
}

}  // namespace

int SoxMain(int argc, const char* const* argv, int inputCount, int ioMode,
            const uint8_t* input1, uint32_t length1, const uint8_t* input2, uint32_t length2,
            uint8_t** output, uint32_t* outputLength)
{
    if (output)
        *output = nullptr;
    if (outputLength)
        *outputLength = 0;
    std::lock_guard lock(g_runMutex);
    InitSoxOnce();
    g_lastError.clear();
    try {
        Command command;
        std::string error;
        if (argc < 1 || !argv || (inputCount != 1 && inputCount != 2) ||
            (ioMode != kSoxIoFiles && ioMode != kSoxIoMemory))
            error = kUsage;
        else
            error = ParseCommand(argc, argv, inputCount, command);
        if (error.empty()) {
            const uint8_t* const buffers[2] = {input1, input2};
            const uint32_t lengths[2] = {length1, length2};
            error = Run(command, inputCount, ioMode, buffers, lengths, output, outputLength);
        }
        if (error.empty())
            return 0;
        g_lastError = error;
    } catch (const std::exception& e) {
        g_lastError = e.what();
    }
    zem::Trace("effects: %s", g_lastError.c_str());
    return kRunFailed;
}

std::string SoxLastError()
{
    std::lock_guard lock(g_runMutex);
    return g_lastError;
}

int SoxBuildWavImage(SoxWavRecord& record)
{
    if (!record.inData && record.inDataLength > 0)
        return kRunFailed;
    const uint32_t size = record.inDataLength + kWavHeaderSize;
    auto* image = static_cast<uint8_t*>(std::malloc(size));
    if (!image)
        return kRunFailed;
    const uint32_t blockAlign = record.inBitsPerSample / 8 * record.inChannels;
    std::string format;
    zem::AppendLe16(format, static_cast<uint16_t>(record.inFormatTag));
    zem::AppendLe16(format, static_cast<uint16_t>(record.inChannels));
    zem::AppendLe32(format, record.inSampleRate);
    zem::AppendLe32(format, record.inSampleRate * blockAlign);
    zem::AppendLe16(format, static_cast<uint16_t>(blockAlign));
    zem::AppendLe16(format, static_cast<uint16_t>(record.inBitsPerSample));
    zem::RiffWriter riff(zem::RiffLength::Standard);
    riff.Chunk("fmt ", format);
    riff.ChunkHead("data", record.inDataLength);
    const std::string header = riff.Bytes(record.inDataLength);
    std::memcpy(image, header.data(), kWavHeaderSize);
    if (record.inDataLength > 0)
        std::memcpy(image + kWavHeaderSize, record.inData, record.inDataLength);
    record.inImage = image;
    record.inImageSize = size;
    record.outImage = nullptr;
    record.outImageSize = 0;
    return 0;
}

std::string SoxEncodingOption(const SoxWavRecord& record)
{
    std::string encoding = "-u";
    if (record.inFormatTag == 6)
        encoding = "-A";
    if (record.inBitsPerSample == 16)
        encoding = "-s";
    if (record.inBitsPerSample == 8)
        encoding = "-u";
    return encoding;
}

std::vector<std::string> SoxBandRejectArgs(int centreHz, int widthHz, const SoxWavRecord& record)
{
    const std::string encoding = SoxEncodingOption(record);
    return {"sox", encoding, "dummyin.wav", encoding, "dummyout.wav", "bandreject",
            std::to_string(centreHz), std::to_string(widthHz)};
}

int SoxBandReject(int centreHz, int widthHz, SoxWavRecord& record)
{
    return SoxRunOnRecord(SoxBandRejectArgs(centreHz, widthHz, record), record);
}

int SoxRunOnRecord(const std::vector<std::string>& args, SoxWavRecord& record)
{
    std::vector<const char*> argv;
    for (const std::string& arg : args)
        argv.push_back(arg.c_str());
    const int result = SoxMain(static_cast<int>(argv.size()), argv.data(), 1, kSoxIoMemory,
                               record.inImage, record.inImageSize, nullptr, 0,
                               &record.outImage, &record.outImageSize);
    if (result != 0)
        return result;
    return SoxParseWavImage(record);
}

int SoxParseWavImage(SoxWavRecord& record)
{
    record.outFormatTag = record.outChannels = record.outSampleRate = record.outBitsPerSample = 0;
    record.outData = nullptr;
    record.outDataLength = 0;
    const uint8_t* image = record.outImage;
    const uint32_t size = record.outImageSize;
    if (!image)
        return kRunFailed;
    zem::RiffReader riff = zem::RiffReader::OverBytes(image, size, zem::RiffPad::Always);
    zem::RiffHead head;
    if (riff.ReadHead(head) < 12 || !head.Is("RIFF", "WAVE"))
        return kRunFailed;
    bool haveFormat = false;
    zem::RiffChunk chunk;
    while (riff.Next(chunk) == zem::RiffReader::Step::Chunk) {
        const uint8_t* body = image + chunk.offset;
        if (chunk.Is("fmt ") && chunk.size >= 16 && chunk.offset + 16 <= size) {
            record.outFormatTag = zem::ReadLe16(body);
            record.outChannels = zem::ReadLe16(body + 2);
            record.outSampleRate = zem::ReadLe32(body + 4);
            record.outBitsPerSample = zem::ReadLe16(body + 14);
            haveFormat = true;
        } else if (chunk.Is("data")) {
            if (!haveFormat)
                return kRunFailed;
            // A writer that could not seek back leaves a placeholder length: take what is there.
            record.outData = body;
            record.outDataLength = static_cast<uint32_t>(std::min<uint64_t>(chunk.size, size - chunk.offset));
            return 0;
        }
    }
    return kRunFailed;
}

void SoxFreeWavImages(SoxWavRecord& record)
{
    // An empty output still has a buffer behind it: free by pointer, not by size.
    std::free(record.inImage);
    std::free(record.outImage);
    record = SoxWavRecord{};
}

int SoxBandRejectBlock(int centreHz, int widthHz, int16_t* samples, int frames, int channels,
                       int sampleRate)
{
    if (!samples || frames <= 0 || channels <= 0 || sampleRate <= 0)
        return kRunFailed;
    SoxWavRecord record;
    record.inFormatTag = 1;
    record.inChannels = static_cast<uint32_t>(channels);
    record.inSampleRate = static_cast<uint32_t>(sampleRate);
    record.inBitsPerSample = 16;
    record.inData = reinterpret_cast<const uint8_t*>(samples);
    record.inDataLength = static_cast<uint32_t>(frames * channels * 2);
    int result = SoxBuildWavImage(record);
    if (result == 0)
        result = SoxBandReject(centreHz, widthHz, record);
    if (result == 0) {
        const uint32_t bytes = std::min(record.outDataLength, record.inDataLength);
        for (uint32_t k = 0; k + 1 < bytes; k += 2)
            samples[k / 2] = static_cast<int16_t>(zem::ReadLe16(record.outData + k));
    }
    SoxFreeWavImages(record);
    return result;
}
