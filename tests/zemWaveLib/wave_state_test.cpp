#include "zemWaveLib/wave.h"
#include "wavefiles.h"

#include <gtest/gtest.h>
#include <stdexcept>
#include <tuple>

using namespace wavetest;

namespace {

std::vector<std::tuple<_Wave*, uint32_t, uintptr_t>> g_calls;

void Record(_Wave* wave, uint32_t state, uintptr_t user)
{
    g_calls.emplace_back(wave, state, user);
}

void Throw(_Wave*, uint32_t, uintptr_t)
{
    throw std::runtime_error("callback failure");
}

const std::string& GoodFile()
{
    static const std::string path = WriteRecording(Pcm(1, 16, Samples16({1, 2, 3, 4})));
    return path;
}

TEST(WaveState, CallbackWith36OnlyWhenRegisteredWithFunctionFlags)
{
    const struct {
        uint32_t flags;
        uint32_t laterFlags;  // a second registration of null with these flags
        bool called;
    } cases[] = {
        {0x30000, 0x30000, false},  // cleared again
        {0x30000, 0x20000, true},   // invalid flags change nothing
        {0x30000, 0x30001, true},
        {0, 0x10000, false},        // stored but not called
        {0x10000, 0x10000, false},  // never stored
    };
    for (const auto& c : cases) {
        g_calls.clear();
        _Wave wave;
        wave.SetCallback(Record, c.flags, 77);
        wave.SetCallback(nullptr, c.laterFlags, 0);
        ASSERT_TRUE(wave.SetFileName(GoodFile()));
        const decltype(g_calls) expected{{&wave, 36, 77}};
        EXPECT_EQ(g_calls, c.called ? expected : decltype(g_calls){}) << std::hex << c.flags << " " << c.laterFlags;
    }

    g_calls.clear();
    _Wave failing;
    failing.SetCallback(Record, 0x30000, 0);
    EXPECT_FALSE(failing.SetFileName(WriteRecording("RIFX")));
    EXPECT_TRUE(g_calls.empty()) << "a failed open reports by its result";

    _Wave throwing;
    throwing.SetCallback(Throw, 0x30000, 0);
    EXPECT_TRUE(throwing.SetFileName(GoodFile())) << "an exception stays in the callback";
}

TEST(WaveState, NameOnceAndClose)
{
    _Wave wave;
    ASSERT_TRUE(wave.SetFileName(GoodFile()));
    EXPECT_FALSE(wave.SetFileName(GoodFile()));
    EXPECT_EQ(wave.GetLastError(), "FileName already set (" + GoodFile() + ")");
    EXPECT_EQ(wave.GetState(), 36u);
    EXPECT_EQ(wave.GetPlayablePath(), GoodFile());
    wave.Close();
    EXPECT_EQ(wave.GetState(), 0u);
    EXPECT_EQ(wave.GetLoadedLength(), 0u);
    EXPECT_EQ(wave.GetFormat(), nullptr);
    EXPECT_TRUE(wave.IsEof());
    EXPECT_TRUE(wave.SetFileName(GoodFile()));
}

TEST(WaveState, TransferControlAndLoadPercent)
{
    _Wave empty;
    EXPECT_FALSE(empty.Load(false)) << "no valid header";
    EXPECT_EQ(empty.GetLoadPercent(), 0.0);
    _Wave wave;
    ASSERT_TRUE(wave.SetFileName(GoodFile()));
    EXPECT_TRUE(wave.Load(false) && wave.PauseLoad() && wave.ContinueLoad() && wave.StopLoad(true));
    EXPECT_EQ(wave.GetState(), 36u);

    // The file is 52 bytes; a length field at or below it gives exactly 100.
    const std::pair<uint32_t, double> cases[] = {{52, 100.0}, {44, 100.0}, {104, 50.0}};
    for (const auto& [riffLength, percent] : cases) {
        _Wave loaded;
        ASSERT_TRUE(loaded.SetFileName(WriteRecording(Riff({{"fmt ", Fmt(1, 1, 8000, 16)}, {"data", "abcdefgh"}}, riffLength))));
        EXPECT_EQ(loaded.GetLoadPercent(), percent) << riffLength;
    }
}

}  // namespace
