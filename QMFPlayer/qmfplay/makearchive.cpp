// makearchive ARCHIVE NAME=FILE...: the build's zip writer for the call-viewer archive. Each
// entry is "made by" Unix and keeps its file's permission bits, so that the tools come out
// of the archive executable.
#include <minizip/zip.h>

#include <cstdio>
#include <ctime>
#include <fstream>
#include <iterator>
#include <string>
#include <sys/stat.h>

namespace {

constexpr unsigned long kMadeByUnix = 3 << 8 | 20;

bool AddEntry(zipFile archive, const std::string& name, const std::string& source)
{
    struct stat info {};
    std::ifstream in(source, std::ios::binary);
    if (stat(source.c_str(), &info) != 0 || !S_ISREG(info.st_mode) || !in) {
        std::fprintf(stderr, "makearchive: cannot read %s\n", source.c_str());
        return false;
    }
    const std::string data{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    zip_fileinfo entry{};
    const std::time_t when = info.st_mtime;
    std::tm local{};
    localtime_r(&when, &local);
    entry.tmz_date = {static_cast<uInt>(local.tm_sec), static_cast<uInt>(local.tm_min),
                      static_cast<uInt>(local.tm_hour), static_cast<uInt>(local.tm_mday),
                      static_cast<uInt>(local.tm_mon), static_cast<uInt>(local.tm_year + 1900)};
    entry.external_fa = static_cast<uLong>(info.st_mode & 0177777) << 16;
    if (zipOpenNewFileInZip4(archive, name.c_str(), &entry, nullptr, 0, nullptr, 0, nullptr,
                             Z_DEFLATED, Z_BEST_COMPRESSION, 0, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY,
                             nullptr, 0, kMadeByUnix, 0) != ZIP_OK ||
        zipWriteInFileInZip(archive, data.data(), static_cast<unsigned>(data.size())) != ZIP_OK ||
        zipCloseFileInZip(archive) != ZIP_OK) {
        std::fprintf(stderr, "makearchive: cannot add %s\n", name.c_str());
        return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: makearchive ARCHIVE NAME=FILE...\n");
        return 2;
    }
    const std::string target = argv[1];
    const std::string partial = target + ".part";
    zipFile archive = zipOpen64(partial.c_str(), APPEND_STATUS_CREATE);
    if (!archive) {
        std::fprintf(stderr, "makearchive: cannot create %s\n", partial.c_str());
        return 1;
    }
    bool ok = true;
    for (int i = 2; i < argc && ok; ++i) {
        const std::string pair = argv[i];
        const size_t equals = pair.find('=');
        ok = equals != std::string::npos && equals > 0 &&
             AddEntry(archive, pair.substr(0, equals), pair.substr(equals + 1));
    }
    ok = zipClose(archive, nullptr) == ZIP_OK && ok;
    // Written aside and renamed: a failed run never leaves a half archive under the real name.
    if (!ok || std::rename(partial.c_str(), target.c_str()) != 0) {
        std::remove(partial.c_str());
        std::fprintf(stderr, "makearchive: %s not written\n", target.c_str());
        return 1;
    }
    return 0;
}
