#include "wave.h"
#include "wavefiles.h"

#include <gtest/gtest.h>

#include <vector>

using namespace wavetest;

namespace {

struct Call {
    _Wave* wave;
    uint32_t state;
    uintptr_t user;
};
std::vector<Call> g_calls;

void Record(_Wave* wave, uint32_t state, uintptr_t user)
{
    g_calls.push_back({wave, state, user});
}

void Throw(_Wave*, uint32_t, uintptr_t)
{
    throw std::runtime_error("callback failure");
}

const std::string& GoodFile()
{
    static const std::string path = WriteRecording(Pcm(1, 8000, 16, Samples16({1, 2, 3, 4})));
    return path;
}

TEST(WaveState, CallbackOnlyWithFunctionFlags)
{
    const struct {
        uint32_t flags;
        bool called;
    } cases[] = {
        {0x30000, true},
        {0, false},        // stored but not called
        {0x10000, false},  // not stored at all
        {0x30001, false},
    };
    for (const auto& c : cases) {
        g_calls.clear();
        _Wave wave;
        wave.SetCallback(Record, c.flags, 77);
        ASSERT_TRUE(wave.SetFileName(GoodFile()));
        if (c.called) {
            ASSERT_EQ(g_calls.size(), 1u) << std::hex << c.flags;
            EXPECT_EQ(g_calls[0].wave, &wave);
            EXPECT_EQ(g_calls[0].state, 36u);
            EXPECT_EQ(g_calls[0].user, 77u);
        } else {
            EXPECT_TRUE(g_calls.empty()) << std::hex << c.flags;
        }
    }
}

TEST(WaveState, InvalidFlagsKeepTheRegisteredCallback)
{
    g_calls.clear();
    _Wave wave;
    wave.SetCallback(Record, 0x30000, 1);
    wave.SetCallback(nullptr, 0x20000, 0);
    ASSERT_TRUE(wave.SetFileName(GoodFile()));
    EXPECT_EQ(g_calls.size(), 1u);
}

TEST(WaveState, NoCallbackForAFailedOpenAndAThrowingCallbackIsContained)
{
    g_calls.clear();
    _Wave failing;
    failing.SetCallback(Record, 0x30000, 0);
    EXPECT_FALSE(failing.SetFileName(WriteRecording("RIFX")));
    EXPECT_TRUE(g_calls.empty());

    _Wave throwing;
    throwing.SetCallback(Throw, 0x30000, 0);
    EXPECT_TRUE(throwing.SetFileName(GoodFile()));
    EXPECT_EQ(throwing.GetState(), 36u);
}

TEST(WaveState, NameOnceCloseAndName)
{
    _Wave wave;
    ASSERT_TRUE(wave.SetFileName(GoodFile()));
    EXPECT_FALSE(wave.SetFileName(GoodFile()));
    EXPECT_EQ(wave.GetLastError(), "FileName already set (" + GoodFile() + ")");
    EXPECT_EQ(wave.GetState(), 36u) << "the refused second name changes nothing";
    EXPECT_EQ(wave.GetPlayablePath(), GoodFile());

    wave.Close();
    EXPECT_EQ(wave.GetState(), 0u);
    EXPECT_EQ(wave.GetLoadedLength(), 0u);
    EXPECT_EQ(wave.GetFormat(), nullptr);
    EXPECT_EQ(wave.GetPlayablePath(), "");
    EXPECT_TRUE(wave.IsEof());
    EXPECT_TRUE(wave.SetFileName(GoodFile()));
}

TEST(WaveState, AddressesFailClearlyUntilDownloadsExist)
{
    for (const std::string name : {"http://127.0.0.1/a.wav", "HTTPS://127.0.0.1/a.wav"}) {
        _Wave wave;
        EXPECT_FALSE(wave.SetFileName(name));
        EXPECT_EQ(wave.GetState(), _Wave::kStateFailed);
        EXPECT_NE(wave.GetLastError().find(name), std::string::npos) << wave.GetLastError();
    }
}

TEST(WaveState, TransferControlOfALocalRecording)
{
    _Wave empty;
    EXPECT_FALSE(empty.Load(false)) << "no valid header";
    EXPECT_TRUE(empty.PauseLoad());
    EXPECT_TRUE(empty.ContinueLoad());
    EXPECT_TRUE(empty.StopLoad(true));

    _Wave wave;
    ASSERT_TRUE(wave.SetFileName(GoodFile()));
    EXPECT_TRUE(wave.Load(false));
    EXPECT_FALSE(wave.IsLoading());
    EXPECT_TRUE(wave.PauseLoad());
    EXPECT_TRUE(wave.ContinueLoad());
    EXPECT_TRUE(wave.StopLoad(false));
    EXPECT_EQ(wave.GetState(), 36u);
}

TEST(WaveState, LoadPercent)
{
    _Wave wave;
    EXPECT_EQ(wave.GetLoadPercent(), 0.0);
    // The stored length is the whole file (52 here); a length below it still gives 100.
    const struct {
        uint32_t riffLength;
        double percent;
    } cases[] = {{52, 100.0}, {44, 100.0}, {104, 50.0}};
    for (const auto& c : cases) {
        _Wave loaded;
        const std::string bytes = Riff({{"fmt ", FormatData(1, 1, 8000, 16)}, {"data", Samples16({1, 2, 3, 4})}},
                                       c.riffLength);
        ASSERT_TRUE(loaded.SetFileName(WriteRecording(bytes)));
        EXPECT_EQ(loaded.GetLoadPercent(), c.percent) << c.riffLength;
    }
    _Wave noData;
    ASSERT_TRUE(noData.SetFileName(WriteRecording(Riff({{"fmt ", FormatData(1, 1, 8000, 16)}}))));
    EXPECT_EQ(noData.GetLoadPercent(), 0.0);
}

}  // namespace
