#include "QMFPlayer/qmfplay/callscript.h"

#include "QMFPlayer/qmfplay/jsescape.h"
#include "QMFPlayer/qmfplay/safename.h"
#include "QMFPlayer/qmfplay/textmodefile.h"
#include "ZemBaseLib/systime.h"
#include "ZemBaseLib/xmlelement.h"

#include <cstdio>
#include <fcntl.h>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace {

constexpr int kTypeDecision = 204;
constexpr int kTypeAttachment = 300;
constexpr int kTypeRecording = 1030;

std::string Attribute(const XmlElement* element, std::string_view name)
{
    std::string value;
    if (element)
        element->GetAttribute(name, value);
    return value;
}

// The tree counts children in 16 bits: later ones are out of reach.
const XmlElement* ChildAt(const XmlElement* element, uint32_t index)
{
    return element && index <= 0xFFFF ? element->GetChild(static_cast<uint16_t>(index)) : nullptr;
}

const XmlElement* Child(const XmlElement* element, std::string_view name)
{
    return element ? element->FindChild(name) : nullptr;
}

std::string Slashed(std::string text)
{
    for (char& c : text) {
        if (c == '\\')
            c = '/';
    }
    return text;
}

SysTime ParsedTime(const std::string& text)
{
    SysTime time;
    time.Parse(text);
    return time;
}

// A quoted JavaScript string of a text.
std::string Quoted(std::string_view text)
{
    return "\"" + JsEscape(text) + "\"";
}

class CallScript {
public:
    CallScript(const ConversionSettings& settings, PlayerView& view, TextModeFile& out)
        : settings_(settings), view_(view), out_(out)
    {
    }

    void Head();
    void Call(int k, const XmlElement& call);
    void Tail() { out_.Write("//-->\n"); }

private:
    void IndexChunks(const XmlElement& call);
    void IndexTags(const XmlElement& call);
    void CallTimes(const std::string& call, const XmlElement* tbcall);
    void CallTags(int type, int k);
    // False when the cipher tool could not run: the rest of that type is left out.
    bool TagFile(int type, const std::string& tag, int j, int k, const XmlElement& calltag);
    void Line(const std::string& left, const std::string& right)
    {
        out_.Write(left);
        out_.Write(" = ");
        out_.Write(right);
        out_.Write(";\n");
    }
    std::string ChunkPath(const std::string& chunkName) const
    {
        return Slashed(settings_.folder) + "/" + chunkName + ".dat";
    }

    const ConversionSettings& settings_;
    PlayerView& view_;
    TextModeFile& out_;
    std::string callId_;
    // The call's chunk list by tag id: the first usable chunk name of each id.
    std::unordered_map<int32_t, std::string> chunkNames_;
    // The call's tags by type, each in document order: the script asks for over a hundred
    // types, and one walk through the children serves them all.
    std::unordered_map<int32_t, std::vector<const XmlElement*>> tagsByType_;
};

void CallScript::Head()
{
    out_.Write(std::string(52, '/') + "\n");
    out_.Write("// Ab hier alle Daten f\xFCr den externen Player\n");
    out_.Write("<!--\n");
    out_.Write("var directory=\"" + JsEscape(Slashed(settings_.folder)) + "/\";\n");
    out_.Write(settings_.controlAvailable ? "var IsInstalledzemWaveActiveX = true;\n"
                                          : "var IsInstalledzemWaveActiveX = false;\n");
    out_.Write("oCallViewer['call'] = new Array();\n");
    out_.Write("oAudioFiles = new Array();\n");
}

void CallScript::Call(int k, const XmlElement& call)
{
    const std::string entry = "oCallViewer['call'][" + std::to_string(k) + "]";
    callId_ = JsEscape(Attribute(&call, "id"));
    IndexChunks(call);
    IndexTags(call);
    const XmlElement* tbcall = Child(&call, "tbcall");
    Line(entry, "new Array()");
    Line(entry + "['id']", "\"" + callId_ + "\"");
    Line("oAudioFiles['" + callId_ + "']", "new Array()");
    Line(entry + "['accdevname']", Quoted(Attribute(Child(tbcall, "zemlogv3_vline"), "name")));
    Line(entry + "['direction']", Quoted(Attribute(tbcall, "direction")));
    Line(entry + "['callingparty']", Quoted(Attribute(tbcall, "cli")));
    Line(entry + "['calledparty']", Quoted(Attribute(tbcall, "dni")));
    CallTimes(entry, tbcall);
    Line(entry + "['CallTags']", "new Array()");
    for (int type : {30, 200, 201, 202, 203, 204, 300, 1030})
        CallTags(type, k);
    for (int type = 1200; type <= 1299; ++type)
        CallTags(type, k);
}

void CallScript::IndexChunks(const XmlElement& call)
{
    chunkNames_.clear();
    const XmlElement* chunks = Child(&call, "chunklist");
    for (uint32_t i = 0; const XmlElement* chunk = ChildAt(chunks, i); ++i) {
        int32_t tagId = 0;
        std::string name = SafeBaseName(Attribute(chunk, "chunkname"));
        if (chunk->GetAttributeInt("idcalltag", tagId) && tagId > 0 && !name.empty())
            chunkNames_.try_emplace(tagId, std::move(name));
    }
}

void CallScript::IndexTags(const XmlElement& call)
{
    tagsByType_.clear();
    for (uint32_t i = 0; const XmlElement* calltag = ChildAt(&call, i); ++i) {
        // A missing or unreadable type matches nothing.
        int32_t type = 0;
        if (calltag->GetName() == "tbcalltag" && calltag->GetAttributeInt("tagtype", type))
            tagsByType_[type].push_back(calltag);
    }
}

void CallScript::CallTimes(const std::string& entry, const XmlElement* tbcall)
{
    const SysTime begin = ParsedTime(Attribute(tbcall, "tsfirst"));
    const SysTime end = ParsedTime(Attribute(tbcall, "tslast"));
    // A missing or broken time gives empty texts (Format does so), never a failed check.
    std::string duration;
    if (begin.IsValid() && end.IsValid())
        duration = SysTime::FormatSeconds(static_cast<uint32_t>(begin.DiffSeconds(end)));
    Line(entry + "['callbegindate']", Quoted(begin.Format("%d.%m.%Y")));
    Line(entry + "['callbegin']", Quoted(begin.Format("%H:%M:%S")));
    Line(entry + "['callenddate']", Quoted(end.Format("%d.%m.%Y")));
    Line(entry + "['callend']", Quoted(end.Format("%H:%M:%S")));
    Line(entry + "['callduration']", Quoted(duration));
}

void CallScript::CallTags(int type, int k)
{
    const bool fsk = type >= 1200 && type <= 1299;
    const std::string tags = "oCallViewer['call'][" + std::to_string(k) + "]['CallTags']" +
                             (fsk ? std::string("['FSK']") : "[" + std::to_string(type) + "]");
    const auto found = tagsByType_.find(type);
    if (found == tagsByType_.end())
        return;
    int j = 0;
    for (const XmlElement* calltag : found->second) {
        if (j == 0)
            Line(tags, "new Array()");
        const std::string tag = tags + "[" + std::to_string(j) + "]";
        Line(tag, "new Array()");
        Line(tag + "['tagtype']", std::to_string(type));
        Line(tag + "['tstagset']", Quoted(ParsedTime(Attribute(calltag, "tstagset")).FormatText(' ')));
        for (const char* time : {"tstagbegin", "tstagend"}) {
            Line(tag + "['" + time + "']",
                 Quoted(ParsedTime(Attribute(calltag, time)).Format("%Y-%m-%d %H:%M:%S")));
        }
        Line(tag + "['tagdetails']", Quoted(Slashed(Attribute(calltag, "tagdetails"))));
        Line(tag + "['usertagset']", "new Array()");
        Line(tag + "['usertagset']['login']", Quoted(Attribute(Child(calltag, "tbuser"), "name")));
        if ((type == kTypeAttachment || type == kTypeRecording) &&
            !TagFile(type, tag, j, k, *calltag))
            return;
        if (type == kTypeDecision) {
            const XmlElement* decision = Child(calltag, "tbcalltag204");
            const XmlElement* user = Child(decision, "tbuser");
            const XmlElement* project = Child(user, "tbproject");
            Line(tag + "['projectnote']", Quoted(Attribute(decision, "projectnote")));
            Line(tag + "['shortsign']", Quoted(Attribute(project, "shortsign")));
            Line(tag + "['name']", Quoted(Attribute(project, "name")));
            Line(tag + "['user']", Quoted(Attribute(user, "name")));
        }
        ++j;
    }
}

bool CallScript::TagFile(int type, const std::string& tag, int j, int k, const XmlElement& calltag)
{
    int32_t tagId = 0;
    calltag.GetAttributeInt("idcalltag", tagId);
    std::string path;
    std::string chunkFile;  // the name of the chunk's file in the folder
    const auto chunk = tagId > 0 ? chunkNames_.find(tagId) : chunkNames_.end();
    if (chunk != chunkNames_.end()) {
        const std::string& name = chunk->second;
        path = ChunkPath(name);
        chunkFile = name + ".dat";
        const std::string file = "oAudioFiles['" + callId_ + "'][" + std::to_string(j) + "]";
        Line(tag + "['tagdetails']", Quoted(name + ".dat"));
        Line(file, "new Array()");
        Line(file + "['fname']", Quoted(path));
        Line(file + "['callindex']", std::to_string(k));
        Line(file + "['calltagindex']", std::to_string(j));
    }
    if (type == kTypeRecording) {
        const XmlElement* cipher = Child(&calltag, "zemlogv3_calltag1030");
        int32_t enciphered = 0;
        if (cipher && cipher->GetAttributeInt("flencrypt", enciphered) && enciphered > 0 &&
            (!settings_.decipher || !settings_.decipher(Attribute(cipher, "sid"), path))) {
            view_.ShowMessage("Error decrypting files!");
            return false;
        }
        return true;
    }
    const XmlElement* attachment = Child(&calltag, "tbcalltag300");
    const std::string original = SafeBaseName(Attribute(attachment, "fnameorig"));
    // Like MoveFile: an existing file (a viewer page, a tool, "data.js") is never replaced.
    // The pages link the attachment by this line, so it names the file where it stays.
    std::string shown = original;
    if (!path.empty() && (original.empty() ||
                          renameat2(AT_FDCWD, path.c_str(), AT_FDCWD,
                                    (settings_.folder + "/" + original).c_str(), RENAME_NOREPLACE) != 0))
        shown = chunkFile;
    Line(tag + "['fnameorig']", Quoted(shown));
    Line(tag + "['user']", Quoted(Attribute(Child(attachment, "tbuser"), "name")));
    return true;
}

}  // namespace

void WriteCallScript(const XmlElement& root, const ConversionSettings& settings, PlayerView& view,
                     TextModeFile& out)
{
    CallScript script(settings, view, out);
    script.Head();
    int k = 0;
    for (uint32_t i = 0; const XmlElement* call = ChildAt(&root, i); ++i) {
        if (call->GetName() == "call")
            script.Call(k++, *call);
    }
    script.Tail();
}
