#include "QMFPlayer/qmfplay/textmodefile.h"

bool TextModeFile::Create(const std::string& path)
{
    return file_.Open(path, zem::File::Mode::Create) == 0;
}

bool TextModeFile::Write(std::string_view text)
{
    std::string translated;
    translated.reserve(text.size() + text.size() / 16);
    for (char c : text) {
        if (c == '\n')
            translated += '\r';
        translated += c;
    }
    return file_.Write(translated.data(), translated.size()) == 0;
}

bool TextModeFile::Close()
{
    return file_.Close() == 0;
}
