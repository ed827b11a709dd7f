#include "QMFPlayer/qmfplay/textmodefile.h"

#include <algorithm>

namespace {

// A script of many megabytes goes out in blocks of about this size, never held whole.
constexpr size_t kBlock = 64 * 1024;

}  // namespace

bool TextModeFile::Create(const std::string& path)
{
    block_.reserve(kBlock + 2);
    return file_.Open(path, zem::File::Mode::Create) == 0;
}

bool TextModeFile::Write(std::string_view text)
{
    while (!text.empty() && !failed_) {
        const size_t lineFeed = std::min(text.find('\n'), text.size());
        block_.append(text.substr(0, lineFeed));
        if (lineFeed < text.size())
            block_.append("\r\n");
        text.remove_prefix(std::min(lineFeed + 1, text.size()));
        if (block_.size() >= kBlock)
            WriteOut();
    }
    return !failed_;
}

void TextModeFile::WriteOut()
{
    if (!failed_)
        failed_ = file_.Write(block_.data(), block_.size()) != 0;
    block_.clear();
}

bool TextModeFile::Close()
{
    WriteOut();
    return file_.Close() == 0 && !failed_;
}
