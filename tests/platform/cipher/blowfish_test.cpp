#include "cipher/blowfish.h"
#include "cipherfixture.h"
#include "support/scratch.h"

#include <gtest/gtest.h>
#include <string>

namespace {

using ciphertest::Decipher;
using ciphertest::Encipher;
using ciphertest::MixedData;

// Error numbers are part of the library's interface (docs/cipher-format.md).
constexpr int32_t kNoKey = 1, kOpenSource = 3, kNotEnciphered = 7, kTruncated = 9, kDamaged = 10,
                  kWrongKey = 11, kCrcMismatch = 12;

TEST(BlowfishLibrary, RoundTripsGiveBackEveryByte)
{
    const std::string folder = zemtest::NewFolder("roundtrip");
    const std::string plain = folder + "/plain", enc = folder + "/enc", back = folder + "/back";
    const std::string zeros(8 * 1024 * 1024, '\0');  // inflates to many full output pieces
    for (const std::string& data : {std::string(), std::string("a"), MixedData(7), MixedData(8),
                                    MixedData(9), MixedData(3 * 1024 * 1024 + 5), zeros}) {
        zemtest::WriteFile(plain, data);
        for (const bool crc : {true, false}) {
            for (const bool zip : {true, false}) {
                SCOPED_TRACE("size " + std::to_string(data.size()) + " crc " + std::to_string(crc) +
                             " zip " + std::to_string(zip));
                ASSERT_TRUE(Encipher("secret", crc, zip, plain, enc).ok);
                if (data.size() >= 8 && data != zeros) {  // the header holds zero bytes
                    EXPECT_EQ(zemtest::ReadFile(enc).find(data.substr(0, 8)), std::string::npos);
                }
                // Compression follows the file; a reader that skips the CRC reads it too.
                for (const bool check : {true, false}) {
                    ASSERT_TRUE(Decipher("secret", check, enc, back).ok);
                    EXPECT_TRUE(zemtest::ReadFile(back) == data);
                }
            }
        }
    }
    ASSERT_TRUE(Encipher("secret", true, true, plain, enc).ok);
    EXPECT_LT(zemtest::ReadFile(enc).size(), zeros.size() / 100);
}

TEST(BlowfishLibrary, EveryRunDrawsAFreshIv)
{
    const std::string folder = zemtest::NewFolder("iv");
    zemtest::WriteFile(folder + "/plain", MixedData(1000));
    ASSERT_TRUE(Encipher("secret", true, false, folder + "/plain", folder + "/a").ok);
    ASSERT_TRUE(Encipher("secret", true, false, folder + "/plain", folder + "/b").ok);
    EXPECT_NE(zemtest::ReadFile(folder + "/a"), zemtest::ReadFile(folder + "/b"));
}

struct BadInput {
    const char* name;
    bool crc;
    bool zip;
    std::string key;                     // the key the decipher uses
    void (*spoil)(std::string& enc);     // what happens to the enciphered file
    int32_t error;
    std::string text;                    // how the library's text begins
};

void Keep(std::string&) {}
void CutOne(std::string& enc) { enc.pop_back(); }
void CutBlock(std::string& enc) { enc.resize(enc.size() - 8); }
void CutInHeader(std::string& enc) { enc.resize(20); }
void FlipMiddle(std::string& enc) { enc[enc.size() / 2] ^= 0x10; }
void AppendByte(std::string& enc) { enc += 'x'; }

TEST(BlowfishLibrary, BadInputFailsWithItsErrorAndLeavesNoDestination)
{
    const std::string truncated = "the enciphered file is truncated";
    const BadInput cases[] = {
        {"wrong key", true, false, "wrong", Keep, kWrongKey, "wrong key"},
        {"wrong key, no crc", false, false, "wrong", Keep, kWrongKey, "wrong key"},
        {"wrong key, compressed", false, true, "secret!", Keep, kWrongKey, "wrong key"},
        {"one byte short", true, false, "secret", CutOne, kTruncated, truncated},
        {"one block short, no crc", false, false, "secret", CutBlock, kTruncated, truncated},
        {"cut in the header", true, false, "secret", CutInHeader, kTruncated, truncated},
        {"flipped byte", true, false, "secret", FlipMiddle, kCrcMismatch,
         "CRC check failed: the deciphered data is damaged"},
        // Where inflate trips over the garbled block depends on the random IV.
        {"flipped byte, compressed, no crc", false, true, "secret", FlipMiddle, kDamaged,
         "the enciphered file is damaged ("},
        {"byte after the end", true, false, "secret", AppendByte, kDamaged,
         "the enciphered file is damaged (data after the end)"},
        {"no key", true, false, "", Keep, kNoKey, "no key set"},
    };
    const std::string folder = zemtest::NewFolder("bad");
    const std::string plain = folder + "/plain", enc = folder + "/enc", out = folder + "/out";
    zemtest::WriteFile(plain, MixedData(100000));
    for (const BadInput& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(Encipher("secret", c.crc, c.zip, plain, enc).ok);
        std::string bytes = zemtest::ReadFile(enc);
        c.spoil(bytes);
        zemtest::WriteFile(enc, bytes);
        const ciphertest::CipherRun run = Decipher(c.key, true, enc, out);
        EXPECT_FALSE(run.ok);
        EXPECT_EQ(run.error, c.error);
        EXPECT_TRUE(run.text.starts_with(c.text)) << run.text;
        EXPECT_FALSE(zemtest::Exists(out));
    }
}

TEST(BlowfishLibrary, NamesTheFileItCannotUse)
{
    const std::string folder = zemtest::NewFolder("names");
    const std::string text = folder + "/text";
    zemtest::WriteFile(text, "just some text, never enciphered");
    const ciphertest::CipherRun notEnciphered = Decipher("secret", true, text, folder + "/out");
    EXPECT_EQ(notEnciphered.error, kNotEnciphered);
    EXPECT_EQ(notEnciphered.text, "\"" + text + "\" is not an enciphered file");

    const ciphertest::CipherRun missing = Encipher("secret", true, false, folder + "/none", folder + "/out");
    EXPECT_EQ(missing.error, kOpenSource);
    EXPECT_EQ(missing.text, "cannot open \"" + folder + "/none\": No such file or directory");
    EXPECT_FALSE(zemtest::Exists(folder + "/out"));

    const ciphertest::CipherRun same = Encipher("secret", true, false, text, text);
    EXPECT_EQ(same.text, "cannot create \"" + text + "\": it is the source file");
    EXPECT_EQ(zemtest::ReadFile(text), "just some text, never enciphered");
}

TEST(BlowfishLibrary, ErrorLogFileCollectsEveryFailure)
{
    const std::string folder = zemtest::NewFolder("log");
    const std::string log = folder + "/errors.log";
    for (int i = 0; i < 2; ++i) {
        BF_SetErrorLogFile(log.c_str());
        BF_SetBlowfishKey("secret");
        BF_InitializeKey();
        int32_t error = 0;
        EXPECT_EQ(BF_Decipher_File((folder + "/none").c_str(), (folder + "/out").c_str(), &error), 0);
    }
    BF_SetErrorLogFile(nullptr);
    const std::string line = "cannot open \"" + folder + "/none\": No such file or directory\n";
    EXPECT_EQ(zemtest::ReadFile(log), line + line);
}

}  // namespace
