// zemcrypt: enciphers or deciphers one file with a key, into a second file or in place.
#include "base/paths.h"
#include "zemCrypt/commandline.h"
#include "zemCrypt/cryptlib.h"
#include "zemCrypt/lasterror.h"
#include "zemCrypt/resultfile.h"

#include <cstdio>

namespace {

// The key of every installation that never chose its own.
constexpr const char* kDefaultKey = "530617";

int PrintUsage()
{
    std::fputs("----------------------------------------------\n", stdout);
    std::fputs("ZEMCRYPT - Blowfish file cipher, KESTRALON\n", stdout);
    std::fputs("----------------------------------------------\n\n", stdout);
    std::fputs("Usage: ZEMCRYPT [-dec] [-zip] [-nocrc] [-k cryptokey] srcfile [dstfile]\n", stdout);
    return 1;
}

int PrintError(const std::string& text)
{
    std::printf("ERROR: %s\n", text.c_str());
    return 1;
}

}  // namespace

int main(int argc, char** argv)
{
    CCryptLib cryptLib;
    std::optional<CryptSettings> settings =
        ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
    if (!settings || settings->source.empty())
        return PrintUsage();
    if (settings->key.empty())
        settings->key = kDefaultKey;

    const std::string source = zem::MapPath(settings->source);
    const std::string destination = zem::MapPath(settings->destination);
    const bool inPlace = destination.empty() || IsSameFile(source, destination);
    ResultFile result;
    if (!result.Create(inPlace ? source : destination))
        return PrintError(GetLastErrorText(0));

    cryptLib.SetKey(settings->key);
    cryptLib.crc = settings->crc;
    cryptLib.compression = settings->compression;
    std::fputs(settings->decipher ? "Decrypting ...\n" : "Encrypting ...\n", stdout);
    const bool done = settings->decipher ? cryptLib.DecipherFile(source, result.TempPath())
                                         : cryptLib.EncipherFile(source, result.TempPath());
    if (!done)
        return PrintError(cryptLib.LastError());
    if (!result.Commit())
        return PrintError(GetLastErrorText(0));
    std::fputs("Done!\n", stdout);
    return 0;
}
