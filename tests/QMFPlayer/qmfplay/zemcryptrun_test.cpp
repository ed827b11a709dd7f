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

using namespace std::string_literals;

namespace {

TEST(ZemCryptRun, KeyIsOneArgumentWhateverItHolds)
{
    const std::string folder = zemtest::NewFolder("crypt"), log = folder + "/args", tool = folder + "/zemcrypt.exe";
    EXPECT_FALSE(ZemCryptRun(folder)("k", folder + "/x.dat"));
    zemtest::WriteFile(tool, "#!/bin/sh\nprintf '%s\\0' \"$@\" > '" + log + "'\n");
    EXPECT_FALSE(ZemCryptRun(folder)("k", folder + "/x.dat"));  // not executable
    chmod(tool.c_str(), 0755);
    const std::string chunk = folder + "/my chunk.dat";
    for (const std::string key : {"plain", "a\" -zip \"b", "-nocrc", "", "back\\\\\"slash\\", "tab\there", "new\nline x"}) {
        ASSERT_TRUE(ZemCryptRun(folder)(key, chunk));
        EXPECT_EQ(zemtest::ReadFile(log), "-dec\0-k\0"s + key + '\0' + chunk + '\0') << key;
    }
}

TEST(ZemCryptRun, EncipheredRecordingIsDecipheredInTheFolder)
{
    const std::string work = zemtest::NewFolder("real"), folder = work + "/T", plain(3000, 'w');
    zemtest::WriteFile(work + "/plain.wav", plain);
    const ToolRun encipher = RunSystemTool(ZEMCRYPT_PATH, {"-k", "k\"ey -zip", work + "/plain.wav", work + "/secret"}, 20000);
    ASSERT_TRUE(encipher.exited && encipher.exitCode == 0) << encipher.output;
    std::filesystem::create_directories(folder);
    std::filesystem::create_symlink(ZEMCRYPT_PATH, folder + "/zemcrypt.exe");
    zemtest::WriteFile(work + "/call.qmf", qmftest::MakeQmf(qmftest::SmallCallXml("k&quot;ey -zip"),
                                                            {{"REC1", zemtest::ReadFile(work + "/secret")}}));
    RecordingView view;
    ASSERT_EQ(ConvertRecordingFile(work + "/call.qmf", {folder, false, ZemCryptRun(folder)}, view), ConversionResult::Done);
    EXPECT_TRUE(view.messages.empty());
    EXPECT_EQ(zemtest::ReadFile(folder + "/REC1.dat"), plain);
}

}  // namespace
