// libFuzzer target: any bytes as a recording file. The conversion may fail or report a fatal
// error but must never write beside its folder, hand the cipher tool a path outside it,
// crash or leak.
#include "QMFPlayer/qmfplay/qmfconversion.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

class SilentView : public PlayerView {
public:
    void ShowStatus(const std::string&) override {}
    void HideStatus() override {}
    void ShowMessage(const std::string&) override {}
    void RequestQuit() override {}
};

[[noreturn]] void Fail(const char* what, const std::string& path)
{
    std::fprintf(stderr, "%s: %s\n", what, path.c_str());
    std::abort();
}

}  // namespace

// One folder per fuzzing process, holding the input and the cage around the call-viewer folder.
struct Workspace {
    Workspace() : root(fs::temp_directory_path() / ("qmffuzz." + std::to_string(getpid())))
    {
        fs::create_directories(root / "cage");
    }
    ~Workspace()
    {
        std::error_code ec;
        fs::remove_all(root, ec);
    }
    const fs::path root;
};

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const Workspace work;
    const fs::path input = work.root / "input.qmf";
    const fs::path folder = work.root / "cage" / "T";
    std::ofstream(input, std::ios::binary).write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    fs::create_directories(folder);

    SilentView view;
    ConversionSettings settings;
    settings.folder = folder.string();
    settings.decipher = [&folder](const std::string&, const std::string& path) {
        if (!path.empty() && fs::path(path).parent_path() != folder)
            Fail("deciphering outside the folder", path);
        return true;
    };
    ConvertRecordingFile(input.string(), settings, view);

    for (const auto& entry : fs::recursive_directory_iterator(work.root / "cage")) {
        if (entry.path() != folder && (entry.path().parent_path() != folder || entry.is_directory()))
            Fail("written outside the folder", entry.path().string());
    }
    std::error_code ec;
    fs::remove_all(folder, ec);
    return 0;
}
