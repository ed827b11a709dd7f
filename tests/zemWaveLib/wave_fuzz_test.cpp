// Random mutations of a valid recording: the header reader must refuse or accept each one
// without a crash or leak (the sanitizer build checks), and every refusal must say why.
#include "wave.h"
#include "wavefiles.h"

#include "scratch.h"

#include <gtest/gtest.h>
#include <cstring>
#include <random>

using namespace wavetest;

namespace {

constexpr int kMutations = 3000;

std::string ValidRecording()
{
    std::vector<int16_t> samples(200);
    for (size_t i = 0; i < samples.size(); ++i)
        samples[i] = static_cast<int16_t>(i * 331);
    return Riff({{"fmt ", FormatData(1, 2, 8000, 16, 18)},
                 {"fact", U32(100)},
                 {"zemp", U16(2) + U16(2) + U16(1) + U16(2) + U16(3) + U16(4)},
                 {"odd ", "abc"},
                 {"data", Samples16(samples)},
                 {"ksti", "<call id=\"1\"/>\r\n"}});
}

// Chunk header offsets of the valid file, where size fields are worth hitting.
std::vector<size_t> SizeFields(const std::string& bytes)
{
    std::vector<size_t> fields{4};
    for (size_t at = 12; at + 8 <= bytes.size();) {
        fields.push_back(at + 4);
        uint32_t size = 0;
        std::memcpy(&size, bytes.data() + at + 4, 4);
        at += 8 + size;
    }
    return fields;
}

std::string Mutate(std::string bytes, const std::vector<size_t>& fields, std::mt19937& random)
{
    static const uint32_t kSizes[] = {0, 1, 2, 3, 15, 16, 17, 18, 0x7fffffff, 0x80000000, 0xfffffff8, 0xffffffff};
    const int steps = 1 + static_cast<int>(random() % 3);
    for (int step = 0; step < steps && !bytes.empty(); ++step) {
        switch (random() % 5) {
        case 0:  // one byte anywhere
            bytes[random() % bytes.size()] = static_cast<char>(random());
            break;
        case 1: {  // a size field set to an edge value or near its old one
            const size_t at = fields[random() % fields.size()];
            if (at + 4 > bytes.size())
                break;
            uint32_t size = 0;
            std::memcpy(&size, bytes.data() + at, 4);
            size = random() % 2 ? kSizes[random() % std::size(kSizes)] : size + static_cast<uint32_t>(random() % 9) - 4;
            std::memcpy(bytes.data() + at, &size, 4);
            break;
        }
        case 2:  // cut short
            bytes.resize(random() % bytes.size());
            break;
        case 3: {  // a piece repeated, so chunks appear twice or overlap
            const size_t from = random() % bytes.size();
            const size_t length = std::min<size_t>(random() % 64, bytes.size() - from);
            bytes.insert(random() % bytes.size(), bytes.substr(from, length));
            break;
        }
        case 4: {  // a chunk id replaced by another known id
            static const char* kIds[] = {"fmt ", "fact", "zemp", "data", "ksti"};
            const size_t at = fields[random() % fields.size()];
            if (at >= 4 + 12 && at <= bytes.size())
                bytes.replace(at - 4, 4, kIds[random() % 5]);
            break;
        }
        }
    }
    return bytes;
}

TEST(WaveFuzz, MutatedHeadersAreAcceptedOrRefusedWithAReason)
{
    const std::string valid = ValidRecording();
    const std::vector<size_t> fields = SizeFields(valid);
    const std::string folder = zemtest::NewFolder("fuzz");
    const std::string path = folder + "/mutant.wav";
    std::mt19937 random(20240611);
    int accepted = 0;
    int refused = 0;
    for (int i = 0; i < kMutations; ++i) {
        const std::string bytes = Mutate(valid, fields, random);
        zemtest::WriteFile(path, bytes);
        _Wave wave;
        if (!wave.SetFileName(path)) {
            ++refused;
            ASSERT_FALSE(wave.GetLastError().empty()) << "mutation " << i;
            ASSERT_EQ(wave.GetState(), _Wave::kStateFailed) << "mutation " << i;
            ASSERT_EQ(wave.GetFormat(), nullptr) << "mutation " << i;
            continue;
        }
        ++accepted;
        // Whatever was accepted must be safe to use.
        char buffer[256];
        wave.Seek(wave.GetDataSize() / 2, true);
        wave.Read(buffer, sizeof buffer);
        wave.GetLevelAt(0, 1000);
        wave.MsToBytes(1000);
        wave.BytesToMs(wave.GetDataSize());
        if (!wave.GeneratePrompt(static_cast<uint16_t>(1 + random() % 300))) {
            ASSERT_FALSE(wave.GetLastError().empty()) << "mutation " << i;
        }
        if (i % 10 == 0 && !wave.SaveAs(folder + "/copy.wav")) {
            ASSERT_FALSE(wave.GetLastError().empty()) << "mutation " << i;
        }
    }
    // Both roads must have been taken for the run to mean anything.
    EXPECT_GT(accepted, kMutations / 20);
    EXPECT_GT(refused, kMutations / 20);
}

}  // namespace
