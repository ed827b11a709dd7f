// The recording-file conversion: messages and fatal errors for broken files, the call-viewer
// folder it writes, and names from a hostile file kept inside that folder.
#include "QMFPlayer/qmfplay/qmfconversion.h"
#include "qmftestfile.h"
#include "recordingview.h"
#include "support/scratch.h"

#include <filesystem>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <set>

namespace fs = std::filesystem;
using testing::ElementsAre;
using testing::MatchesRegex;

namespace {

constexpr char kFatalPattern[] = "Fatal Error ! Please write down info:\n.*qmfconversion\\.cpp \\(L:[0-9]+\\)";

struct Outcome {
    ConversionResult result;
    RecordingView view;
    std::string folder;              // the call-viewer folder
    std::set<std::string> outside;   // what appeared beside it
};

// Converts bytes into a fresh folder "T" inside a cage folder that must stay otherwise empty.
std::unique_ptr<Outcome> Convert(const std::string& bytes, bool decipherWorks = true)
{
    auto outcome = std::make_unique<Outcome>();
    const std::string cage = zemtest::NewFolder("cage");
    outcome->folder = cage + "/T";
    fs::create_directories(outcome->folder);
    const std::string input = zemtest::NewFolder("in") + "/call.qmf";
    zemtest::WriteFile(input, bytes);
    ConversionSettings settings;
    settings.folder = outcome->folder;
    settings.controlAvailable = true;
    settings.decipher = [decipherWorks](const std::string&, const std::string&) { return decipherWorks; };
    outcome->result = ConvertRecordingFile(input, settings, outcome->view);
    for (const auto& entry : fs::recursive_directory_iterator(cage)) {
        const std::string path = entry.path().string();
        if (path != outcome->folder && entry.path().parent_path() != outcome->folder)
            outcome->outside.insert(path);
        if (entry.is_directory() && path != outcome->folder)
            outcome->outside.insert(path);
    }
    return outcome;
}

std::set<std::string> FilesIn(const std::string& folder)
{
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.insert(entry.path().filename().string());
    return names;
}

std::string Crlf(const std::vector<std::string>& lines)
{
    std::string text;
    for (const std::string& line : lines)
        text += line + "\r\n";
    return text;
}

TEST(QmfConversion, BrokenFilesGiveTheirMessages)
{
    const std::string riff = std::string("RIFF\0\0\0\0", 8);
    const struct {
        std::string bytes;
        ConversionResult result;
        std::vector<std::string> messages;
    } cases[] = {
        {"RIFX" + std::string(20, 'x'), ConversionResult::Failed, {"Invalid qmf-Format. RIFF expected"}},
        {riff + "WAVEfmt " + std::string(4, '\0'), ConversionResult::Failed, {"Invalid qmf-Format. QMF1 expected"}},
        // Another first chunk: no message and no viewer.
        {riff + "QMF1LIST" + std::string(4, '\0'), ConversionResult::Failed, {}},
    };
    for (const auto& c : cases) {
        const auto outcome = Convert(c.bytes);
        EXPECT_EQ(outcome->result, c.result);
        EXPECT_EQ(outcome->view.Messages(), c.messages);
        EXPECT_EQ(outcome->view.Quits(), 0);
    }

    RecordingView view;
    ConversionSettings settings;
    settings.folder = zemtest::NewFolder("T");
    EXPECT_EQ(ConvertRecordingFile(settings.folder + "/missing.qmf", settings, view), ConversionResult::Failed);
    EXPECT_THAT(view.Messages(), ElementsAre("Error opening qmf-file"));
}

// A file cut after any byte gives the fatal error, or success where the format allows it:
// at a chunk boundary, inside a following chunk id, or a last chunk at most 10 bytes short.
TEST(QmfConversion, EveryCutGivesFatalErrorOrAllowedSuccess)
{
    const std::string xml = qmftest::SmallCallXml();
    const std::vector<qmftest::Chunk> chunks{{"REC1", "odd-len"}, {"ATT1", std::string(25, 'a')}};
    const std::string whole = qmftest::MakeQmf(xml, chunks);
    std::vector<std::pair<size_t, size_t>> spans;  // chunk start, data length
    for (size_t at = 20 + xml.size(); const auto& chunk : chunks) {
        spans.emplace_back(at, chunk.data.size());
        at += 8 + chunk.data.size();
    }
    const auto expected = [&](size_t cut) {
        if (cut < 20 + xml.size())
            return ConversionResult::Fatal;
        for (const auto& [start, length] : spans) {
            if (cut < start + 4)
                return ConversionResult::Done;
            if (cut < start + 8)
                return ConversionResult::Fatal;
            if (cut < start + 8 + length)
                return cut - (start + 8) + 10 < length ? ConversionResult::Fatal : ConversionResult::Done;
        }
        return ConversionResult::Done;
    };
    for (size_t cut = 0; cut <= whole.size(); ++cut) {
        SCOPED_TRACE("cut at " + std::to_string(cut));
        const auto outcome = Convert(whole.substr(0, cut));
        ASSERT_EQ(outcome->result, expected(cut));
        EXPECT_TRUE(outcome->outside.empty());
        if (outcome->result == ConversionResult::Fatal) {
            ASSERT_EQ(outcome->view.Messages().size(), 1u);
            EXPECT_THAT(outcome->view.Messages()[0], MatchesRegex(kFatalPattern));
            EXPECT_EQ(outcome->view.Quits(), 1);
        } else {
            EXPECT_TRUE(outcome->view.Messages().empty());
            EXPECT_TRUE(zemtest::Exists(outcome->folder + "/data.js"));
        }
    }
}

TEST(QmfConversion, ShortLastChunkKeepsItsFullLength)
{
    const std::string whole = qmftest::MakeQmf("<export/>", {{"LAST", "0123456789abcdefghijklmnopqrstuvwxyz"}});
    const auto outcome = Convert(whole.substr(0, whole.size() - 10));
    ASSERT_EQ(outcome->result, ConversionResult::Done);
    EXPECT_EQ(zemtest::ReadFile(outcome->folder + "/LAST.dat"),
              "0123456789abcdefghijklmnop" + std::string(10, '\0'));
}

TEST(QmfConversion, WritesTheCallViewerFolder)
{
    const auto outcome = Convert(qmftest::MakeQmf(qmftest::SmallCallXml(),
                                                  {{"REC1", "odd-len"}, {"ATT1", "attached"}, {"XTRA", ""}}));
    ASSERT_EQ(outcome->result, ConversionResult::Done);
    const std::string& t = outcome->folder;
    // Odd-length chunks are followed directly by the next id; the attachment went to its name.
    EXPECT_EQ(FilesIn(t), (std::set<std::string>{"REC1.dat", "XTRA.dat", "note.txt", "data.xml", "data.js"}));
    EXPECT_EQ(zemtest::ReadFile(t + "/REC1.dat"), "odd-len");
    EXPECT_EQ(zemtest::ReadFile(t + "/note.txt"), "attached");
    const std::string xml = zemtest::ReadFile(t + "/data.xml");
    EXPECT_EQ(xml.substr(0, 11), "<export>\r\r\n");
    EXPECT_EQ(xml.find("\r\n\t<call id=\"C1\">\r\r\n"), 9u);

    const std::string call = "oCallViewer['call'][0]";
    const std::string tags = call + "['CallTags']";
    const auto tag = [&](const std::string& key, const std::vector<std::string>& extra,
                         const std::string& tagtype, const std::string& set,
                         const std::string& begin, const std::string& end,
                         const std::string& details, const std::string& login) {
        const std::string p = tags + key + "[0]";
        std::vector<std::string> lines{tags + key + " = new Array();", p + " = new Array();",
            p + "['tagtype'] = " + tagtype + ";", p + "['tstagset'] = \"" + set + "\";",
            p + "['tstagbegin'] = \"" + begin + "\";", p + "['tstagend'] = \"" + end + "\";",
            p + "['tagdetails'] = \"" + details + "\";", p + "['usertagset'] = new Array();",
            p + "['usertagset']['login'] = \"" + login + "\";"};
        for (const std::string& line : extra)
            lines.push_back(line.substr(0, 1) == "[" ? p + line : line);
        return lines;
    };
    const auto audio = [&](const std::string& chunk) {
        return std::vector<std::string>{"['tagdetails'] = \"" + chunk + ".dat\";",
            "oAudioFiles['C1'][0] = new Array();", "oAudioFiles['C1'][0]['fname'] = \"" + t + "/" + chunk + ".dat\";",
            "oAudioFiles['C1'][0]['callindex'] = 0;", "oAudioFiles['C1'][0]['calltagindex'] = 0;"};
    };
    std::vector<std::string> lines{std::string(52, '/'), "// Ab hier alle Daten f\xFCr den externen Player", "<!--",
        "var directory=\"" + t + "/\";", "var IsInstalledzemWaveActiveX = true;",
        "oCallViewer['call'] = new Array();", "oAudioFiles = new Array();",
        call + " = new Array();", call + "['id'] = \"C1\";", "oAudioFiles['C1'] = new Array();",
        call + "['accdevname'] = \"Line 7\";", call + "['direction'] = \"in\";",
        call + "['callingparty'] = \"0301\";", call + "['calledparty'] = \"0402\";",
        call + "['callbegindate'] = \"01.05.2024\";", call + "['callbegin'] = \"13:30:05\";",
        call + "['callenddate'] = \"01.05.2024\";", call + "['callend'] = \"14:32:07\";",
        call + "['callduration'] = \"01:02:02\";", tags + " = new Array();"};
    const auto add = [&](const std::vector<std::string>& more) { lines.insert(lines.end(), more.begin(), more.end()); };
    add(tag("[204]", {"['projectnote'] = \"ok\";", "['shortsign'] = \"PX\";", "['name'] = \"Proj\";", "['user'] = \"eva\";"},
            "204", "", "", "", "", ""));
    auto attachment = audio("ATT1");
    attachment.insert(attachment.end(), {"['fnameorig'] = \"note.txt\";", "['user'] = \"otto\";"});
    add(tag("[300]", attachment, "300", "", "", "", "c:/docs/n.txt", ""));
    add(tag("[1030]", audio("REC1"), "1030", "2024-05-01 13:30:05.120", "2024-05-01 13:30:05",
            "2024-05-01 13:31:00", "rec", "anna"));
    add(tag("['FSK']", {}, "1201", "", "", "", "fsk 5", ""));
    lines.push_back("//-->");
    EXPECT_EQ(zemtest::ReadFile(t + "/data.js"), Crlf(lines));
}

TEST(QmfConversion, BrokenXmlGoesToErrTxtAndTheViewerStillOpens)
{
    const std::string xml = "<export>\n<call id=\"C9\"><tbcall cli=\"1\"/></call>\n<broken";
    const auto outcome = Convert(qmftest::MakeQmf(xml, {}));
    ASSERT_EQ(outcome->result, ConversionResult::Done);
    EXPECT_EQ(zemtest::ReadFile(outcome->folder + "/err.txt"),
              "<export>\r\n<call id=\"C9\"><tbcall cli=\"1\"/></call>\r\n<broken");
    EXPECT_NE(zemtest::ReadFile(outcome->folder + "/data.js").find("['id'] = \"C9\";"), std::string::npos);
}

// Missing or broken call times give empty texts, not a failed check.
TEST(QmfConversion, MissingCallTimesGiveEmptyTexts)
{
    const auto outcome = Convert(qmftest::MakeQmf(
        "<e><call id=\"A\"><tbcall tslast=\"2024-05-01 14:00:00\"/></call>"
        "<call id=\"B\"><tbcall tsfirst=\"2024-13-45 99:00:00\" tslast=\"2024-05-01 14:00:00\"/></call></e>", {}));
    ASSERT_EQ(outcome->result, ConversionResult::Done);
    const std::string js = zemtest::ReadFile(outcome->folder + "/data.js");
    for (const char* line : {"[0]['callbegindate'] = \"\";", "[0]['callbegin'] = \"\";", "[0]['callduration'] = \"\";",
                             "[0]['callend'] = \"14:00:00\";", "[1]['callbegin'] = \"\";", "[1]['callduration'] = \"\";"})
        EXPECT_NE(js.find(line), std::string::npos) << line;
}

TEST(QmfConversion, TextsAreEscapedForJavaScript)
{
    const auto outcome = Convert(qmftest::MakeQmf(
        "<e><call id=\"x'];alert(1);//\"><tbcall cli=\"&quot;+evil+&quot;\" dni=\"a&#10;b\">"
        "<zemlogv3_vline name=\"&lt;/script&gt;&lt;script&gt;\"/></tbcall>"
        "<tbcalltag tagtype=\"30\" tagdetails=\"c:\\x\"/></call></e>", {}));
    ASSERT_EQ(outcome->result, ConversionResult::Done);
    const std::string js = zemtest::ReadFile(outcome->folder + "/data.js");
    for (const char* line : {"oAudioFiles['x\\'];alert(1);//'] = new Array();",
                             "['callingparty'] = \"\\\"+evil+\\\"\";", "['calledparty'] = \"a\\x0Ab\";",
                             "['accdevname'] = \"<\\/script><script>\";", "['tagdetails'] = \"c:/x\";"})
        EXPECT_NE(js.find(line), std::string::npos) << line;
}

TEST(QmfConversion, HostileNamesStayInsideTheFolder)
{
    const std::string xml =
        "<e><call id=\"H\">"
        "<tbcalltag tagtype=\"300\" idcalltag=\"1\"><tbcalltag300 fnameorig=\"../../escape.txt\"/></tbcalltag>"
        "<tbcalltag tagtype=\"300\" idcalltag=\"2\"><tbcalltag300 fnameorig=\"/tmp/abs.txt\"/></tbcalltag>"
        "<tbcalltag tagtype=\"300\" idcalltag=\"3\"><tbcalltag300 fnameorig=\"data.js\"/></tbcalltag>"
        "<tbcalltag tagtype=\"1030\" idcalltag=\"4\"/>"
        "<chunklist><c idcalltag=\"1\" chunkname=\"../x\"/><c idcalltag=\"2\" chunkname=\"..\\..\\y\"/>"
        "<c idcalltag=\"3\" chunkname=\"/q\"/><c idcalltag=\"4\" chunkname=\"..\"/></chunklist></call></e>";
    const auto outcome = Convert(qmftest::MakeQmf(xml, {
        {"../x", "1"}, {"a\\/y", "2"}, {"/etc", "3"}, {"/../", "4"}, {std::string("..\0\0", 4), "5"},
        {std::string("\0\0\0\0", 4), "6"}, {std::string("q\0zz", 4), "7"}}));
    ASSERT_EQ(outcome->result, ConversionResult::Done);
    EXPECT_TRUE(outcome->outside.empty());
    // Moves never replace a file that is there already.
    EXPECT_EQ(FilesIn(outcome->folder),
              (std::set<std::string>{"escape.txt", "abs.txt", "etc.dat", "q.dat", "data.xml", "data.js"}));
    EXPECT_EQ(zemtest::ReadFile(outcome->folder + "/escape.txt"), "1");
    EXPECT_EQ(zemtest::ReadFile(outcome->folder + "/abs.txt"), "2");
    EXPECT_EQ(zemtest::ReadFile(outcome->folder + "/q.dat"), "7");
    const std::string js = zemtest::ReadFile(outcome->folder + "/data.js");
    for (const char* line : {"[300][0]['tagdetails'] = \"x.dat\";", "[300][0]['fnameorig'] = \"escape.txt\";",
                             "[300][1]['tagdetails'] = \"y.dat\";", "[300][1]['fnameorig'] = \"abs.txt\";"})
        EXPECT_NE(js.find(line), std::string::npos) << line;
    EXPECT_EQ(js.find("[1030][0]['tagdetails'] = \"..dat\""), std::string::npos);
}

TEST(QmfConversion, DecipherFailureSkipsTheRestOfTheCallsRecordings)
{
    const std::string xml =
        "<e><call id=\"A\">"
        "<tbcalltag tagtype=\"1030\" idcalltag=\"1\"><zemlogv3_calltag1030 flencrypt=\"1\" sid=\"k\"/></tbcalltag>"
        "<tbcalltag tagtype=\"1030\" idcalltag=\"2\"/>"
        "<tbcalltag tagtype=\"300\" idcalltag=\"3\"/>"
        "<chunklist><c idcalltag=\"1\" chunkname=\"R1\"/><c idcalltag=\"2\" chunkname=\"R2\"/></chunklist></call>"
        "<call id=\"B\"><tbcalltag tagtype=\"1030\" idcalltag=\"9\"/></call></e>";
    const auto outcome = Convert(qmftest::MakeQmf(xml, {}), false);
    ASSERT_EQ(outcome->result, ConversionResult::Done);
    EXPECT_THAT(outcome->view.Messages(), ElementsAre("Error decrypting files!"));
    const std::string js = zemtest::ReadFile(outcome->folder + "/data.js");
    EXPECT_NE(js.find("[0]['CallTags'][1030][0]['tagdetails'] = \"R1.dat\";"), std::string::npos);
    EXPECT_EQ(js.find("[0]['CallTags'][1030][1]"), std::string::npos);
    EXPECT_NE(js.find("[0]['CallTags'][300][0]"), std::string::npos);
    EXPECT_NE(js.find("[1]['CallTags'][1030][0]['tagtype'] = 1030;"), std::string::npos);
}

}  // namespace
