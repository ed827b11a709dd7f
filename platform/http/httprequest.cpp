#include "http/httprequest.h"

#include <curl/curl.h>

#include <algorithm>
#include <cstring>
#include <string_view>

// Pulling from curl: curl pushes bytes through a callback, the caller wants to pull blocks.
// The multi interface lets the caller's own thread drive the transfer: Read runs curl only
// while it has nothing to hand out and waits in curl_multi_poll, which HttpInterrupt ends
// from any thread with curl_multi_wakeup. So there is no extra thread, no hand-off between
// threads and no lock on the bytes; when the buffer is full the write callback pauses the
// transfer until Read has emptied it, which bounds the memory.

namespace zem {
namespace {

using SteadyTime = std::chrono::steady_clock;

constexpr size_t kBufferLimit = 64 * 1024;  // body bytes held before the transfer pauses
constexpr int kLongestPollMs = 1000;        // curl's own timers shorten it

void InitCurlOnce()
{
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

bool IsTlsFailure(CURLcode code)
{
    switch (code) {
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CACERT_BADFILE:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_CIPHER:
    case CURLE_SSL_ENGINE_NOTFOUND:
    case CURLE_SSL_ENGINE_SETFAILED:
    case CURLE_SSL_ENGINE_INITFAILED:
    case CURLE_SSL_CRL_BADFILE:
    case CURLE_SSL_ISSUER_ERROR:
    case CURLE_SSL_PINNEDPUBKEYNOTMATCH:
    case CURLE_SSL_INVALIDCERTSTATUS:
    case CURLE_USE_SSL_FAILED: return true;
    default: return false;
    }
}

HttpError ErrorOf(CURLcode code, bool connected, bool headersDone)
{
    if (IsTlsFailure(code))
        return HttpError::Tls;
    // An answer that is no HTTP status line: empty, garbled or HTTP/0.9.
    if (connected && !headersDone &&
        (code == CURLE_GOT_NOTHING || code == CURLE_WEIRD_SERVER_REPLY || code == CURLE_UNSUPPORTED_PROTOCOL))
        return HttpError::NoStatus;
    switch (code) {
    case CURLE_URL_MALFORMAT: return HttpError::NotFormed;
    case CURLE_COULDNT_CONNECT:
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_RESOLVE_PROXY: return HttpError::ConnectFailed;
    case CURLE_OPERATION_TIMEDOUT:  // only the connection is timed by curl; stalls are ours
        return HttpError::ConnectTimedOut;
    case CURLE_PARTIAL_FILE:
    case CURLE_RECV_ERROR: return headersDone ? HttpError::Truncated : HttpError::Failed;
    default: return HttpError::Failed;
    }
}

}  // namespace

HttpSession::HttpSession(HttpSettings settings) : settings_(std::move(settings))
{
    InitCurlOnce();
}

const char* ToString(HttpError error)
{
    switch (error) {
    case HttpError::None: return "none";
    case HttpError::Interrupted: return "interrupted";
    case HttpError::ConnectFailed: return "connect failed";
    case HttpError::ConnectTimedOut: return "connect timed out";
    case HttpError::Stalled: return "stalled";
    case HttpError::Tls: return "secure channel failed";
    case HttpError::Truncated: return "truncated";
    case HttpError::NotFormed: return "request not formed";
    case HttpError::NoStatus: return "no status";
    case HttpError::Failed: return "failed";
    }
    return "unknown";
}

struct HttpRequest::Impl {
    Impl(const HttpSettings& settings, const Url& url, const HttpInterrupt* interrupt);
    ~Impl();
    Impl(const Impl&) = delete;
    Impl& operator=(const Impl&) = delete;

    bool Send();
    size_t Read(void* out, size_t max);
    void Wake() { curl_multi_wakeup(multi); }

    size_t Buffered() const { return buffer.size() - readPos; }
    bool Interrupted() const { return interrupt && interrupt->IsRaised(); }
    // Drives the transfer until ready() holds, it ends or it fails (then false, error set).
    template <class Ready> bool Pump(Ready ready);
    void CollectEnd();
    // Records the first failure only, and stops the transfer.
    void Fail(HttpError why, std::string_view text);

    static size_t OnBody(char* data, size_t size, size_t count, void* self);
    static size_t OnHeader(char* data, size_t size, size_t count, void* self);
    static int OnConnected(void* self, char*, char*, int, int);

    const HttpSettings settings;
    const HttpInterrupt* const interrupt;
    CURL* easy = nullptr;
    CURLM* multi = nullptr;
    curl_slist* headers = nullptr;
    char curlError[CURL_ERROR_SIZE] = {};

    bool sent = false;
    bool added = false;      // easy is part of multi
    bool connected = false;  // the request is about to go out: stalls count from here
    bool headersDone = false;
    bool paused = false;
    bool finished = false;  // no more bytes will come; the buffer may still hold some
    long status = 0;
    HttpError error = HttpError::None;
    int libraryCode = 0;
    std::string errorText;
    std::vector<char> buffer;
    size_t readPos = 0;
    SteadyTime::time_point lastByte{};
};

HttpRequest::Impl::Impl(
    const HttpSettings& settingsIn, const Url& url, const HttpInterrupt* interruptIn)
    : settings(settingsIn),
      interrupt(interruptIn),
      easy(curl_easy_init()),
      multi(curl_multi_init())
{
    if (!easy || !multi)
        return;
    const std::string address = ToString(url);
    if (curl_easy_setopt(easy, CURLOPT_URL, address.c_str()) != CURLE_OK) {  // curl keeps its own copy
        curl_easy_cleanup(easy);
        easy = nullptr;  // Send reports the request as not formed
        return;
    }
    curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(easy, CURLOPT_HTTPGET, 1L);
    curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 0L);
    curl_easy_setopt(easy, CURLOPT_SUPPRESS_CONNECT_HEADERS, 1L);
    curl_easy_setopt(easy, CURLOPT_ERRORBUFFER, curlError);
    if (!settings.userAgent.empty())
        curl_easy_setopt(easy, CURLOPT_USERAGENT, settings.userAgent.c_str());
    // A reload: neither the server nor a proxy may answer from a cache.
    for (const char* line : {"Cache-Control: no-cache", "Pragma: no-cache"}) {
        if (curl_slist* more = curl_slist_append(headers, line))
            headers = more;
    }
    curl_easy_setopt(easy, CURLOPT_HTTPHEADER, headers);

    curl_easy_setopt(easy, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(easy, CURLOPT_SSL_VERIFYHOST, 2L);
    if (!settings.caFile.empty()) {
        curl_easy_setopt(easy, CURLOPT_CAINFO, settings.caFile.c_str());
        curl_easy_setopt(easy, CURLOPT_CAPATH, nullptr);  // that file alone is trusted
    }
    curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT_MS,
        std::max<long>(1, static_cast<long>(settings.connectTimeout.count())));

    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &Impl::OnBody);
    curl_easy_setopt(easy, CURLOPT_WRITEDATA, this);
    curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, &Impl::OnHeader);
    curl_easy_setopt(easy, CURLOPT_HEADERDATA, this);
    curl_easy_setopt(easy, CURLOPT_PREREQFUNCTION, &Impl::OnConnected);
    curl_easy_setopt(easy, CURLOPT_PREREQDATA, this);
}

HttpRequest::Impl::~Impl()
{
    if (added)
        curl_multi_remove_handle(multi, easy);
    if (easy)
        curl_easy_cleanup(easy);
    if (multi)
        curl_multi_cleanup(multi);
    curl_slist_free_all(headers);
}

void HttpRequest::Impl::Fail(HttpError why, std::string_view text)
{
    if (error == HttpError::None) {
        error = why;
        errorText = text;
    }
    finished = true;
    if (added) {  // closes the connection now, not when the request goes
        curl_multi_remove_handle(multi, easy);
        added = false;
    }
}

void HttpRequest::Impl::CollectEnd()
{
    int left = 0;
    while (CURLMsg* message = curl_multi_info_read(multi, &left)) {
        if (message->msg != CURLMSG_DONE)
            continue;
        const CURLcode code = message->data.result;
        if (code == CURLE_OK) {
            finished = true;
        } else {
            libraryCode = static_cast<int>(code);
            Fail(ErrorOf(code, connected, headersDone), curlError[0] ? curlError : curl_easy_strerror(code));
        }
    }
}

template <class Ready> bool HttpRequest::Impl::Pump(Ready ready)
{
    const auto waitStart = SteadyTime::now();
    while (!ready() && !finished) {
        if (Interrupted()) {
            Fail(HttpError::Interrupted, "interrupted");
            return false;
        }
        int running = 0;
        CURLMcode code = curl_multi_perform(multi, &running);
        if (code != CURLM_OK) {
            Fail(HttpError::Failed, curl_multi_strerror(code));
            return false;
        }
        CollectEnd();
        if (ready() || finished)
            break;

        int waitMs = kLongestPollMs;
        if (connected) {
            const auto deadline = std::max(lastByte, waitStart) + settings.stallTimeout;
            const auto left =
                std::chrono::ceil<std::chrono::milliseconds>(deadline - SteadyTime::now()).count();
            if (left <= 0) {
                Fail(HttpError::Stalled,
                    "no byte for " + std::to_string(settings.stallTimeout.count()) + " ms");
                return false;
            }
            waitMs = static_cast<int>(std::min<long long>(waitMs, left));
        }
        code = curl_multi_poll(multi, nullptr, 0, waitMs, nullptr);
        if (code != CURLM_OK) {
            Fail(HttpError::Failed, curl_multi_strerror(code));
            return false;
        }
    }
    return error == HttpError::None || ready();
}

bool HttpRequest::Impl::Send()
{
    if (sent)
        return false;
    sent = true;
    if (Interrupted()) {
        Fail(HttpError::Interrupted, "interrupted");
        return false;
    }
    if (!easy || !multi || !headers) {
        Fail(HttpError::NotFormed, "cannot set up the transfer");
        return false;
    }
    if (curl_multi_add_handle(multi, easy) != CURLM_OK) {
        Fail(HttpError::NotFormed, "cannot start the transfer");
        return false;
    }
    added = true;
    Pump([this] { return headersDone; });
    if (!headersDone) {
        Fail(connected ? HttpError::NoStatus : HttpError::Failed, "no response");
        return false;
    }
    return true;
}

size_t HttpRequest::Impl::Read(void* out, size_t max)
{
    if (max == 0)
        return 0;
    if (!sent || !headersDone) {
        Fail(HttpError::Failed, "read without a response");
        return 0;
    }
    if (Interrupted()) {
        Fail(HttpError::Interrupted, "interrupted");
        buffer.clear();
        readPos = 0;
        return 0;
    }
    if (Buffered() == 0 && !finished) {
        if (paused) {
            paused = false;
            // May hand over the held bytes right here, through OnBody.
            const CURLcode code = curl_easy_pause(easy, CURLPAUSE_CONT);
            if (code != CURLE_OK)
                Fail(HttpError::Failed, curl_easy_strerror(code));
        }
        Pump([this] { return Buffered() > 0; });
    }
    const size_t count = std::min(max, Buffered());
    if (count == 0)
        return 0;
    std::memcpy(out, buffer.data() + readPos, count);
    readPos += count;
    if (readPos == buffer.size()) {
        buffer.clear();
        readPos = 0;
    }
    return count;
}

size_t HttpRequest::Impl::OnBody(char* data, size_t size, size_t count, void* user)
{
    auto& self = *static_cast<Impl*>(user);
    const size_t bytes = size * count;
    try {
        if (self.Buffered() > 0 && self.buffer.size() + bytes > kBufferLimit) {
            self.paused = true;
            return CURL_WRITEFUNC_PAUSE;
        }
        self.buffer.insert(self.buffer.end(), data, data + bytes);
        self.lastByte = SteadyTime::now();
        return bytes;
    } catch (...) {
        return 0;  // curl ends the transfer with a write error
    }
}

size_t HttpRequest::Impl::OnHeader(char* data, size_t size, size_t count, void* user)
{
    auto& self = *static_cast<Impl*>(user);
    const size_t bytes = size * count;
    self.lastByte = SteadyTime::now();
    const std::string_view line(data, bytes);
    // The empty line closes a header block; informational (1xx) blocks come before the real one.
    if (!self.headersDone && (line == "\r\n" || line == "\n")) {
        long code = 0;
        curl_easy_getinfo(self.easy, CURLINFO_RESPONSE_CODE, &code);
        if (code >= 200) {
            self.status = code;
            self.headersDone = true;
        }
    }
    return bytes;
}

int HttpRequest::Impl::OnConnected(void* user, char*, char*, int, int)
{
    auto& self = *static_cast<Impl*>(user);
    self.connected = true;
    self.lastByte = SteadyTime::now();
    return CURL_PREREQFUNC_OK;
}

void HttpInterrupt::Raise()
{
    std::lock_guard lock(mutex_);
    raised_ = true;
    for (HttpRequest* request : requests_)
        request->impl_->Wake();
}

void HttpInterrupt::Clear()
{
    std::lock_guard lock(mutex_);
    raised_ = false;
}

bool HttpInterrupt::IsRaised() const
{
    std::lock_guard lock(mutex_);
    return raised_;
}

void HttpInterrupt::Attach(HttpRequest* request)
{
    std::lock_guard lock(mutex_);
    requests_.push_back(request);
}

void HttpInterrupt::Detach(HttpRequest* request)
{
    std::lock_guard lock(mutex_);
    std::erase(requests_, request);
}

HttpRequest::HttpRequest(const HttpSession& session, const Url& url, HttpInterrupt* interrupt)
    : impl_(std::make_unique<Impl>(session.Settings(), url, interrupt)),
      interrupt_(interrupt)
{
    if (interrupt_)
        interrupt_->Attach(this);
}

HttpRequest::~HttpRequest()
{
    if (interrupt_)
        interrupt_->Detach(this);  // waits for a Raise that is waking us right now
}

bool HttpRequest::Send()
{
    return impl_->Send();
}

long HttpRequest::StatusCode() const
{
    return impl_->status;
}

size_t HttpRequest::Read(void* buffer, size_t max)
{
    return impl_->Read(buffer, max);
}

size_t HttpRequest::Buffered() const
{
    return impl_->Buffered();
}

HttpError HttpRequest::Error() const
{
    return impl_->error;
}

int HttpRequest::LibraryCode() const
{
    return impl_->libraryCode;
}

const std::string& HttpRequest::ErrorText() const
{
    return impl_->errorText;
}

}  // namespace zem
