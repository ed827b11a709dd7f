#include "ziptestfile.h"

#include <zlib.h>

namespace ziptest {
namespace {

void Put16(std::string& out, uint32_t v)
{
    out += static_cast<char>(v & 0xff);
    out += static_cast<char>((v >> 8) & 0xff);
}

void Put32(std::string& out, uint32_t v)
{
    Put16(out, v & 0xffff);
    Put16(out, v >> 16);
}

}  // namespace

std::string MakeZip(const std::vector<Entry>& entries)
{
    std::string body, directory;
    for (const Entry& e : entries) {
        const uint32_t crc = static_cast<uint32_t>(
            crc32(0, reinterpret_cast<const Bytef*>(e.data.data()), static_cast<uInt>(e.data.size())));
        const uint32_t size = static_cast<uint32_t>(e.data.size());
        const uint32_t offset = static_cast<uint32_t>(body.size());
        const uint32_t name = static_cast<uint32_t>(e.name.size());

        Put32(body, 0x04034b50);
        Put16(body, 20);
        Put16(body, 0);  // flags
        Put16(body, 0);  // stored
        Put32(body, e.dosDateTime);
        Put32(body, crc);
        Put32(body, size);
        Put32(body, size);
        Put16(body, name);
        Put16(body, 0);
        body += e.name + e.data;

        Put32(directory, 0x02014b50);
        Put16(directory, e.unixMode ? (3 << 8 | 20) : 20);
        Put16(directory, 20);
        Put16(directory, 0);
        Put16(directory, 0);
        Put32(directory, e.dosDateTime);
        Put32(directory, crc);
        Put32(directory, size);
        Put32(directory, size);
        Put16(directory, name);
        Put16(directory, 0);  // extra
        Put16(directory, 0);  // comment
        Put16(directory, 0);  // disk
        Put16(directory, 0);  // internal attributes
        Put32(directory, e.unixMode << 16 | e.dosAttributes);
        Put32(directory, offset);
        directory += e.name;
    }
    std::string zip = body + directory;
    Put32(zip, 0x06054b50);
    Put16(zip, 0);
    Put16(zip, 0);
    Put16(zip, static_cast<uint32_t>(entries.size()));
    Put16(zip, static_cast<uint32_t>(entries.size()));
    Put32(zip, static_cast<uint32_t>(directory.size()));
    Put32(zip, static_cast<uint32_t>(body.size()));
    Put16(zip, 0);
    return zip;
}

}  // namespace ziptest
