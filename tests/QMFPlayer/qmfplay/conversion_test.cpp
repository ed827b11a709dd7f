// The recording-file conversion: messages and fatal errors for broken files, the call-viewer
// folder it writes, and names and texts from a hostile file kept in their place.
#include "QMFPlayer/qmfplay/qmfconversion.h"
#include "qmftestfile.h"
#include "recordingview.h"
#include "support/scratch.h"

#include <filesystem>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <regex>
#include <set>
#include <sys/stat.h>

namespace fs = std::filesystem;
using testing::ElementsAre;
using testing::HasSubstr;

namespace {

constexpr char kFatal[] = "Fatal Error ! Please write down info:\n.*qmfconversion\\.cpp \\(L:[0-9]+\\)";

struct Outcome {
    ConversionResult result;
    RecordingView view;
    int deciphers = 0;
    std::string folder;
    bool stayedInside = true;  // nothing beside the folder, no folder in it
    std::string Read(const std::string& name) const { return zemtest::ReadFile(folder + "/" + name); }
};

// Converts bytes (none: a missing file) into a folder "T" of a cage that must stay empty.
// fullFile (optional) is a name in the folder that leads to a full disk.
Outcome Convert(const std::string* bytes, bool decipherWorks = true, const std::atomic<bool>* keepGoing = nullptr,
                const std::string& fullFile = {})
{
    Outcome outcome;
    const std::string cage = zemtest::NewFolder("cage");
    outcome.folder = cage + "/T";
    fs::create_directories(outcome.folder);
    if (!fullFile.empty())
        fs::create_symlink("/dev/full", outcome.folder + "/" + fullFile);
    const std::string input = zemtest::NewFolder("in") + "/call.qmf";
    if (bytes)
        zemtest::WriteFile(input, *bytes);
    int* deciphers = &outcome.deciphers;
    ConversionSettings settings{outcome.folder, true, [decipherWorks, deciphers](const std::string&, const std::string&) {
                                    ++*deciphers;
                                    return decipherWorks;
                                }};
    outcome.result = ConvertRecordingFile(input, settings, outcome.view, keepGoing);
    for (const auto& entry : fs::recursive_directory_iterator(cage))
        outcome.stayedInside &= entry.path() == outcome.folder || (entry.path().parent_path() == outcome.folder && !entry.is_directory());
    // The test's own link is no file the conversion left.
    if (!fullFile.empty())
        fs::remove(outcome.folder + "/" + fullFile);
    return outcome;
}
Outcome Convert(const std::string& bytes, bool decipherWorks = true) { return Convert(&bytes, decipherWorks); }

std::set<std::string> FilesIn(const std::string& folder)
{
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.insert(entry.path().filename().string());
    return names;
}

TEST(QmfConversion, BrokenFilesGiveTheirMessages)
{
    const std::string riff("RIFF\0\0\0\0", 8);
    const std::string cases[][2] = {
        {"RIFX" + riff + "QMF1", "Invalid qmf-Format. RIFF expected"},
        {riff + "WAVEfmt " + riff, "Invalid qmf-Format. QMF1 expected"},
        {riff + "QMF1LIST" + riff, ""},  // another first chunk: no message, no viewer
    };
    for (const auto& [bytes, message] : cases) {
        const Outcome outcome = Convert(bytes);
        EXPECT_EQ(outcome.result, ConversionResult::Failed);
        EXPECT_EQ(outcome.view.messages, message.empty() ? std::vector<std::string>{} : std::vector{message});
        EXPECT_EQ(outcome.view.quits, 0);
    }
    const Outcome missing = Convert(nullptr);
    EXPECT_EQ(missing.result, ConversionResult::Failed);
    EXPECT_THAT(missing.view.messages, ElementsAre("Error opening qmf-file"));

    // Anything but a regular file is refused before it is opened; a FIFO without a writer
    // would keep an open waiting.
    const std::string odd = zemtest::NewFolder("odd");
    ASSERT_EQ(mkfifo((odd + "/fifo.qmf").c_str(), 0600), 0);
    for (const std::string& path : {odd + "/fifo.qmf", odd, std::string("/dev/null")}) {
        RecordingView view;
        EXPECT_EQ(ConvertRecordingFile(path, ConversionSettings{odd, false, {}}, view), ConversionResult::Failed);
        EXPECT_THAT(view.messages, ElementsAre("Error opening qmf-file")) << path;
    }
}

TEST(QmfConversion, StopRequestEndsTheConversionWithoutScript)
{
    const std::atomic<bool> keepGoing{false};
    const std::string bytes = qmftest::MakeQmf(qmftest::SmallCallXml(), {{"REC1", std::string(200000, 'x')}});
    const Outcome outcome = Convert(&bytes, true, &keepGoing);
    EXPECT_EQ(outcome.result, ConversionResult::Failed);
    EXPECT_TRUE(outcome.view.messages.empty());
    EXPECT_FALSE(zemtest::Exists(outcome.folder + "/data.js"));
    EXPECT_EQ(fs::file_size(outcome.folder + "/REC1.dat"), 0u) << "stopped before the first piece";
}

// A file cut after any byte gives the fatal error, or success where the format allows it:
// at a chunk boundary, inside a following chunk id, or a last chunk at most 10 bytes short.
TEST(QmfConversion, EveryCutGivesFatalErrorOrAllowedSuccess)
{
    const std::string xml = qmftest::SmallCallXml();
    const std::vector<qmftest::Chunk> chunks{{"REC1", "odd-len"}, {"ATT1", std::string(25, 'a')}};
    const std::string whole = qmftest::MakeQmf(xml, chunks);
    const auto expected = [&](size_t cut) {
        if (cut < 20 + xml.size())
            return ConversionResult::Fatal;
        for (size_t start = 20 + xml.size(); const auto& chunk : chunks) {
            const size_t length = chunk.data.size();
            if (cut < start + 8)
                return cut < start + 4 ? ConversionResult::Done : ConversionResult::Fatal;
            if (cut < start + 8 + length)
                return cut - (start + 8) + 10 < length ? ConversionResult::Fatal : ConversionResult::Done;
            start += 8 + length;
        }
        return ConversionResult::Done;
    };
    for (size_t cut = 0; cut <= whole.size(); ++cut) {
        SCOPED_TRACE("cut at " + std::to_string(cut));
        const Outcome outcome = Convert(whole.substr(0, cut));
        ASSERT_EQ(outcome.result, expected(cut));
        EXPECT_TRUE(outcome.stayedInside);
        if (outcome.result == ConversionResult::Fatal) {
            EXPECT_THAT(outcome.view.messages, ElementsAre(testing::MatchesRegex(kFatal)));
            EXPECT_EQ(outcome.view.quits, 1);
        } else {
            EXPECT_TRUE(outcome.view.messages.empty());
            EXPECT_TRUE(zemtest::Exists(outcome.folder + "/data.js"));
            // A short last chunk (the attachment) keeps its full length; the missing tail is zeros.
            const size_t missing = whole.size() - cut;
            if (missing < 25) {
                EXPECT_EQ(outcome.Read("note.txt"), std::string(25 - missing, 'a') + std::string(missing, '\0'));
            }
        }
    }
}

TEST(QmfConversion, WritesTheCallViewerFolder)
{
    const Outcome outcome = Convert(qmftest::MakeQmf(qmftest::SmallCallXml(), {{"REC1", "odd"}, {"ATT1", "attached"}, {"XTRA", ""}}));
    ASSERT_EQ(outcome.result, ConversionResult::Done);
    const std::string& t = outcome.folder;
    // The attachment went to its own name; chunks after odd lengths were found.
    EXPECT_EQ(FilesIn(t), (std::set<std::string>{"REC1.dat", "XTRA.dat", "note.txt", "data.xml", "data.js"}));
    EXPECT_EQ(outcome.Read("REC1.dat") + outcome.Read("note.txt"), "oddattached");
    EXPECT_EQ(outcome.Read("data.xml").substr(0, 29), "<export>\r\r\n\t<call id=\"C1\">\r\r\n");

    const std::string c = "oCallViewer['call'][0]", a = "oAudioFiles['C1'][0]", g = c + "['CallTags']";
    const auto tag = [&](const std::string& key, std::string type, std::string set, std::string begin,
                         std::string end, std::string details, std::string login) {
        const std::string p = g + key + "[0]";
        return g + key + " = new Array();\n" + p + " = new Array();\n" + p + "['tagtype'] = " + type + ";\n" +
               p + "['tstagset'] = \"" + set + "\";\n" + p + "['tstagbegin'] = \"" + begin + "\";\n" + p +
               "['tstagend'] = \"" + end + "\";\n" + p + "['tagdetails'] = \"" + details + "\";\n" + p +
               "['usertagset'] = new Array();\n" + p + "['usertagset']['login'] = \"" + login + "\";\n";
    };
    const auto audio = [&](const std::string& key, const std::string& chunk) {
        return g + key + "[0]['tagdetails'] = \"" + chunk + ".dat\";\n" + a + " = new Array();\n" + a +
               "['fname'] = \"" + t + "/" + chunk + ".dat\";\n" + a + "['callindex'] = 0;\n" + a + "['calltagindex'] = 0;\n";
    };
    std::string expected = std::string(52, '/') + "\n// Ab hier alle Daten f\xFCr den externen Player\n<!--\n"
        "var directory=\"" + t + "/\";\nvar IsInstalledzemWaveActiveX = true;\n"
        "oCallViewer['call'] = new Array();\noAudioFiles = new Array();\n" +
        c + " = new Array();\n" + c + "['id'] = \"C1\";\noAudioFiles['C1'] = new Array();\n" +
        c + "['accdevname'] = \"Line 7\";\n" + c + "['direction'] = \"in\";\n" + c + "['callingparty'] = \"0301\";\n" +
        c + "['calledparty'] = \"0402\";\n" + c + "['callbegindate'] = \"01.05.2024\";\n" + c + "['callbegin'] = \"13:30:05\";\n" +
        c + "['callenddate'] = \"01.05.2024\";\n" + c + "['callend'] = \"14:32:07\";\n" + c + "['callduration'] = \"01:02:02\";\n" +
        g + " = new Array();\n" +
        tag("[204]", "204", "", "", "", "", "") + g + "[204][0]['projectnote'] = \"ok\";\n" + g + "[204][0]['shortsign'] = \"PX\";\n" +
        g + "[204][0]['name'] = \"Proj\";\n" + g + "[204][0]['user'] = \"eva\";\n" +
        tag("[300]", "300", "", "", "", "c:/docs/n.txt", "") + audio("[300]", "ATT1") +
        g + "[300][0]['fnameorig'] = \"note.txt\";\n" + g + "[300][0]['user'] = \"otto\";\n" +
        tag("[1030]", "1030", "2024-05-01 13:30:05.120", "2024-05-01 13:30:05", "2024-05-01 13:31:00", "rec", "anna") +
        audio("[1030]", "REC1") + tag("['FSK']", "1201", "", "", "", "fsk 5", "") + "//-->\n";
    for (size_t at = 0; (at = expected.find('\n', at)) != std::string::npos; at += 2)
        expected.insert(at, "\r");
    EXPECT_EQ(outcome.Read("data.js"), expected);
}

TEST(QmfConversion, TextsOfTheFileLandWhereTheyBelong)
{
    const char* cases[][3] = {  // XML, file, expected part
        {"<e>\n<call id=\"C9\"/>\n<broken", "err.txt", "<e>\r\n<call id=\"C9\"/>\r\n<broken"},
        {"<e>\n<call id=\"C9\"/>\n<broken", "data.js", "['id'] = \"C9\";"},
        // Missing or broken call times give empty texts, not a failed check.
        {"<e><call><tbcall tslast=\"2024-05-01 14:00:00\"/></call></e>", "data.js", "['callbegin'] = \"\";\r\n"},
        {"<e><call><tbcall tslast=\"2024-05-01 14:00:00\"/></call></e>", "data.js", "['callduration'] = \"\";\r\n"},
        {"<e><call><tbcall tsfirst=\"2024-13-45 99:00:00\" tslast=\"2024-05-01 14:00:00\"/></call></e>", "data.js", "['callduration'] = \"\";\r\n"},
        // Texts cannot leave their JavaScript strings.
        {"<e><call id=\"x'];alert(1);//\"/></e>", "data.js", "oAudioFiles['x\\'];alert(1);//'] = new Array();"},
        {"<e><call><tbcall cli=\"&quot;+evil+&quot;\" dni=\"a&#10;b\"/></call></e>", "data.js", "['callingparty'] = \"\\\"+evil+\\\"\";"},
        {"<e><call><tbcall dni=\"a&#10;b\"/></call></e>", "data.js", "['calledparty'] = \"a\\x0Ab\";"},
        {"<e><call><tbcall><zemlogv3_vline name=\"&lt;/script&gt;\"/></tbcall></call></e>", "data.js", "['accdevname'] = \"<\\/script>\";"},
    };
    for (const auto& [xml, file, part] : cases) {
        const Outcome outcome = Convert(qmftest::MakeQmf(xml, {}));
        ASSERT_EQ(outcome.result, ConversionResult::Done);
        EXPECT_THAT(outcome.Read(file), HasSubstr(part)) << xml;
    }
}

TEST(QmfConversion, HostileNamesStayInsideTheFolder)
{
    const std::string xml =
        "<e><call><tbcalltag tagtype=\"300\" idcalltag=\"1\"><tbcalltag300 fnameorig=\"../../escape.txt\"/></tbcalltag>"
        "<tbcalltag tagtype=\"300\" idcalltag=\"2\"><tbcalltag300 fnameorig=\"/tmp/abs.txt\"/></tbcalltag>"
        "<tbcalltag tagtype=\"300\" idcalltag=\"3\"><tbcalltag300 fnameorig=\"data.js\"/></tbcalltag>"
        "<tbcalltag tagtype=\"1030\" idcalltag=\"4\"/><chunklist><c idcalltag=\"1\" chunkname=\"../x\"/>"
        "<c idcalltag=\"2\" chunkname=\"..\\..\\y\"/><c idcalltag=\"3\" chunkname=\"/q\"/><c idcalltag=\"4\" chunkname=\"..\"/>"
        "</chunklist></call></e>";
    const Outcome outcome = Convert(qmftest::MakeQmf(xml, {{"../x", "1"}, {"a\\/y", "2"}, {"/etc", "3"}, {"/../", "4"},
        {std::string("..\0\0", 4), "5"}, {std::string("\0\0\0\0", 4), "6"}, {std::string("q\0zz", 4), "7"}}));
    ASSERT_EQ(outcome.result, ConversionResult::Done);
    EXPECT_TRUE(outcome.stayedInside);
    // Moves never replace a file that is there already.
    EXPECT_EQ(FilesIn(outcome.folder), (std::set<std::string>{"escape.txt", "abs.txt", "etc.dat", "q.dat", "data.xml", "data.js"}));
    EXPECT_EQ(outcome.Read("escape.txt") + outcome.Read("abs.txt") + outcome.Read("q.dat"), "127");
    const std::string js = outcome.Read("data.js");
    for (const char* line : {"[300][0]['tagdetails'] = \"x.dat\";", "[300][0]['fnameorig'] = \"escape.txt\";",
                             "[300][1]['tagdetails'] = \"y.dat\";", "[300][1]['fnameorig'] = \"abs.txt\";",
                             "[300][2]['fnameorig'] = \"q.dat\";"})
        EXPECT_THAT(js, HasSubstr(line));
    EXPECT_THAT(js, testing::Not(HasSubstr("..dat")));
}

TEST(QmfConversion, DecipherFailureSkipsTheRestOfTheCallsRecordings)
{
    const Outcome outcome = Convert(qmftest::MakeQmf(
        "<e><call><tbcalltag tagtype=\"1030\" idcalltag=\"1\"><zemlogv3_calltag1030 flencrypt=\"1\" sid=\"k\"/></tbcalltag>"
        "<tbcalltag tagtype=\"1030\"/><chunklist><c idcalltag=\"1\" chunkname=\"R1\"/></chunklist></call>"
        "<call><tbcalltag tagtype=\"1030\"/></call></e>", {}), false);
    ASSERT_EQ(outcome.result, ConversionResult::Done);
    EXPECT_THAT(outcome.view.messages, ElementsAre("Error decrypting files!"));
    const std::string js = outcome.Read("data.js");
    EXPECT_THAT(js, HasSubstr("[0]['CallTags'][1030][0]['tagdetails'] = \"R1.dat\";"));
    EXPECT_THAT(js, testing::Not(HasSubstr("[0]['CallTags'][1030][1]")));
    EXPECT_THAT(js, HasSubstr("[1]['CallTags'][1030][0]['tagtype'] = 1030;"));
}

// Tags come out by type in a fixed order, each type's in the order of the file; elements that
// are no tags and tags without a readable type are left out.
TEST(QmfConversion, TagsComeOutByTypeInFileOrder)
{
    const char* tags[][2] = {  // tagtype (none: no attribute), tagdetails
        {"1030", "r1"}, {"300", "a1"}, {"1030", "r2"}, {"1201", "f1"}, {"1200", "f0"}, {"x", "bad"},
        {nullptr, "none"}, {"30", "t"}, {"1201", "f2"}, {"1299", "f3"}, {"1300", "past"}, {"204", "d"},
    };
    std::string xml = "<e><call id=\"C1\"><other tagtype=\"1030\" tagdetails=\"other\"/>";
    for (const auto& [type, details] : tags)
        xml += std::string("<tbcalltag") + (type ? std::string(" tagtype=\"") + type + "\"" : "") + " tagdetails=\"" + details + "\"/>";
    const Outcome outcome = Convert(qmftest::MakeQmf(xml + "</call></e>", {}));
    ASSERT_EQ(outcome.result, ConversionResult::Done);
    const std::string js = outcome.Read("data.js");
    const std::regex line(R"re(\['CallTags'\](\[[^\]]*\]\[[0-9]+\])\['tagdetails'\] = "([^"]*)")re");
    std::vector<std::string> shown;
    for (auto it = std::sregex_iterator(js.begin(), js.end(), line); it != std::sregex_iterator(); ++it)
        shown.push_back((*it)[1].str() + " " + (*it)[2].str());
    EXPECT_THAT(shown, ElementsAre("[30][0] t", "[204][0] d", "[300][0] a1", "[1030][0] r1", "[1030][1] r2",
                                   "['FSK'][0] f0", "['FSK'][0] f1", "['FSK'][1] f2", "['FSK'][0] f3"));
}

// A file that cannot be written is the fatal error; the script is still made to its end, so
// every recording is deciphered and no attachment is left behind, also when the disk was full
// long before (here with the long tags of type 30 that come first).
TEST(QmfConversion, FullDiskIsFatalAfterTheWholeScript)
{
    std::string longTags;
    for (int i = 0; i < 100; ++i)
        longTags += "<tbcalltag tagtype=\"30\" tagdetails=\"" + std::string(1000, 'd') + "\"/>";
    const std::string bytes = qmftest::MakeQmf(
        "<e><call>" + longTags + "<tbcalltag tagtype=\"1030\" idcalltag=\"1\"><zemlogv3_calltag1030 flencrypt=\"1\" sid=\"k\"/></tbcalltag>"
        "<tbcalltag tagtype=\"1030\" idcalltag=\"2\"><zemlogv3_calltag1030 flencrypt=\"1\" sid=\"k\"/></tbcalltag>"
        "<tbcalltag tagtype=\"300\" idcalltag=\"3\"><tbcalltag300 fnameorig=\"n.txt\"/></tbcalltag>"
        "<chunklist><c idcalltag=\"1\" chunkname=\"REC1\"/><c idcalltag=\"2\" chunkname=\"REC2\"/><c idcalltag=\"3\" chunkname=\"ATT1\"/>"
        "</chunklist></call></e>",
        {{"REC1", "1"}, {"REC2", "2"}, {"ATT1", "3"}});
    const struct {
        const char* full;
        int deciphers;
        std::set<std::string> files;
    } cases[] = {
        {"data.xml", 0, {}},
        {"REC2.dat", 0, {"data.xml", "REC1.dat"}},
        {"data.js", 2, {"data.xml", "REC1.dat", "REC2.dat", "n.txt"}},
    };
    for (const auto& c : cases) {
        const Outcome outcome = Convert(&bytes, true, nullptr, c.full);
        EXPECT_EQ(outcome.result, ConversionResult::Fatal) << c.full;
        EXPECT_THAT(outcome.view.messages, ElementsAre(testing::MatchesRegex(kFatal))) << c.full;
        EXPECT_EQ(outcome.deciphers, c.deciphers) << c.full;
        EXPECT_EQ(FilesIn(outcome.folder), c.files) << c.full;
    }
}

}  // namespace
