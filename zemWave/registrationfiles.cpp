#include "zemWave/registrationfiles.h"

#include "zemWave/typelibrary.h"

namespace zemwave {

using namespace zem;

namespace {

constexpr char kServer[] = "%MODPATH%\\zemwave.ocx";
constexpr char kCatSafeForScripting[] = "{7DD95801-9882-11CF-9FA9-00AA006C42C4}";
constexpr char kCatSafeForInitializing[] = "{7DD95802-9882-11CF-9FA9-00AA006C42C4}";

// Writes a script with one key per line, nested by braces.
class ScriptWriter {
public:
    void Open(const std::string& line)
    {
        Line(line);
        Line("{");
        ++depth_;
    }
    void Close()
    {
        --depth_;
        Line("}");
    }
    void Line(const std::string& line) { text_ += std::string(size_t(depth_) * 4, ' ') + line + "\r\n"; }
    const std::string& Text() const { return text_; }

private:
    std::string text_;
    int depth_ = 0;
};

std::string Quoted(const std::string& text)
{
    std::string out = "'";
    for (const char c : text)
        out += c == '\'' ? std::string("''") : std::string(1, c);
    return out + "'";
}

std::string Str(const std::string& text)
{
    return "s " + Quoted(text);
}

void WriteProgIds(ScriptWriter& script)
{
    for (const ModuleClass& entry : ModuleClasses()) {
        const ClassRegistration& reg = entry.registration;
        if (!reg.control)
            continue;
        script.Open(std::string(reg.progId) + " = " + Str(reg.typeName));
        script.Line("CLSID = " + Str(GuidText(reg.clsid)));
        script.Line("Insertable");
        script.Close();
    }
}

void WriteClass(ScriptWriter& script, const ClassRegistration& reg, const TypeLibrary& library)
{
    script.Open("ForceRemove " + GuidText(reg.clsid) + " = " + Str(reg.typeName));
    if (reg.control) {
        script.Line("Control");
        script.Line("Insertable");
        script.Line("ProgID = " + Str(reg.progId));
        script.Line("ToolboxBitmap32 = " + Str(std::string(kServer) + ", " + std::to_string(reg.toolboxBitmap)));
        script.Line("TypeLib = " + Str(GuidText(library.libid)));
        script.Line("Version = " + Str(VersionText(library)));
        script.Open("MiscStatus = " + Str("0"));
        script.Line("'1' = " + Str(std::to_string(reg.miscStatus)));
        script.Close();
        script.Open("InprocServer32 = " + Str(kServer));
        script.Line("val ThreadingModel = " + Str("Apartment"));
        script.Close();
    } else {
        script.Line("InprocServer32 = " + Str(kServer));
    }
    script.Close();
}

void WriteInterfaces(ScriptWriter& script, const TypeLibrary& library)
{
    script.Open("NoRemove Interface");
    for (const TypeEntry& entry : library.entries) {
        if (entry.kind != TypeKind::Dispatch)
            continue;
        script.Open("ForceRemove " + GuidText(entry.guid) + " = " + Str(entry.name));
        script.Line("ProxyStubClsid = " + Str(GuidText(CLSID_PSDispatch)));
        script.Line("ProxyStubClsid32 = " + Str(GuidText(CLSID_PSDispatch)));
        script.Open("TypeLib = " + Str(GuidText(library.libid)));
        script.Line("val Version = " + Str(VersionText(library)));
        script.Close();
        script.Close();
    }
    script.Close();
}

void WriteTypeLibrary(ScriptWriter& script, const TypeLibrary& library)
{
    script.Open("NoRemove TypeLib");
    script.Open("ForceRemove " + GuidText(library.libid));
    script.Open(Quoted(VersionText(library)) + " = " + Str(library.helpString));
    script.Open("'0'");
    script.Line("win32 = " + Str(kServer));
    script.Close();
    script.Line("FLAGS = " + Str("2"));
    script.Line("HELPDIR = " + Str("%MODPATH%"));
    script.Close();
    script.Close();
    script.Close();
}

std::string RegKey(const std::string& path)
{
    return "\r\n[" + path + "]\r\n";
}

}  // namespace

std::string UserRegistrationScript()
{
    const TypeLibrary& library = ZemWaveTypeLibrary();
    ScriptWriter script;
    script.Open("HKCU");
    script.Open("NoRemove Software");
    script.Open("NoRemove Classes");
    WriteProgIds(script);
    script.Open("NoRemove CLSID");
    for (const ModuleClass& entry : ModuleClasses())
        WriteClass(script, entry.registration, library);
    script.Close();
    WriteInterfaces(script, library);
    WriteTypeLibrary(script, library);
    script.Close();
    script.Close();
    script.Close();
    return script.Text();
}

std::string MissingEntriesRegFile(bool machine)
{
    const std::string hive = machine ? "HKEY_LOCAL_MACHINE" : "HKEY_CURRENT_USER";
    const std::string classes = machine ? "HKEY_CLASSES_ROOT" : hive + "\\Software\\Classes";
    const ClassRegistration& prompt = ModuleClassOf(ClassId::PromptCtrl).registration;
    const std::string promptClsid = GuidText(prompt.clsid);

    std::string text = "REGEDIT4\r\n";
    text += RegKey(classes + "\\CLSID\\" + promptClsid);
    text += "@=\"" + std::string(prompt.typeName) + "\"\r\n";
    text += "\"AppID\"=\"" + promptClsid + "\"\r\n";
    for (const ModuleClass& entry : ModuleClasses()) {
        if (!entry.registration.control)
            continue;
        const std::string categories = hive + "\\SOFTWARE\\Classes\\CLSID\\" + GuidText(entry.registration.clsid) +
                                       "\\Implemented Categories\\";
        text += RegKey(categories + kCatSafeForScripting);
        text += RegKey(categories + kCatSafeForInitializing);
    }
    // Pages of the local computer may run, initialise and script the controls.
    for (const char* zones : {"Zones", "Lockdown_Zones"}) {
        text += RegKey(hive + "\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\" + zones + "\\0");
        for (const char* action : {"1200", "1201", "1400"})
            text += "\"" + std::string(action) + "\"=dword:00000000\r\n";
    }
    return text;
}

}  // namespace zemwave
