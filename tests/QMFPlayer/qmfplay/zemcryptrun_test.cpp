// Deciphering through the cipher tool: the key reaches it as one argument whatever it holds,
// and a chunk enciphered by the real tool comes out of the conversion as plain audio.
#include "QMFPlayer/qmfplay/qmfconversion.h"
#include "QMFPlayer/qmfplay/zemcryptrun.h"
#include "ZemBaseLib/systemtool.h"
#include "qmftestfile.h"
#include "recordingview.h"
#include "support/scratch.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

void WriteScript(const std::string& path, const std::string& body)
{
    zemtest::WriteFile(path, "#!/bin/sh\n" + body);
    chmod(path.c_str(), 0755);
}

std::vector<std::string> SplitAtNul(const std::string& text)
{
    std::vector<std::string> parts;
    for (size_t at = 0; at < text.size();) {
        const size_t end = text.find('\0', at);
        parts.push_back(text.substr(at, end - at));
        at = end + 1;
    }
    return parts;
}

TEST(ZemCryptRun, KeyIsOneArgumentWhateverItHolds)
{
    const std::string folder = zemtest::NewFolder("crypt");
    const std::string log = folder + "/args";
    WriteScript(folder + "/zemcrypt.exe", "printf '%s\\0' \"$@\" > '" + log + "'\n");
    const std::string chunk = folder + "/my chunk.dat";
    for (const std::string key : {"plain", "a\" -zip \"b", "-nocrc", "", "back\\\\\"slash\\", "tab\there", "new\nline x"}) {
        SCOPED_TRACE(key);
        std::filesystem::remove(log);
        ASSERT_TRUE(ZemCryptRun(folder)(key, chunk));
        EXPECT_EQ(SplitAtNul(zemtest::ReadFile(log)), (std::vector<std::string>{"-dec", "-k", key, chunk}));
    }
}

TEST(ZemCryptRun, MissingOrBrokenToolIsReported)
{
    const std::string folder = zemtest::NewFolder("crypt");
    EXPECT_FALSE(ZemCryptRun(folder)("k", folder + "/x.dat"));
    zemtest::WriteFile(folder + "/zemcrypt.exe", "not a program");  // not executable
    EXPECT_FALSE(ZemCryptRun(folder)("k", folder + "/x.dat"));
}

TEST(ZemCryptRun, EncipheredRecordingIsDecipheredInTheFolder)
{
    const std::string work = zemtest::NewFolder("real");
    const std::string plain(3000, 'w');
    zemtest::WriteFile(work + "/plain.wav", plain);
    const std::string key = "k\"ey -zip";
    const ToolRun encipher = RunSystemTool(ZEMCRYPT_PATH, {"-k", key, work + "/plain.wav", work + "/secret"}, 20000);
    ASSERT_TRUE(encipher.exited && encipher.exitCode == 0) << encipher.output;
    const std::string secret = zemtest::ReadFile(work + "/secret");
    ASSERT_NE(secret, plain);

    const std::string folder = work + "/T";
    std::filesystem::create_directories(folder);
    std::filesystem::create_symlink(ZEMCRYPT_PATH, folder + "/zemcrypt.exe");
    std::string xml = qmftest::SmallCallXml("k&quot;ey -zip");
    zemtest::WriteFile(work + "/call.qmf", qmftest::MakeQmf(xml, {{"REC1", secret}, {"ATT1", "a"}}));
    RecordingView view;
    ConversionSettings settings;
    settings.folder = folder;
    settings.decipher = ZemCryptRun(folder);
    ASSERT_EQ(ConvertRecordingFile(work + "/call.qmf", settings, view), ConversionResult::Done);
    EXPECT_TRUE(view.Messages().empty());
    EXPECT_EQ(zemtest::ReadFile(folder + "/REC1.dat"), plain);
}

}  // namespace
