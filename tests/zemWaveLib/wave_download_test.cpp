// Downloads of recordings from HTTP and HTTPS servers that the test runs on 127.0.0.1.
#include "support/tracefile.h"
#include "support/testports.h"
#include "support/testserver.h"
#include "zemWaveLib/wave.h"
#include "wavefiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <condition_variable>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

using namespace wavetest;
using namespace std::chrono_literals;
using zemtest::Framing;
using zemtest::Reply;
using zemtest::TestServer;

namespace {

// Bounds every wait, so that a broken loader fails a test instead of hanging it.
constexpr auto kSafetyNet = 30s;
constexpr auto kPatient = 10s;  // time-outs of the downloads that must not time out
constexpr auto kShort = 200ms;  // and of those that must
constexpr uint32_t kHeader = _Wave::kStateHeaderDownload, kValid = _Wave::kStateHeaderChecked,
                   kLoading = _Wave::kStateLoading, kPaused = _Wave::kStatePaused,
                   kLoaded = _Wave::kStateLoaded, kFailed = _Wave::kStateFailed;

// A recording with `dataBytes` of sample bytes that differ at every offset.
std::string Recording(size_t dataBytes, std::vector<Chunk> before = {})
{
    std::string samples(dataBytes, '\0');
    for (size_t i = 0; i < dataBytes; ++i)
        samples[i] = static_cast<char>((i * 131 + (i >> 10) * 7) & 0xff);
    before.push_back({"fmt ", Fmt(1, 1, 8000, 16)});
    before.push_back({"data", samples});
    return Riff(before);
}

// Every callback of one recording: the state and the loaded length at that moment.
class CallbackLog {
public:
    struct Entry {
        uint32_t state, loaded;
        uint64_t onDisk = 0;  // the local copy's size at the callback
    };

    void Attach(_Wave& wave)
    {
        wave.SetCallback(&Record, _Wave::kCallbackFunction, reinterpret_cast<uintptr_t>(this));
    }
    std::vector<Entry> Entries() const
    {
        std::lock_guard guard(mutex_);
        return entries_;
    }
    std::vector<uint32_t> States(size_t from = 0) const
    {
        std::vector<uint32_t> states;
        for (const Entry& entry : Entries())
            states.push_back(entry.state);
        return {states.begin() + static_cast<long>(std::min(from, states.size())), states.end()};
    }
    // Waits for an entry at or after `from` with this state, and at least `loaded` bytes.
    bool WaitFor(uint32_t state, size_t from = 0, uint32_t loaded = 0) const
    {
        std::unique_lock guard(mutex_);
        return changed_.wait_for(guard, kSafetyNet, [&] {
            const auto first = entries_.begin() + static_cast<long>(std::min(from, entries_.size()));
            return std::any_of(first, entries_.end(),
                [&](const Entry& e) { return e.state == state && e.loaded >= loaded; });
        });
    }

private:
    static void Record(_Wave* wave, uint32_t state, uintptr_t user)
    {
        auto& log = *reinterpret_cast<CallbackLog*>(user);
        {
            std::lock_guard guard(log.mutex_);
            std::error_code ec;
            const uint64_t onDisk = std::filesystem::file_size(wave->GetPlayablePath(), ec);
            log.entries_.push_back({state, wave->GetLoadedLength(), ec ? 0 : onDisk});
        }
        log.changed_.notify_all();
    }

    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
    std::vector<Entry> entries_;
};

// A failed transfer leaves "loading" without a callback.
bool WaitWhileLoading(const _Wave& wave)
{
    const auto giveUp = std::chrono::steady_clock::now() + kSafetyNet;
    while (wave.IsLoading() && std::chrono::steady_clock::now() < giveUp)
        std::this_thread::sleep_for(1ms);
    return !wave.IsLoading();
}

std::string PathOf(std::string name)
{
    std::replace(name.begin(), name.end(), ' ', '-');
    return "/" + name + ".wav";
}

class WaveDownload : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        // Proxies from the environment would take loopback requests elsewhere.
        for (const char* name : {"http_proxy", "https_proxy", "HTTPS_PROXY", "all_proxy",
                 "ALL_PROXY", "no_proxy", "NO_PROXY"})
            unsetenv(name);
    }

    std::unique_ptr<_Wave> NewWave(CallbackLog& log, std::chrono::milliseconds timeouts = kPatient)
    {
        auto wave = std::make_unique<_Wave>();
        log.Attach(*wave);
        wave->SetDownloadSettings(
            {.caFile = secure_.CaFile(), .connectTimeout = timeouts, .stallTimeout = timeouts});
        return wave;
    }

    // Names the wave and waits for its valid header.
    static void Name(_Wave& wave, const CallbackLog& log, const std::string& url)
    {
        const size_t from = log.Entries().size();
        ASSERT_TRUE(wave.SetFileName(url));
        ASSERT_TRUE(log.WaitFor(kValid, from)) << ::testing::PrintToString(log.States());
    }

    TestServer plain_;
    TestServer secure_{TestServer::Scheme::Https};
};

// The whole file arrives byte for byte, with the callbacks 2, 4, then 12 at the start and
// after every block of at most 1024 bytes, then 36; the local copy goes with the wave.
TEST_F(WaveDownload, GoodDownloadIsByteIdenticalWithCallbacksInOrder)
{
    const std::string file = Recording(20000);
    const struct {
        const char* name;
        Reply reply;
        bool secure;
    } cases[] = {
        {"length", {.body = file}, false},
        {"chunked", {.body = file, .framing = Framing::Chunked, .pieceSize = 3000}, false},
        {"until close", {.body = file, .framing = Framing::UntilClose}, false},
        {"slow pieces", {.body = file, .pieceSize = 700, .pieceDelay = 2ms}, false},
        {"https with the test CA", {.body = file}, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TestServer& server = c.secure ? secure_ : plain_;
        server.Route(PathOf(c.name), c.reply);
        CallbackLog log;
        auto wave = NewWave(log);
        Name(*wave, log, server.Url(PathOf(c.name)));
        EXPECT_EQ(wave->GetDataSize(), 20000u);
        EXPECT_EQ(wave->BytesToMs(16000), 1000u);
        const std::string local = wave->GetPlayablePath();

        ASSERT_TRUE(wave->Load(false));
        ASSERT_TRUE(log.WaitFor(kLoaded)) << ::testing::PrintToString(log.States());
        EXPECT_EQ(zemtest::ReadFile(local), file);
        EXPECT_EQ(wave->GetLoadPercent(), 100.0);
        const auto entries = log.Entries();
        ASSERT_GT(entries.size(), 4 + file.size() / 1024);
        EXPECT_EQ(log.States().front(), kHeader);
        EXPECT_EQ(entries[1].state, kValid);
        EXPECT_EQ(entries[2].state, kLoading);
        uint32_t previous = 0;
        for (size_t i = 3; i + 1 < entries.size(); ++i) {
            EXPECT_EQ(entries[i].state, kLoading);
            EXPECT_GT(entries[i].loaded, previous);
            EXPECT_LE(entries[i].loaded - previous, 1024u);
            EXPECT_LE(entries[i].loaded, entries[i].onDisk) << "told before it was written";
            previous = entries[i].loaded;
        }
        EXPECT_EQ(previous, file.size());
        EXPECT_EQ(entries.back().state, kLoaded);

        // Complete: nothing to load, pause or stop, and the local copy plays.
        EXPECT_TRUE(wave->Load(false) && wave->PauseLoad() && wave->ContinueLoad());
        EXPECT_TRUE(wave->StopLoad(true));
        std::vector<char> samples(4000);
        EXPECT_EQ(wave->Read(samples.data(), 4000), 4000u);
        EXPECT_EQ(log.Entries().size(), entries.size());
        wave.reset();
        EXPECT_FALSE(zemtest::Exists(local));
    }
    // Header download and full load: one GET each, a reload, named by the address.
    EXPECT_EQ(plain_.Requests().size(), 8u);
    for (const zemtest::ReceivedRequest& request : plain_.Requests()) {
        EXPECT_EQ(request.method, "GET");
        EXPECT_EQ(request.headers.at("user-agent"), plain_.Url(request.path));
        EXPECT_EQ(request.headers.at("cache-control"), "no-cache");
    }
}

// Header downloads end in 4 (valid) or 1 (failed), with one callback of 2 before.
TEST_F(WaveDownload, HeaderDownloadOutcomes)
{
    const zemtest::RefusingPort refusing;
    const zemtest::StuckListener stuck;
    const std::string good = Recording(50000);
    auto closed = std::make_shared<zemtest::Gate>();
    const auto loopback = [](uint16_t port) {
        return "http://127.0.0.1:" + std::to_string(port) + "/a.wav";
    };
    const auto listFirst = [](size_t size) {
        return Reply{.body = Recording(100, {{"LIST", std::string(size, 'l')}})};
    };
    const struct {
        const char* name;
        std::optional<Reply> reply;  // none: not routed (404), or `address` is used
        std::string address;
        std::chrono::milliseconds timeouts;
        uint32_t expected;
    } cases[] = {
        {"valid rest held back", Reply{.body = good, .gate = closed, .gateAfter = 2048}, {},
            kPatient, kValid},
        {"9000-byte LIST first", listFirst(9000), {}, kPatient, kValid},
        {"not found", std::nullopt, {}, kPatient, kFailed},
        {"redirect", Reply{.status = 302, .headers = {{"Location", "/good.wav"}}}, {}, kPatient,
            kFailed},
        {"30 bytes", Reply{.body = good.substr(0, 30)}, {}, kPatient, kFailed},
        {"12000-byte LIST first", listFirst(12000), {}, kPatient, kFailed},
        {"not RIFF", Reply{.body = std::string(20000, '<')}, {}, kPatient, kFailed},
        {"closed early", Reply{.body = good, .closeAfter = 40}, {}, kPatient, kFailed},
        {"no response", Reply{.hold = true}, {}, kShort, kFailed},
        {"silent after 20 bytes", Reply{.body = good, .gate = closed, .gateAfter = 20}, {}, kShort,
            kFailed},
        {"refused", std::nullopt, loopback(refusing.Port()), kPatient, kFailed},
        {"connect hangs", std::nullopt, loopback(stuck.Port()), kShort, kFailed},
        {"bad address", std::nullopt, "http:/127.0.0.1/a.wav", kPatient, kFailed},
        {"https without the test CA", std::nullopt, secure_.Url("/good.wav"), kPatient, kFailed},
    };
    plain_.Route("/good.wav", {.body = good});
    secure_.Route("/good.wav", {.body = good});
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.reply)
            plain_.Route(PathOf(c.name), *c.reply);
        CallbackLog log;
        auto wave = NewWave(log, c.timeouts);
        if (c.address.rfind("https:", 0) == 0)
            wave->SetDownloadSettings({});  // the system's store only
        ASSERT_TRUE(wave->SetFileName(c.address.empty() ? plain_.Url(PathOf(c.name)) : c.address));
        ASSERT_TRUE(log.WaitFor(c.expected));
        EXPECT_EQ(log.States(), (std::vector<uint32_t>{kHeader, c.expected}));
        EXPECT_EQ(wave->Load(false), c.expected == kValid);
    }
    EXPECT_EQ(plain_.Hits("/good.wav"), 0u) << "a redirect is not followed";
}

using zemtest::TraceToFile;
[[maybe_unused]] ::testing::Environment* const g_trace = ::testing::AddGlobalTestEnvironment(new TraceToFile);

// Each step of the header download that fails says which, in the trace.
TEST_F(WaveDownload, FailedStepsAreTracedEachItsOwnWay)
{
    const zemtest::RefusingPort refusing;
    const zemtest::ReadingPeer garbled("HTTP/1.1 abc\r\n\r\n");
    const auto loopback = [](uint16_t port) { return "http://127.0.0.1:" + std::to_string(port) + "/a.wav"; };
    const struct {
        std::string address;
        std::string line;
    } cases[] = {
        {loopback(refusing.Port()), "GetHttpConnection('127.0.0.1', " + std::to_string(refusing.Port()) + ") failed."},
        {loopback(garbled.Port()), "QueryInfoStatusCode() failed with retcode 0x"},  // the library's code follows
        {plain_.Url("/missing.wav"), "Request '" + plain_.Url("/missing.wav") + "' got status code '404'"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.address);
        CallbackLog log;
        auto wave = NewWave(log, kPatient);
        ASSERT_TRUE(wave->SetFileName(c.address));
        ASSERT_TRUE(log.WaitFor(kFailed));
        EXPECT_NE(zemtest::ReadFile(TraceToFile::Path()).find(c.line), std::string::npos) << c.line;
    }
}

// A full load that breaks off never reports 36: it ends in state 1, and the recording can be
// named again (by a new loader thread).
TEST_F(WaveDownload, BrokenFullLoadEndsInFailure)
{
    const std::string file = Recording(30000);
    auto closed = std::make_shared<zemtest::Gate>();
    const struct {
        const char* name;
        Reply header;
        std::optional<Reply> full;  // the reply to the full load when it differs
        std::chrono::milliseconds timeouts;
    } cases[] = {
        {"closed early", {.body = file, .closeAfter = 15000}, std::nullopt, kPatient},
        {"chunked closed early",
            {.body = file, .framing = Framing::Chunked, .pieceSize = 4000, .closeAfter = 15000},
            std::nullopt, kPatient},
        {"gone for the full load", {.body = file}, Reply{.status = 404}, kPatient},
        {"stalls", {.body = file, .gate = closed, .gateAfter = 9000}, std::nullopt, kShort},
        {"two format chunks",
            {.body = Riff({{"fmt ", Fmt(1, 1, 8000, 16)}, {"fmt ", Fmt(1, 2, 8000, 16)}, {"data", file}})},
            std::nullopt, kPatient},
    };
    plain_.Route("/good.wav", {.body = file});
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        plain_.Route(PathOf(c.name), c.header);
        CallbackLog log;
        auto wave = NewWave(log, c.timeouts);
        Name(*wave, log, plain_.Url(PathOf(c.name)));
        if (c.full)
            plain_.Route(PathOf(c.name), *c.full);
        ASSERT_TRUE(wave->Load(false));
        ASSERT_TRUE(log.WaitFor(kLoading));
        ASSERT_TRUE(WaitWhileLoading(*wave));
        EXPECT_EQ(wave->GetState(), kFailed);
        const std::vector<uint32_t> states = log.States(2);
        EXPECT_EQ(std::count(states.begin(), states.end(), kLoading), std::ssize(states))
            << ::testing::PrintToString(states);
        EXPECT_FALSE(wave->Load(false));

        wave->Close();
        const size_t closedAt = log.Entries().size();
        Name(*wave, log, plain_.Url("/good.wav"));
        ASSERT_TRUE(wave->Load(false));
        EXPECT_TRUE(log.WaitFor(kLoaded, closedAt));
    }
}

// A pause during the transfer gives 20; Load or ContinueLoad then starts again at byte 0.
TEST_F(WaveDownload, PauseThenRestartFromByteZero)
{
    const std::string file = Recording(40000);
    for (const bool viaContinue : {false, true}) {
        SCOPED_TRACE(viaContinue ? "ContinueLoad" : "Load");
        auto gate = std::make_shared<zemtest::Gate>();
        const std::string path = viaContinue ? "/continue.wav" : "/load.wav";
        plain_.Route(path, {.body = file, .gate = gate, .gateAfter = 8192});
        CallbackLog log;
        auto wave = NewWave(log);
        Name(*wave, log, plain_.Url(path));
        ASSERT_TRUE(wave->Load(false));
        ASSERT_TRUE(log.WaitFor(kLoading, 0, 8192));
        EXPECT_FALSE(wave->Load(false)) << "already loading";

        EXPECT_FALSE(wave->PauseLoad()) << "the pause follows later";
        ASSERT_TRUE(log.WaitFor(kPaused));
        EXPECT_EQ(wave->GetState(), kPaused);
        const size_t paused = log.Entries().size();
        EXPECT_EQ(log.States(paused - 1), std::vector<uint32_t>{kPaused});

        gate->Open();
        EXPECT_EQ(viaContinue ? wave->ContinueLoad() : wave->Load(false), !viaContinue);
        ASSERT_TRUE(log.WaitFor(kLoaded, paused));
        const auto entries = log.Entries();
        EXPECT_EQ(entries[paused].state, kLoading);
        EXPECT_LE(entries[paused + 1].loaded, 1024u) << "written again from byte 0";
        EXPECT_EQ(zemtest::ReadFile(wave->GetPlayablePath()), file);
        EXPECT_EQ(plain_.Hits(path), 3u);
    }
}

// StopLoad(true) returns as soon as the stop took effect, while the server still holds the
// response: before its headers or in the middle of the body. The stall time-out (10 s) is
// longer than a stop may take.
TEST_F(WaveDownload, StopLoadWaitsOnlyForTheStop)
{
    const std::string file = Recording(40000);
    auto closed = std::make_shared<zemtest::Gate>();
    const struct {
        const char* name;
        Reply full;
        uint32_t loadedFirst;
    } cases[] = {
        {"while connecting", {.hold = true}, 0},
        {"mid-body", {.body = file, .gate = closed, .gateAfter = 4096}, 4096},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        plain_.Route(PathOf(c.name), {.body = file});
        CallbackLog log;
        auto wave = NewWave(log);
        Name(*wave, log, plain_.Url(PathOf(c.name)));
        plain_.Route(PathOf(c.name), c.full);
        ASSERT_TRUE(wave->Load(false));
        ASSERT_TRUE(plain_.WaitForHits(PathOf(c.name), 2));
        ASSERT_TRUE(log.WaitFor(kLoading, 0, c.loadedFirst));

        EXPECT_TRUE(wave->StopLoad(true));
        EXPECT_EQ(wave->GetState(), kPaused);
        EXPECT_TRUE(log.WaitFor(kPaused));
        EXPECT_TRUE(wave->StopLoad(true)) << "a paused recording stops at once";
        EXPECT_EQ(wave->GetState(), kPaused);
    }
}

// Destroying or closing a recording mid-download ends the download at once and removes the
// local copy; the sanitizer build checks that nothing is used after it was freed or leaks.
TEST_F(WaveDownload, DestroyOrCloseMidDownload)
{
    const std::string file = Recording(40000);
    auto closed = std::make_shared<zemtest::Gate>();
    plain_.Route("/held.wav", {.hold = true});
    plain_.Route("/gated.wav", {.body = file, .gate = closed, .gateAfter = 4096});
    plain_.Route("/good.wav", {.body = file});
    const struct {
        const char* name;
        const char* path;
        uint32_t waitFor;  // 0: the request arrived; 4: idle after the header; 12: transfer
        bool close;        // Close and use the wave again, instead of destroying it
    } cases[] = {
        {"idle after the header", "/good.wav", kValid, false},
        {"in the header download", "/held.wav", 0, false},
        {"in the transfer", "/gated.wav", kLoading, false},
        {"closed in the header download", "/held.wav", 0, true},
        {"closed in the transfer", "/gated.wav", kLoading, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CallbackLog log;
        auto wave = NewWave(log);
        const size_t hits = plain_.Hits(c.path);
        ASSERT_TRUE(wave->SetFileName(plain_.Url(c.path)));
        ASSERT_TRUE(plain_.WaitForHits(c.path, hits + 1));
        if (c.waitFor != 0) {
            ASSERT_TRUE(log.WaitFor(kValid));
        }
        if (c.waitFor == kLoading) {
            ASSERT_TRUE(wave->Load(false));
            ASSERT_TRUE(log.WaitFor(kLoading, 0, 4096));
        }
        const std::string local = wave->GetPlayablePath();
        ASSERT_TRUE(zemtest::Exists(local));
        if (!c.close) {
            wave.reset();
            EXPECT_FALSE(zemtest::Exists(local));
            continue;
        }
        wave->Close();
        EXPECT_EQ(wave->GetState(), _Wave::kStateNone);
        EXPECT_EQ(wave->GetPlayablePath(), "");
        EXPECT_FALSE(zemtest::Exists(local));
        const size_t closedAt = log.Entries().size();
        Name(*wave, log, plain_.Url("/good.wav"));
        EXPECT_EQ(log.States(closedAt), (std::vector<uint32_t>{kHeader, kValid}))
            << "nothing of the closed download comes after Close";
        ASSERT_TRUE(wave->Load(false));
        ASSERT_TRUE(log.WaitFor(kLoaded, closedAt));
        EXPECT_EQ(zemtest::ReadFile(wave->GetPlayablePath()), file);
    }
}

// Each address gets its own local copy, reserved when it is named, in the folder TMP names.
// Download runs the header download again; without a loader (a local file) it does nothing.
TEST_F(WaveDownload, LocalCopiesAndRepeatedHeaderDownload)
{
    plain_.Route("/rec.wav", {.body = Recording(3000)});
    CallbackLog log, otherLog;
    auto wave = NewWave(log);
    auto other = NewWave(otherLog);
    Name(*wave, log, plain_.Url("/rec.wav"));
    Name(*other, otherLog, plain_.Url("/rec.wav"));
    const std::filesystem::path a = wave->GetPlayablePath(), b = other->GetPlayablePath();
    EXPECT_NE(a, b);
    for (const auto& path : {a, b}) {
        EXPECT_TRUE(zemtest::Exists(path.string()));
        EXPECT_EQ(path.parent_path(), std::filesystem::path(std::getenv("TMP")));
        EXPECT_EQ(path.filename().string().rfind("qmf", 0), 0u) << path;
        EXPECT_EQ(path.extension(), ".tmp");
    }

    wave->Download();
    ASSERT_TRUE(log.WaitFor(kValid, 2));
    EXPECT_EQ(log.States(), (std::vector<uint32_t>{kHeader, kValid, kHeader, kValid}));
    EXPECT_EQ(plain_.Hits("/rec.wav"), 3u);

    CallbackLog localLog;
    auto local = NewWave(localLog);
    ASSERT_TRUE(local->SetFileName(WriteRecording(Recording(3000))));
    local->Download();
    EXPECT_EQ(localLog.States(), std::vector<uint32_t>{kLoaded});
}

}  // namespace
