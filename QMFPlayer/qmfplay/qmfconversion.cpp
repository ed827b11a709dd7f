#include "QMFPlayer/qmfplay/qmfconversion.h"

#include "QMFPlayer/qmfplay/safename.h"
#include "QMFPlayer/qmfplay/textmodefile.h"
#include "ZemBaseLib/xmlelement.h"
#include "base/file.h"
#include "base/readwindow.h"
#include "base/riff.h"
#include "base/trace.h"

#include <algorithm>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

// A last chunk may come this many bytes short; its file still gets the full length.
constexpr uint32_t kShortChunkTolerance = 10;
constexpr size_t kCopyPiece = 64 * 1024;
// Chunk heads and small chunks are read through a window of this size; copy pieces go past it.
constexpr size_t kReadWindow = kCopyPiece;

// The recording file's descriptor, closed when reading is over; -1 for anything but a regular
// file. Nothing else is opened, and the open does not wait (a FIFO without a writer would).
struct ReadOnlyFile {
    explicit ReadOnlyFile(const std::string& path) : fd(OpenRegular(path)) {}
    ~ReadOnlyFile()
    {
        if (fd >= 0)
            close(fd);
    }
    ReadOnlyFile(const ReadOnlyFile&) = delete;
    ReadOnlyFile& operator=(const ReadOnlyFile&) = delete;
    const int fd;

private:
    static int OpenRegular(const std::string& path)
    {
        struct stat info {};
        if (stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
            return -1;
        // Checked again on the descriptor: the path may have been replaced meanwhile.
        const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
        if (fd >= 0 && (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode))) {
            close(fd);
            return -1;
        }
        return fd;
    }
};

// A C stream that hands what is written to it on to file: the tree's text goes out without
// another whole copy of it in memory.
std::FILE* OpenTextStream(TextModeFile& file)
{
    cookie_io_functions_t functions{};
    functions.write = [](void* cookie, const char* bytes, size_t size) -> ssize_t {
        const bool written = static_cast<TextModeFile*>(cookie)->Write(std::string_view(bytes, size));
        return written ? static_cast<ssize_t>(size) : -1;
    };
    return fopencookie(&file, "w", functions);
}

#define FATAL() (REPORT_FATAL(view_), ConversionResult::Fatal)

class Conversion {
public:
    Conversion(const ConversionSettings& settings, PlayerView& view, const std::atomic<bool>* keepGoing)
        : settings_(settings), view_(view), keepGoing_(keepGoing)
    {
    }

    ConversionResult Run(const std::string& recordingPath);

private:
    ConversionResult ReadRecordingFile(const std::string& recordingPath);
    ConversionResult ReadDescription(zem::RiffReader& riff);
    ConversionResult WriteText(const std::string& name, std::string_view text);
    ConversionResult CopyChunks(zem::RiffReader& riff);
    ConversionResult CopyChunk(const zem::RiffReader& riff, const zem::RiffChunk& chunk);
    std::string InFolder(const std::string& name) const { return settings_.folder + "/" + name; }
    bool Stopped() const { return keepGoing_ && !*keepGoing_; }

    const ConversionSettings& settings_;
    PlayerView& view_;
    const std::atomic<bool>* keepGoing_;
    XmlElement tree_;
};

ConversionResult Conversion::Run(const std::string& recordingPath)
{
    if (const auto result = ReadRecordingFile(recordingPath); result != ConversionResult::Done)
        return result;
    if (Stopped())
        return ConversionResult::Failed;
    TextModeFile script;
    if (!script.Create(InFolder("data.js")))
        return FATAL();
    WriteCallScript(tree_, settings_, view_, script);
    if (!script.Close())
        return FATAL();
    return ConversionResult::Done;
}

ConversionResult Conversion::ReadRecordingFile(const std::string& recordingPath)
{
    const ReadOnlyFile file(recordingPath);
    struct stat info {};
    if (file.fd < 0 || fstat(file.fd, &info) != 0) {
        view_.ShowMessage("Error opening qmf-file");
        return ConversionResult::Failed;
    }
    zem::ReadWindow window(file.fd, kReadWindow);
    zem::RiffReader riff([&window](uint64_t offset, void* out, size_t count) { return window.Read(offset, out, count); },
                         static_cast<uint64_t>(info.st_size), zem::RiffPad::Never);

    zem::RiffHead head;
    const size_t headBytes = riff.ReadHead(head);
    if (headBytes < 4)
        return FATAL();
    if (std::string_view(head.id.data(), 4) != "RIFF") {
        view_.ShowMessage("Invalid qmf-Format. RIFF expected");
        return ConversionResult::Failed;
    }
    if (headBytes < 12)
        return FATAL();
    if (std::string_view(head.form.data(), 4) != "QMF1") {
        view_.ShowMessage("Invalid qmf-Format. QMF1 expected");
        return ConversionResult::Failed;
    }
    if (const auto result = ReadDescription(riff); result != ConversionResult::Done)
        return result;
    return CopyChunks(riff);
}

ConversionResult Conversion::ReadDescription(zem::RiffReader& riff)
{
    zem::RiffChunk chunk;
    const auto step = riff.Next(chunk);
    if (step == zem::RiffReader::Step::End)
        return FATAL();
    if (!chunk.Is("XML "))
        return ConversionResult::Failed;
    // The length is checked against what the file holds before anything is allocated.
    if (step == zem::RiffReader::Step::Cut || chunk.size > riff.Length() - chunk.offset)
        return FATAL();
    std::string text(chunk.size, '\0');
    if (riff.Read(chunk.offset, text.data(), text.size()) != text.size())
        return FATAL();

    // The text was handed on as a C string: a NUL ends it. Only then is it copied.
    const size_t end = text.find('\0');
    if (!tree_.Parse(end == std::string::npos ? text : text.substr(0, end), true)) {
        zem::Trace("qmxplay: call description: %s", tree_.GetLastError().c_str());
        if (const auto result = WriteText("err.txt", text); result != ConversionResult::Done)
            return result;
    }
    TextModeFile out;
    std::FILE* stream = OpenTextStream(out);
    if (!stream)
        return FATAL();
    if (!out.Create(InFolder("data.xml"))) {
        std::fclose(stream);
        return FATAL();
    }
    tree_.WriteToFile(0, stream);
    const bool flushed = std::fclose(stream) == 0;
    if (!flushed || !out.Close())
        return FATAL();
    return ConversionResult::Done;
}

ConversionResult Conversion::WriteText(const std::string& name, std::string_view text)
{
    TextModeFile out;
    if (!out.Create(InFolder(name)) || !out.Write(text) || !out.Close())
        return FATAL();
    return ConversionResult::Done;
}

ConversionResult Conversion::CopyChunks(zem::RiffReader& riff)
{
    zem::RiffChunk chunk;
    for (;;) {
        const auto step = riff.Next(chunk);
        if (step == zem::RiffReader::Step::End)
            return ConversionResult::Done;
        if (step == zem::RiffReader::Step::Cut)
            return FATAL();
        if (const auto result = CopyChunk(riff, chunk); result != ConversionResult::Done)
            return result;
    }
}

ConversionResult Conversion::CopyChunk(const zem::RiffReader& riff, const zem::RiffChunk& chunk)
{
    const uint32_t held = chunk.HeldSize(riff.Length());
    if (uint64_t{held} + kShortChunkTolerance < chunk.size)
        return FATAL();
    const std::string name = SafeBaseName(std::string_view(chunk.id.data(), 4));
    if (name.empty()) {
        zem::Trace("qmxplay: chunk with the id \"%.4s\" left out", chunk.id.data());
        return ConversionResult::Done;
    }
    zem::File out;
    if (out.Open(InFolder(name + ".dat"), zem::File::Mode::Create) != 0)
        return FATAL();
    std::vector<char> piece(std::min<size_t>(kCopyPiece, std::max<uint32_t>(chunk.size, 1)));
    for (uint32_t copied = 0; copied < chunk.size;) {
        if (Stopped())
            return ConversionResult::Failed;
        const size_t want = std::min<size_t>(piece.size(), chunk.size - copied);
        // A short last chunk's missing tail is written as zeros.
        const size_t present = copied < held ? std::min<size_t>(want, held - copied) : 0;
        const size_t got = present > 0 ? riff.Read(chunk.offset + copied, piece.data(), present) : 0;
        std::fill(piece.data() + got, piece.data() + want, '\0');
        if (out.Write(piece.data(), want) != 0)
            return FATAL();
        copied += static_cast<uint32_t>(want);
    }
    if (out.Close() != 0)
        return FATAL();
    return ConversionResult::Done;
}

#undef FATAL

}  // namespace

ConversionResult ConvertRecordingFile(const std::string& recordingPath,
                                      const ConversionSettings& settings, PlayerView& view,
                                      const std::atomic<bool>* keepGoing)
{
    return Conversion(settings, view, keepGoing).Run(recordingPath);
}
