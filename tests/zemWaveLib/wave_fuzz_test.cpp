// Random mutations of a valid recording: each is accepted or refused without a crash or a
// leak (the sanitizer build checks), every refusal says why, and what is accepted is safe
// to use.
#include "zemWaveLib/wave.h"
#include "wavefiles.h"

#include <gtest/gtest.h>
#include <random>

using namespace wavetest;

namespace {

constexpr int kMutations = 3000;

TEST(WaveFuzz, MutatedHeadersAreAcceptedOrRefusedWithAReason)
{
    std::vector<int16_t> samples(200);
    for (size_t i = 0; i < samples.size(); ++i)
        samples[i] = static_cast<int16_t>(i * 331);
    const std::string valid = Riff({{"fmt ", Fmt(1, 2, 8000, 16) + U16(0)}, {"fact", U32(100)},
                                    {"zemp", U16(2) + U16(2) + U32(0x10002) + U32(0x30004)}, {"odd ", "abc"},
                                    {"data", Samples16(samples)}, {"ksti", "<call id=\"1\"/>\r\n"}});
    std::vector<size_t> sizeFields{4};  // the RIFF length and every chunk size
    for (size_t at = 12; at + 8 <= valid.size(); at += 8 + U32At(valid, at + 4))
        sizeFields.push_back(at + 4);
    static const uint32_t kEdges[] = {0, 1, 3, 15, 16, 17, 18, 0x7fffffff, 0x80000000, 0xfffffff8, 0xffffffff};

    const std::string folder = zemtest::NewFolder("fuzz");
    std::mt19937 random(20240611);
    int accepted = 0;
    for (int i = 0; i < kMutations; ++i) {
        std::string bytes = valid;
        for (int step = 1 + static_cast<int>(random() % 3); step > 0 && !bytes.empty(); --step) {
            const size_t at = random() % bytes.size();
            const size_t field = sizeFields[random() % sizeFields.size()];
            switch (random() % 4) {
            case 0:  // one byte
                bytes[at] = static_cast<char>(random());
                break;
            case 1:  // a size field: an edge value or a few bytes off
                if (field + 4 <= bytes.size()) {
                    const uint32_t size = random() % 2 ? kEdges[random() % std::size(kEdges)]
                                                       : U32At(bytes, field) + static_cast<uint32_t>(random() % 9) - 4;
                    bytes.replace(field, 4, U32(size));
                }
                break;
            case 2:  // cut short
                bytes.resize(at);
                break;
            case 3:  // a piece repeated: chunks twice, overlapping chunks
                bytes.insert(random() % bytes.size(), bytes.substr(at, random() % 64));
                break;
            }
        }
        zemtest::WriteFile(folder + "/mutant.wav", bytes);
        _Wave wave;
        if (!wave.SetFileName(folder + "/mutant.wav")) {
            ASSERT_FALSE(wave.GetLastError().empty()) << "mutation " << i;
            ASSERT_EQ(wave.GetState(), _Wave::kStateFailed) << "mutation " << i;
            ASSERT_EQ(wave.GetFormat(), nullptr) << "mutation " << i;
            continue;
        }
        ++accepted;
        char buffer[256];
        wave.Seek(wave.GetDataSize() / 2, true);
        wave.Read(buffer, sizeof buffer);
        wave.GetLevelAt(0, 1000);
        if (!wave.GeneratePrompt(static_cast<uint16_t>(1 + random() % 300))) {
            ASSERT_FALSE(wave.GetLastError().empty()) << "mutation " << i;
        }
        if (i % 10 == 0 && !wave.SaveAs(folder + "/copy.wav")) {
            ASSERT_FALSE(wave.GetLastError().empty()) << "mutation " << i;
        }
    }
    // Both roads must be taken often for the run to mean anything.
    EXPECT_GT(accepted, kMutations / 20);
    EXPECT_LT(accepted, kMutations - kMutations / 20);
}

}  // namespace
