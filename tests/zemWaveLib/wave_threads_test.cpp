#include "zemWaveLib/wave.h"
#include "wavefiles.h"
#include "ZemBaseLib/xmlelement.h"

#include <atomic>
#include <cstring>
#include <gtest/gtest.h>
#include <thread>

using namespace wavetest;

namespace {

// A drawing thread holds the recording's lock while it reads the records; the records it
// sees must be whole, whichever replacement came last.
TEST(WaveThreads, ReadersUnderTheLockSeeWholeRecords)
{
    std::vector<int16_t> samples(8000);
    for (size_t i = 0; i < samples.size(); ++i)
        samples[i] = static_cast<int16_t>(i * 3 + 1);
    _Wave wave;
    ASSERT_TRUE(wave.SetFileName(WriteRecording(Pcm(1, 16, Samples16(samples)))));

    std::atomic<bool> stop{false};
    int torn = 0;
    std::thread reader([&] {
        do {
            std::lock_guard lock(wave.GetLock());
            if (const uint8_t* prompt = wave.GetPrompt()) {
                uint16_t header[2];
                std::memcpy(header, prompt, 4);
                const double step = 16000.0 / header[1];
                for (uint16_t i = 0; i < header[1]; ++i) {
                    int16_t value = 0;
                    std::memcpy(&value, prompt + 4 + 2 * i, 2);
                    const uint32_t position = static_cast<uint32_t>(i * step) & ~1u;
                    torn += header[0] != 1 || value != samples[position / 2];
                }
            }
            if (const char* text = wave.GetMetadata()) {
                const std::string metadata(text, wave.GetMetadataSize());
                torn += metadata.rfind("<m", 0) != 0;
            }
        } while (!stop.load());
    });
    for (int round = 0; round < 300; ++round) {
        EXPECT_TRUE(wave.GeneratePrompt(static_cast<uint16_t>(1 + round % 200)));
        XmlElement root("m");
        root.SetAttribute("round", std::string(static_cast<size_t>(round), 'r'));
        wave.SetMetadata(root);
    }
    stop = true;
    reader.join();
    EXPECT_EQ(torn, 0);
}

}  // namespace
