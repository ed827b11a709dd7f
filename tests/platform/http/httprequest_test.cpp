// The HTTP layer against the loopback test server.
#include "http/httprequest.h"
#include "support/testports.h"
#include "support/testserver.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <future>
#include <thread>

namespace zem {
namespace {

using namespace std::chrono_literals;
using zemtest::Framing;
using zemtest::Reply;
using zemtest::TestServer;

constexpr size_t kLargestTestBody = 64 * 1024 * 1024;  // bounds every read loop

// Bytes that are not text, zeros included, and differ at every offset of a block.
std::string Pattern(size_t size)
{
    std::string bytes(size, '\0');
    for (size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<char>((i * 131 + (i >> 9) * 7) & 0xff);
    return bytes;
}

struct Fetched {
    bool sent = false;
    long status = 0;
    std::string body;
    HttpError error = HttpError::None;
};

// Sends one GET and reads the body in blocks of readSize until the end.
Fetched Fetch(const HttpSession& session, const std::string& address, size_t readSize = 1024,
    HttpInterrupt* interrupt = nullptr)
{
    const std::optional<Url> url = ParseUrl(address);
    EXPECT_TRUE(url) << address;
    if (!url)
        return {};
    HttpRequest request(session, *url, interrupt);
    Fetched result;
    result.sent = request.Send();
    result.status = request.StatusCode();
    if (result.sent) {
        std::string block(readSize, '\0');
        while (result.body.size() < kLargestTestBody) {
            const size_t count = request.Read(block.data(), block.size());
            EXPECT_LE(count, readSize);
            if (count == 0)
                break;
            result.body.append(block.data(), count);
        }
    }
    result.error = request.Error();
    return result;
}

HttpSettings Quick(std::string caFile = {}, std::chrono::milliseconds stall = 10s)
{
    HttpSettings settings;
    settings.userAgent = "zem-test";
    settings.caFile = std::move(caFile);
    settings.connectTimeout = 10s;
    settings.stallTimeout = stall;
    return settings;
}

// Proxies from the environment would take loopback requests elsewhere.
class HttpRequestTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (const char* name : {"http_proxy", "https_proxy", "HTTPS_PROXY", "all_proxy",
                 "ALL_PROXY", "no_proxy", "NO_PROXY"})
            unsetenv(name);
    }
};

struct BodyCase {
    TestServer::Scheme scheme;
    Framing framing;
    size_t size;
    size_t readSize;
    size_t pieceSize;  // 0: the server writes as fast as it can
};

TEST_F(HttpRequestTest, BodiesArriveByteForByteWhateverTheFramingAndBlockSize)
{
    using S = TestServer::Scheme;
    const BodyCase cases[] = {
        {S::Http, Framing::Length, 0, 1024, 0},
        {S::Http, Framing::Length, 1, 1024, 0},
        {S::Http, Framing::Length, 1023, 1024, 0},
        {S::Http, Framing::Length, 1025, 1024, 0},
        {S::Http, Framing::Length, 300000, 1024, 0},  // many times the layer's buffer
        {S::Http, Framing::Length, 300000, 1, 0},
        {S::Http, Framing::Length, 300000, 1 << 20, 0},
        {S::Http, Framing::Length, 5000, 1024, 7},
        {S::Http, Framing::Chunked, 0, 1024, 0},
        {S::Http, Framing::Chunked, 300000, 1024, 1000},
        {S::Http, Framing::UntilClose, 300000, 4096, 0},
        {S::Https, Framing::Length, 300000, 1024, 0},
        {S::Https, Framing::Chunked, 70000, 1024, 333},
        {S::Https, Framing::UntilClose, 70000, 1024, 0},
    };
    for (const BodyCase& c : cases) {
        SCOPED_TRACE(testing::Message()
            << "https " << (c.scheme == S::Https) << " framing " << static_cast<int>(c.framing)
            << " size " << c.size << " read " << c.readSize << " piece " << c.pieceSize);
        TestServer server(c.scheme);
        Reply reply;
        reply.body = Pattern(c.size);
        reply.framing = c.framing;
        reply.pieceSize = c.pieceSize;
        server.Route("/rec.wav", reply);
        const Fetched fetched =
            Fetch(HttpSession(Quick(server.CaFile())), server.Url("/rec.wav"), c.readSize);
        EXPECT_TRUE(fetched.sent);
        EXPECT_EQ(fetched.status, 200);
        EXPECT_EQ(fetched.error, HttpError::None);
        EXPECT_TRUE(fetched.body == reply.body) << "got " << fetched.body.size() << " bytes";
    }
}

struct StatusCase {
    int status;
    std::vector<std::pair<std::string, std::string>> headers;
    std::string body;
};

TEST_F(HttpRequestTest, AnyStatusIsReportedWithItsBodyAndRedirectsAreNotFollowed)
{
    TestServer server;
    server.Route("/moved-here.wav", Reply{.body = "the target"});
    const std::string target = server.Url("/moved-here.wav");
    const StatusCase cases[] = {
        {404, {}, "no such recording"},
        {500, {}, ""},
        {302, {{"Location", target}}, "see there"},
        {301, {{"Location", "/moved-here.wav"}}, ""},
        {200, {{"Location", target}}, "a body"},
    };
    for (const StatusCase& c : cases) {
        SCOPED_TRACE(c.status);
        server.Route("/a.wav", Reply{.status = c.status, .headers = c.headers, .body = c.body});
        const Fetched fetched = Fetch(HttpSession(Quick()), server.Url("/a.wav"));
        EXPECT_TRUE(fetched.sent);
        EXPECT_EQ(fetched.status, c.status);
        EXPECT_EQ(fetched.body, c.body);
        EXPECT_EQ(fetched.error, HttpError::None);
    }
    EXPECT_EQ(server.Hits("/moved-here.wav"), 0u);

    const Fetched unknown = Fetch(HttpSession(Quick()), server.Url("/nothing-here"));
    EXPECT_EQ(unknown.status, 404);
    EXPECT_EQ(unknown.body, "not found");
}

TEST_F(HttpRequestTest, SendsOneUncachedGetWithTheUserAgentAndTheWholePath)
{
    TestServer server;
    server.Route("/rec.wav?call=17&part=2", Reply{.body = "x"});
    HttpSettings settings = Quick();
    settings.userAgent = "http://127.0.0.1/rec.wav";
    const Fetched fetched =
        Fetch(HttpSession(settings), server.Url("/rec.wav?call=17&part=2#ignored"));
    EXPECT_EQ(fetched.body, "x");
    const std::vector<zemtest::ReceivedRequest> requests = server.Requests();
    ASSERT_EQ(requests.size(), 1u);
    const zemtest::ReceivedRequest& request = requests[0];
    EXPECT_EQ(request.method, "GET");
    EXPECT_EQ(request.target, "/rec.wav?call=17&part=2");
    const auto header = [&](const std::string& name) {
        const auto found = request.headers.find(name);
        return found == request.headers.end() ? std::string() : found->second;
    };
    EXPECT_EQ(header("user-agent"), settings.userAgent);
    EXPECT_EQ(header("cache-control"), "no-cache");
    EXPECT_EQ(header("pragma"), "no-cache");
}

struct CutCase {
    const char* name;
    TestServer::Scheme scheme;
    Reply reply;
    size_t bytesBeforeCut;
    HttpError expected;
};

TEST_F(HttpRequestTest, ABodyCutShortIsTruncatedNeverACleanEnd)
{
    using S = TestServer::Scheme;
    const std::string body = Pattern(50000);
    const CutCase cases[] = {
        {"fewer bytes than Content-Length", S::Http,
            Reply{.body = body.substr(0, 30000), .announcedLength = 50000}, 30000,
            HttpError::Truncated},
        {"closed mid-body", S::Http, Reply{.body = body, .closeAfter = 20000}, 20000,
            HttpError::Truncated},
        {"closed right after the headers", S::Http, Reply{.body = body, .closeAfter = 0}, 0,
            HttpError::Truncated},
        {"closed before the last chunk", S::Http,
            Reply{
                .body = body, .framing = Framing::Chunked, .pieceSize = 4096, .closeAfter = 40960},
            40960, HttpError::Truncated},
        {"TLS, fewer bytes than Content-Length", S::Https,
            Reply{.body = body.substr(0, 30000), .announcedLength = 50000}, 30000,
            HttpError::Truncated},
        {"TLS, closed mid-body without close_notify", S::Https,
            Reply{.body = body, .closeAfter = 20000}, 20000, HttpError::Truncated},
        {"plain close of an unframed body is its end", S::Http,
            Reply{.body = body, .framing = Framing::UntilClose, .closeAfter = 20000}, 20000,
            HttpError::None},
    };
    for (const CutCase& c : cases) {
        SCOPED_TRACE(c.name);
        TestServer server(c.scheme);
        server.Route("/cut.wav", c.reply);
        const Fetched fetched = Fetch(HttpSession(Quick(server.CaFile())), server.Url("/cut.wav"));
        EXPECT_TRUE(fetched.sent);
        EXPECT_EQ(fetched.status, 200);
        EXPECT_EQ(fetched.error, c.expected) << ToString(fetched.error);
        EXPECT_TRUE(fetched.body == body.substr(0, c.bytesBeforeCut))
            << "got " << fetched.body.size();
    }
}

enum class HeldAt { Connect, Response, Body };

TEST_F(HttpRequestTest, InterruptFromAnotherThreadEndsABlockedRequest)
{
    for (const HeldAt heldAt : {HeldAt::Connect, HeldAt::Response, HeldAt::Body}) {
        SCOPED_TRACE(static_cast<int>(heldAt));
        TestServer server;
        zemtest::StuckListener stuck;
        auto gate = std::make_shared<zemtest::Gate>();  // never opened
        server.Route("/held.wav", Reply{.hold = true});
        server.Route("/gated.wav", Reply{.body = Pattern(5000), .gate = gate, .gateAfter = 100});
        const std::string address = heldAt == HeldAt::Connect
            ? "http://127.0.0.1:" + std::to_string(stuck.Port()) + "/"
            : heldAt == HeldAt::Response ? server.Url("/held.wav")
                                         : server.Url("/gated.wav");
        HttpSettings settings = Quick({}, 120s);
        settings.connectTimeout = 120s;
        const HttpSession session(settings);
        HttpInterrupt interrupt;
        std::promise<void> blocking;
        Fetched fetched;
        std::thread loader([&] {
            const std::optional<Url> url = ParseUrl(address);
            HttpRequest request(session, *url, &interrupt);
            fetched.sent = request.Send();
            char block[1024];
            size_t total = 0;
            while (fetched.sent && total < 100) {
                const size_t count = request.Read(block, sizeof block);
                if (count == 0)
                    break;
                total += count;
            }
            blocking.set_value();
            fetched.body.resize(total);
            if (fetched.sent)
                fetched.body.resize(total + request.Read(block, sizeof block));
            fetched.error = request.Error();
        });
        if (heldAt == HeldAt::Connect)
            std::this_thread::sleep_for(200ms);  // lets the connect start; sooner ends alike
        else
            EXPECT_TRUE(
                server.WaitForHits(heldAt == HeldAt::Response ? "/held.wav" : "/gated.wav", 1));
        if (heldAt == HeldAt::Body)
            blocking.get_future().wait();
        interrupt.Raise();
        loader.join();
        EXPECT_EQ(fetched.sent, heldAt == HeldAt::Body);
        EXPECT_EQ(fetched.error, HttpError::Interrupted) << ToString(fetched.error);
        EXPECT_EQ(fetched.body.size(), heldAt == HeldAt::Body ? 100u : 0u);
    }
}

TEST_F(HttpRequestTest, ARaisedInterruptStopsEveryRequestUntilCleared)
{
    TestServer server;
    server.Route("/a.wav", Reply{.body = "abc"});
    const HttpSession session(Quick());
    HttpInterrupt interrupt;
    interrupt.Raise();
    const Fetched refused = Fetch(session, server.Url("/a.wav"), 1024, &interrupt);
    EXPECT_FALSE(refused.sent);
    EXPECT_EQ(refused.error, HttpError::Interrupted);
    EXPECT_EQ(server.Hits("/a.wav"), 0u);

    interrupt.Clear();
    const Fetched fetched = Fetch(session, server.Url("/a.wav"), 1024, &interrupt);
    EXPECT_EQ(fetched.body, "abc");
    EXPECT_EQ(fetched.error, HttpError::None);
}

TEST_F(HttpRequestTest, AServerThatFallsSilentStalls)
{
    TestServer server;
    auto gate = std::make_shared<zemtest::Gate>();  // never opened
    server.Route("/silent.wav", Reply{.hold = true});
    server.Route("/stops.wav", Reply{.body = Pattern(5000), .gate = gate, .gateAfter = 1500});
    server.Route("/slow.wav", Reply{.body = Pattern(5000), .pieceSize = 1000, .pieceDelay = 20ms});
    const HttpSession stallsSoon(Quick({}, 300ms));
    const HttpSession patient(Quick({}, 5s));

    const Fetched silent = Fetch(stallsSoon, server.Url("/silent.wav"));
    EXPECT_FALSE(silent.sent);
    EXPECT_EQ(silent.error, HttpError::Stalled) << ToString(silent.error);

    const Fetched stops = Fetch(stallsSoon, server.Url("/stops.wav"));
    EXPECT_TRUE(stops.sent);
    EXPECT_EQ(stops.body.size(), 1500u);
    EXPECT_EQ(stops.error, HttpError::Stalled) << ToString(stops.error);

    const Fetched slow = Fetch(patient, server.Url("/slow.wav"));
    EXPECT_EQ(slow.error, HttpError::None) << ToString(slow.error);
    EXPECT_EQ(slow.body.size(), 5000u);
}

TEST_F(HttpRequestTest, CertificatesAreVerifiedAgainstTheGivenCa)
{
    TestServer server(TestServer::Scheme::Https);
    TestServer other(TestServer::Scheme::Https);
    server.Route("/secure.wav", Reply{.body = "secret"});
    const struct {
        const char* name;
        std::string caFile;
        std::string address;
        HttpError expected;
    } cases[] = {
        {"the server's CA", server.CaFile(), server.Url("/secure.wav"), HttpError::None},
        {"by name", server.CaFile(),
            "https://localhost:" + std::to_string(server.Port()) + "/secure.wav", HttpError::None},
        {"the system's CAs", "", server.Url("/secure.wav"), HttpError::Tls},
        {"another CA", other.CaFile(), server.Url("/secure.wav"), HttpError::Tls},
        {"a CA file that is not there", server.CaFile() + ".missing", server.Url("/secure.wav"),
            HttpError::Tls},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const Fetched fetched = Fetch(HttpSession(Quick(c.caFile)), c.address);
        EXPECT_EQ(fetched.error, c.expected) << ToString(fetched.error);
        EXPECT_EQ(fetched.sent, c.expected == HttpError::None);
        EXPECT_EQ(fetched.body, c.expected == HttpError::None ? "secret" : "");
    }
}

TEST_F(HttpRequestTest, ConnectionFailuresAreToldApart)
{
    zemtest::RefusingPort refusing;
    zemtest::StuckListener stuck;
    zemtest::SilentPeer silent;
    zemtest::PlainHttpPeer plainHttp;
    // A CA file of our own: without one the system's store is needed before any handshake.
    const TestServer secure(TestServer::Scheme::Https);
    HttpSettings settings = Quick(secure.CaFile(), 120s);
    settings.connectTimeout = 300ms;
    const HttpSession session(settings);

    const Fetched refused =
        Fetch(session, "http://127.0.0.1:" + std::to_string(refusing.Port()) + "/a.wav");
    EXPECT_FALSE(refused.sent);
    EXPECT_EQ(refused.error, HttpError::ConnectFailed) << ToString(refused.error);

    const Fetched hanging =
        Fetch(session, "http://127.0.0.1:" + std::to_string(stuck.Port()) + "/a.wav");
    EXPECT_FALSE(hanging.sent);
    EXPECT_EQ(hanging.error, HttpError::ConnectTimedOut) << ToString(hanging.error);

    // The handshake belongs to the connection, so the connect time-out ends it.
    const Fetched noHandshake =
        Fetch(session, "https://127.0.0.1:" + std::to_string(silent.Port()) + "/a.wav");
    EXPECT_FALSE(noHandshake.sent);
    EXPECT_EQ(noHandshake.error, HttpError::ConnectTimedOut) << ToString(noHandshake.error);

    const Fetched notTls =
        Fetch(session, "https://127.0.0.1:" + std::to_string(plainHttp.Port()) + "/a.wav");
    EXPECT_FALSE(notTls.sent);
    EXPECT_EQ(notTls.error, HttpError::Tls) << ToString(notTls.error);
}

// A peer whose answer holds no status line, and an address no request can be made of, are
// told apart from the other failures: the loader traces each its own way.
TEST_F(HttpRequestTest, NoReadableStatusAndUnformedRequestsAreToldApart)
{
    const HttpSession session(Quick());
    for (const char* answer : {"garbage\r\n\r\n", "HTTP/1.1 abc\r\n\r\n"}) {
        zemtest::ReadingPeer peer(answer);
        const Fetched fetched = Fetch(session, "http://127.0.0.1:" + std::to_string(peer.Port()) + "/a.wav");
        EXPECT_FALSE(fetched.sent) << answer;
        EXPECT_EQ(fetched.error, HttpError::NoStatus) << answer << ToString(fetched.error);
    }
    zemtest::RefusingPort refusing;
    // Made by hand: the parser already turns such an address away.
    const Url url{UrlScheme::Http, "127.0.0.1", refusing.Port(), "/a\x01.wav"};
    HttpRequest request(session, url);
    EXPECT_FALSE(request.Send());
    EXPECT_EQ(request.Error(), HttpError::NotFormed) << ToString(request.Error());
    EXPECT_NE(request.LibraryCode(), 0);
}

// Restores an environment variable when it goes.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const std::string& value) : name_(name)
    {
        if (const char* old = std::getenv(name))
            old_ = old;
        setenv(name, value.c_str(), 1);
    }
    ~ScopedEnv()
    {
        if (old_)
            setenv(name_, old_->c_str(), 1);
        else
            unsetenv(name_);
    }

private:
    const char* name_;
    std::optional<std::string> old_;
};

TEST_F(HttpRequestTest, ProxiesComeFromTheEnvironment)
{
    TestServer proxy;
    zemtest::RefusingPort origin;  // reached only through the proxy
    proxy.Route("/via-proxy.wav", Reply{.body = "proxied"});
    const std::string address =
        "http://127.0.0.1:" + std::to_string(origin.Port()) + "/via-proxy.wav";
    const ScopedEnv httpProxy("http_proxy", proxy.Url(""));
    {
        const Fetched fetched = Fetch(HttpSession(Quick()), address);
        EXPECT_EQ(fetched.body, "proxied");
        const std::vector<zemtest::ReceivedRequest> requests = proxy.Requests();
        ASSERT_EQ(requests.size(), 1u);
        EXPECT_EQ(requests[0].target, address);
    }
    {
        const ScopedEnv noProxy("no_proxy", "127.0.0.1");
        const Fetched direct = Fetch(HttpSession(Quick()), address);
        EXPECT_EQ(direct.error, HttpError::ConnectFailed) << ToString(direct.error);
        EXPECT_EQ(proxy.Requests().size(), 1u);
    }
}

}  // namespace
}  // namespace zem
