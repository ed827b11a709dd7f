// The zemcrypt program as its callers meet it: run with arguments in a folder of prepared
// files, then its exit code, its output and every file of the folder are checked.
#include "cipherfixture.h"
#include "support/scratch.h"

#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <map>
#include <signal.h>
#include <spawn.h>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

namespace fs = std::filesystem;
using ciphertest::Decipher;
using ciphertest::Encipher;

const std::string kUsage =
    "----------------------------------------------\n"
    "ZEMCRYPT - Blowfish file cipher, KESTRALON\n"
    "----------------------------------------------\n\n"
    "Usage: ZEMCRYPT [-dec] [-zip] [-nocrc] [-k cryptokey] srcfile [dstfile]\n";
const std::string kKey60 = "0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWX";

struct Outcome {
    int exitCode = -1;
    std::string output;
};

Outcome RunZemcrypt(const std::vector<std::string>& args, const std::string& folder)
{
    const std::string outputFile = folder + ".out";
    std::vector<std::string> argv{ZEMCRYPT_PROGRAM};
    argv.insert(argv.end(), args.begin(), args.end());
    std::vector<char*> pointers;
    for (std::string& arg : argv)
        pointers.push_back(arg.data());
    pointers.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
    posix_spawn_file_actions_addopen(&actions, 1, outputFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    pid_t pid = 0;
    Outcome outcome;
    if (posix_spawn(&pid, ZEMCRYPT_PROGRAM, &actions, nullptr, pointers.data(), environ) == 0) {
        // A run that never ends is a failure, not a hung test.
        int status = 0;
        for (int waited = 0; waitpid(pid, &status, WNOHANG) == 0; ++waited) {
            if (waited == 6000)
                kill(pid, SIGKILL);
            usleep(10000);
        }
        outcome.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    posix_spawn_file_actions_destroy(&actions);
    outcome.output = zemtest::ReadFile(outputFile);
    return outcome;
}

// The prepared files of every case (name -> bytes); "sub" is an empty folder beside them.
const std::map<std::string, std::string>& Fixture()
{
    static const std::map<std::string, std::string> files = [] {
        const std::string folder = zemtest::NewFolder("fixture");
        const std::string plain = folder + "/plain.dat";
        zemtest::WriteFile(plain, ciphertest::MixedData(200000));
        Encipher("secret", true, false, plain, folder + "/enc.dat");
        Encipher("secret", false, false, plain, folder + "/enc_nocrc.dat");
        Encipher("secret", true, true, plain, folder + "/enc_zip.dat");
        std::map<std::string, std::string> made;
        for (const char* name : {"plain.dat", "enc.dat", "enc_nocrc.dat", "enc_zip.dat"})
            made[name] = zemtest::ReadFile(folder + "/" + name);
        made["other.dat"] = "another file";
        made["trunc.dat"] = made["enc.dat"].substr(0, made["enc.dat"].size() - 8);
        made["damaged.dat"] = made["enc.dat"];
        made["damaged.dat"][made["damaged.dat"].size() / 2] ^= 0x01;
        return made;
    }();
    return files;
}

struct CommandCase {
    std::vector<std::string> args;  // "{d}" stands for the case's folder, "{w}" for it as C:\...
    int exitCode;
    std::string output;
    // Files the run writes, by name: "plain" (the plain data), "key:K" (the plain data
    // enciphered with key K) or "=name" (the fixture file name). Every other fixture file must
    // be as it was, and no other file may exist.
    std::map<std::string, std::string> written;
};

std::string Expand(std::string arg, const std::string& folder, const std::string& windowsFolder)
{
    for (const auto& [mark, value] : {std::pair{std::string("{d}"), folder}, {"{w}", windowsFolder}}) {
        if (const size_t at = arg.find(mark); at != std::string::npos)
            arg.replace(at, mark.size(), value);
    }
    return arg;
}

void ExpectContent(const std::string& path, const std::string& expected)
{
    const std::string& plain = Fixture().at("plain.dat");
    if (expected == "plain") {
        EXPECT_TRUE(zemtest::ReadFile(path) == plain) << path;
    } else if (expected.rfind("key:", 0) == 0) {
        const std::string back = path + ".back";
        EXPECT_TRUE(Decipher(expected.substr(4), true, path, back).ok) << path;
        EXPECT_TRUE(zemtest::ReadFile(back) == plain) << path;
        fs::remove(back);
    } else {
        EXPECT_TRUE(zemtest::ReadFile(path) == Fixture().at(expected.substr(1))) << path;
    }
}

const std::string kEnc = "Encrypting ...\nDone!\n";
const std::string kDec = "Decrypting ...\nDone!\n";
std::string DecError(const std::string& text) { return "Decrypting ...\nERROR: " + text + "\n"; }

const CommandCase kCases[] = {
    // Usage cases touch nothing.
    {{}, 1, kUsage, {}},
    {{"-k"}, 1, kUsage, {}},
    {{"plain.dat", "out.dat", "-K"}, 1, kUsage, {}},
    {{"-k", "a", "-k", "b", "plain.dat"}, 1, kUsage, {}},
    {{"-dec", "-zip", "-nocrc"}, 1, kUsage, {}},
    {{"plain.dat", "a.dat", "b.dat"}, 1, kUsage, {}},
    {{"-x", "plain.dat"}, 1, kUsage, {}},
    {{";plain.dat"}, 1, kUsage, {}},
    {{":plain.dat"}, 1, kUsage, {}},
    {{"?"}, 1, kUsage, {}},
    {{"/?"}, 1, kUsage, {}},
    {{"-plain.dat"}, 1, kUsage, {}},
    // Named destinations; the source stays as it was.
    {{"-k", "secret", "plain.dat", "out.dat"}, 0, kEnc, {{"out.dat", "key:secret"}}},
    {{"/ZIP", "-k", "secret", "plain.dat", "out.dat"}, 0, kEnc, {{"out.dat", "key:secret"}}},
    {{"/DEC", "/K", "secret", "enc.dat", "out.dat"}, 0, kDec, {{"out.dat", "plain"}}},
    {{"-Dec", "-k", "secret", "enc_nocrc.dat", "out.dat"}, 0, kDec, {{"out.dat", "plain"}}},
    {{"-dec", "/NoCrc", "-k", "secret", "enc_zip.dat", "out.dat"}, 0, kDec, {{"out.dat", "plain"}}},
    {{"-dec", "-k", "secret", "enc.dat", "other.dat"}, 0, kDec, {{"other.dat", "plain"}}},
    // Absolute and Windows-style paths are paths, not options.
    {{"-dec", "-k", "secret", "{d}/enc.dat", "{d}/out.dat"}, 0, kDec, {{"out.dat", "plain"}}},
    {{"-dec", "-k", "secret", "{w}\\enc.dat", "{w}\\out.dat"}, 0, kDec, {{"out.dat", "plain"}}},
    // No key or an empty one: the default key. Keys are cut to 56 characters.
    {{"plain.dat", "out.dat"}, 0, kEnc, {{"out.dat", "key:530617"}}},
    {{"-k", "", "plain.dat", "out.dat"}, 0, kEnc, {{"out.dat", "key:530617"}}},
    {{"-k", kKey60, "plain.dat", "out.dat"}, 0, kEnc, {{"out.dat", "key:" + kKey60.substr(0, 56)}}},
    // In place: no destination, or a destination that is the source under another name.
    {{"-k", "secret", "plain.dat"}, 0, kEnc, {{"plain.dat", "key:secret"}}},
    {{"-dec", "-k", "secret", "enc.dat"}, 0, kDec, {{"enc.dat", "plain"}}},
    {{"-dec", "-k", "secret", "enc.dat", "{d}/sub/../enc.dat"}, 0, kDec, {{"enc.dat", "plain"}}},
    // Names that differ in case are two files.
    {{"-dec", "-k", "secret", "enc.dat", "ENC.dat"}, 0, kDec, {{"ENC.dat", "plain"}}},
    // Failures leave no new file and the old ones as they were.
    {{"-dec", "-k", "wrong", "enc.dat", "out.dat"}, 1, DecError("wrong key"), {}},
    {{"-dec", "-nocrc", "-k", "wrong", "enc_nocrc.dat", "out.dat"}, 1, DecError("wrong key"), {}},
    {{"-dec", "-k", "wrong", "enc.dat"}, 1, DecError("wrong key"), {}},
    {{"-dec", "-k", "wrong", "enc.dat", "other.dat"}, 1, DecError("wrong key"), {}},
    {{"-dec", "-k", "secret", "trunc.dat", "out.dat"}, 1, DecError("the enciphered file is truncated"), {}},
    {{"-dec", "-k", "secret", "trunc.dat"}, 1, DecError("the enciphered file is truncated"), {}},
    {{"-dec", "-k", "secret", "damaged.dat"}, 1,
     DecError("CRC check failed: the deciphered data is damaged"), {}},
    {{"-dec", "-k", "secret", "damaged.dat", "other.dat"}, 1,
     DecError("CRC check failed: the deciphered data is damaged"), {}},
    {{"-dec", "-k", "secret", "plain.dat"}, 1, DecError("\"plain.dat\" is not an enciphered file"), {}},
    {{"-k", "secret", "none.dat", "out.dat"}, 1,
     "Encrypting ...\nERROR: cannot open \"none.dat\": No such file or directory\n", {}},
    {{"-k", "secret", "plain.dat", "nofolder/out.dat"}, 1, "ERROR: No such file or directory\n", {}},
    {{"-k", "secret", "plain.dat", "sub"}, 1, "Encrypting ...\nERROR: Is a directory\n", {}},
};

TEST(ZemcryptCommandLine, EveryCaseGivesItsExitCodeOutputAndFiles)
{
    int index = 0;
    for (const CommandCase& c : kCases) {
        // Below drive C: so that "C:\case<n>" names the same folder.
        const std::string name = "case" + std::to_string(++index);
        const std::string folder = zemtest::RootFolder() + "/drive_c/" + name;
        fs::create_directories(folder + "/sub");
        for (const auto& [file, bytes] : Fixture())
            zemtest::WriteFile(folder + "/" + file, bytes);
        std::vector<std::string> args;
        for (const std::string& arg : c.args)
            args.push_back(Expand(arg, folder, "C:\\" + name));
        std::string line;
        for (const std::string& arg : args)
            line += " '" + arg + "'";
        SCOPED_TRACE("zemcrypt" + line);

        const Outcome outcome = RunZemcrypt(args, folder);
        EXPECT_EQ(outcome.exitCode, c.exitCode);
        EXPECT_EQ(outcome.output, c.output);
        std::map<std::string, std::string> expected;
        for (const auto& [file, bytes] : Fixture())
            expected[file] = "=" + file;
        for (const auto& [file, content] : c.written)
            expected[file] = content;
        std::map<std::string, std::string> found;
        for (const fs::directory_entry& entry : fs::directory_iterator(folder)) {
            const std::string file = entry.path().filename();
            if (file != "sub")
                found[file] = expected.count(file) ? expected[file] : "unexpected";
        }
        EXPECT_EQ(found, expected);
        for (const auto& [file, content] : found) {
            if (content != "unexpected")
                ExpectContent(folder + "/" + file, content);
        }
    }
}

TEST(ZemcryptCommandLine, InPlaceResultKeepsTheSourcePermissions)
{
    const std::string folder = zemtest::NewFolder("mode");
    const std::string file = folder + "/plain.dat";
    zemtest::WriteFile(file, Fixture().at("plain.dat"));
    fs::permissions(file, fs::perms(0640));
    ASSERT_EQ(RunZemcrypt({"-k", "secret", file}, folder).exitCode, 0);
    EXPECT_EQ(fs::status(file).permissions(), fs::perms(0640));
    ExpectContent(file, "key:secret");
}

}  // namespace
