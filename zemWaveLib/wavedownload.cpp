// The two downloads of the loader thread: the header download (just enough bytes for a valid
// header, kept in memory) and the full load (the whole file into the local copy).
#include "zemWaveLib/waveloader.h"

#include "base/paths.h"
#include "base/trace.h"

#include <cstring>
#include <limits>
#include <optional>
#include <vector>

namespace {

constexpr size_t kBlock = 1024;
constexpr size_t kWritePiece = 256 * 1024;
constexpr size_t kHeaderLimit = 10240;

enum class HeaderOutcome { Valid, Failed, Abandoned };

zem::HttpSettings SessionSettings(const std::string& name, const WaveDownloadSettings& settings)
{
    zem::HttpSettings session;
    session.userAgent = name;
    session.caFile = settings.caFile;
    session.connectTimeout = settings.connectTimeout;
    session.stallTimeout = settings.stallTimeout;
    return session;
}

void TraceSendFailure(const zem::Url& url, const zem::HttpRequest& request)
{
    const zem::HttpError error = request.Error();
    if (error == zem::HttpError::ConnectFailed || error == zem::HttpError::ConnectTimedOut)
        zem::Trace("GetHttpConnection('%s', %d) failed.", url.host.c_str(), url.port);
    else if (error == zem::HttpError::NotFormed)
        zem::Trace("OpenRequest('%s') failed.", url.path.c_str());
    else if (error == zem::HttpError::NoStatus)
        zem::Trace("QueryInfoStatusCode() failed with retcode 0x%x", static_cast<unsigned>(request.LibraryCode()));
    else
        zem::Trace("SendRequest('%s') failed.", url.path.c_str());
    zem::Trace("HTTP: %s: %s", zem::ToString(error), request.ErrorText().c_str());
}

void TraceReadFailure(const std::string& name, const zem::HttpRequest& request)
{
    zem::Trace("Download of '%s' failed: %s: %s", name.c_str(), zem::ToString(request.Error()),
        request.ErrorText().c_str());
}

bool StatusOk(const std::string& name, const zem::HttpRequest& request)
{
    const long status = request.StatusCode();
    if (status >= 200 && status <= 299)
        return true;
    zem::Trace("Request '%s' got status code '%ld'", name.c_str(), status);
    return false;
}

// Reads the first bytes of the address until they hold a valid header. Abandoned as soon as
// a message waits for the loader thread.
HeaderOutcome FetchHeader(LoaderMailbox& mailbox, const std::string& name,
    const zem::HttpSettings& settings, _Wave::HeaderRecords& found)
{
    const std::optional<zem::Url> url = zem::ParseUrl(name);
    if (!url) {
        zem::Trace("Invalid File: '%s'", name.c_str());
        return HeaderOutcome::Failed;
    }
    if (mailbox.Waiting())
        return HeaderOutcome::Abandoned;
    const zem::HttpSession session(settings);
    zem::HttpRequest request(session, *url, &mailbox.Interrupt());
    if (!request.Send()) {
        if (request.Error() == zem::HttpError::Interrupted && mailbox.Waiting())
            return HeaderOutcome::Abandoned;
        TraceSendFailure(*url, request);
        return HeaderOutcome::Failed;
    }
    if (!StatusOk(name, request))
        return HeaderOutcome::Failed;
    if (mailbox.Waiting())
        return HeaderOutcome::Abandoned;

    std::vector<uint8_t> bytes(kHeaderLimit);
    size_t received = 0;
    for (;;) {
        // received + kBlock never passes the buffer: the limit check below sees to it.
        const size_t count = request.Read(bytes.data() + received, kBlock);
        if (count == 0) {
            if (request.Error() == zem::HttpError::None)
                break;
            if (request.Error() == zem::HttpError::Interrupted && mailbox.Waiting())
                return HeaderOutcome::Abandoned;
            TraceReadFailure(name, request);
            return HeaderOutcome::Failed;
        }
        received += count;
        if (mailbox.Waiting())
            return HeaderOutcome::Abandoned;
        if (_Wave::CheckHeader(bytes.data(), received, found))
            return HeaderOutcome::Valid;
        if (received + kBlock > kHeaderLimit) {
            zem::Trace("Invalid header - Transfer will be cancelled!");
            return HeaderOutcome::Failed;
        }
    }
    // The response has ended: the bytes are the whole file.
    return _Wave::CheckHeader(bytes.data(), received, found, true) ? HeaderOutcome::Valid
                                                             : HeaderOutcome::Failed;
}

}  // namespace

_Wave::Job _Wave::StartJob()
{
    std::lock_guard guard(lock_);
    return Job{fileName_, localName_, downloadSettings_, nameGeneration_};
}

bool _Wave::Closed(const Job& job) const
{
    std::lock_guard guard(lock_);
    return nameGeneration_ != job.generation;
}

void _Wave::HeaderDownload(Loader& loader)
{
    const Job job = StartJob();
    if (!IsAddress(job.name)) {
        SetLoaderState(kStateFailed);
        Notify(kStateFailed);
        return;
    }
    SetLoaderState(kStateHeaderDownload);
    Notify(kStateHeaderDownload);
    if (Closed(job))
        return;

    HeaderRecords found;
    const HeaderOutcome outcome =
        FetchHeader(loader.mailbox, job.name, SessionSettings(job.name, job.settings), found);
    uint32_t state = kStateHeaderDownload;
    {
        std::lock_guard guard(lock_);
        if (nameGeneration_ != job.generation)
            return;
        if (outcome == HeaderOutcome::Valid) {
            chunks_ = std::move(found.chunks);
            riffLength_ = found.riffLength;
            ++headerGeneration_;
            state = kStateHeaderChecked;
        } else if (outcome == HeaderOutcome::Failed) {
            state = kStateFailed;
        }
        SetLoaderState(state);
    }
    Notify(state);
}

std::optional<_Wave::TransferEnd> _Wave::EndForMessage(Loader& loader)
{
    const std::optional<zem::ThreadMessage> message = loader.mailbox.Waiting();
    if (!message)
        return std::nullopt;
    if (message->message == WM_WAVE_PAUSE || message->message == WM_WAVE_STOP) {
        loader.mailbox.Take();
        SetLoaderState(kStatePaused);
        Notify(kStatePaused);
    }
    // Any other message stays queued for the thread's loop: dropping it would leave the
    // recording "loading" with no transfer running, and Load would refuse to start one.
    return TransferEnd::Idle;
}

_Wave::TransferEnd _Wave::FullLoad(Loader& loader)
{
    const Job job = StartJob();
    SetLoaderState(kStateLoading);
    Notify(kStateLoading);
    if (Closed(job))
        return TransferEnd::Closed;

    const std::optional<zem::Url> url = zem::ParseUrl(job.name);
    if (!url) {
        zem::Trace("Invalid File: '%s'", job.name.c_str());
        return TransferEnd::Failed;
    }
    if (auto end = EndForMessage(loader))
        return *end;
    const zem::HttpSession session(SessionSettings(job.name, job.settings));
    zem::HttpRequest request(session, *url, &loader.mailbox.Interrupt());
    if (!request.Send()) {
        if (request.Error() == zem::HttpError::Interrupted) {
            if (auto end = EndForMessage(loader))
                return *end;
        }
        TraceSendFailure(*url, request);
        return TransferEnd::Failed;
    }
    if (!StatusOk(job.name, request))
        return TransferEnd::Failed;
    if (auto end = EndForMessage(loader))
        return *end;

    // Every transfer starts again at byte 0 of the response and of the local copy.
    zem::File local;
    if (local.Open(zem::MapPath(job.localName), zem::File::Mode::Create) != 0) {
        zem::Trace("Error creating temporary file '%s'.", job.localName.c_str());
        return TransferEnd::Failed;
    }
    // Players of the growing copy wait for the announced data until the lock ends.
    local.LockForWriting();
    loadedLength_ = 0;
    uint64_t written = 0;

    // Blocks are gathered and written in large pieces; each block's callback follows the
    // write, so the loaded length never runs ahead of the local copy.
    std::vector<char> piece(kWritePiece);
    std::vector<size_t> blocks;  // the byte count of each read gathered in the piece
    size_t gathered = 0;
    const auto flush = [&]() -> std::optional<TransferEnd> {
        if (gathered == 0)
            return std::nullopt;
        if (const int error = local.Write(piece.data(), gathered); error != 0) {
            zem::Trace("Error writing temporary file '%s': %s", job.localName.c_str(),
                std::strerror(error));
            return TransferEnd::Failed;
        }
        gathered = 0;
        for (const size_t count : blocks) {
            written += count;
            loadedLength_ = static_cast<uint32_t>(
                std::min<uint64_t>(written, std::numeric_limits<uint32_t>::max()));
            Notify(kStateLoading);
            if (Closed(job))
                return TransferEnd::Closed;
        }
        blocks.clear();
        return std::nullopt;
    };
    for (;;) {
        const size_t count = request.Read(piece.data() + gathered, kBlock);
        if (count == 0) {
            if (request.Error() == zem::HttpError::Interrupted) {
                if (auto end = EndForMessage(loader))
                    return *end;
            }
            if (request.Error() == zem::HttpError::None)
                break;
            // Fewer bytes than announced, a stall or a broken connection: never complete.
            TraceReadFailure(job.name, request);
            return TransferEnd::Failed;
        }
        // A waiting message ends the transfer; the block just read is dropped.
        if (loader.mailbox.Waiting()) {
            if (auto end = flush())
                return *end;
            if (auto end = EndForMessage(loader))
                return *end;
        }
        gathered += count;
        blocks.push_back(count);
        // Written when the piece is full or the network has nothing more at hand.
        if (gathered + kBlock > piece.size() || request.Buffered() == 0) {
            if (auto end = flush())
                return *end;
        }
    }
    if (auto end = flush())
        return *end;
    local.Close();

    {
        std::lock_guard guard(lock_);
        if (nameGeneration_ != job.generation)
            return TransferEnd::Closed;
        if (!ReadHeader()) {
            zem::Trace("%s", lastError_.c_str());
            return TransferEnd::Failed;
        }
        SetLoaderState(kStateLoaded);
    }
    Notify(kStateLoaded);
    return TransferEnd::Idle;
}
