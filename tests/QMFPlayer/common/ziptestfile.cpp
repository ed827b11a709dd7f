#include "ziptestfile.h"

#include "base/littleendian.h"

#include <zlib.h>

namespace ziptest {
namespace {

// Little-endian, `bytes` (2 or 4) bytes wide.
void Put(std::string& out, uint32_t value, int bytes)
{
    if (bytes == 2)
        zem::AppendLe16(out, static_cast<uint16_t>(value));
    else
        zem::AppendLe32(out, value);
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

        Put(body, 0x04034b50, 4);
        Put(body, 20, 2);
        Put(body, 0, 2);  // flags
        Put(body, 0, 2);  // stored
        Put(body, e.dosDateTime, 4);
        Put(body, crc, 4);
        Put(body, size, 4);
        Put(body, size, 4);
        Put(body, name, 2);
        Put(body, 0, 2);
        body += e.name + e.data;

        Put(directory, 0x02014b50, 4);
        Put(directory, e.unixMode ? (3 << 8 | 20) : 20, 2);
        Put(directory, 20, 2);
        Put(directory, 0, 2);
        Put(directory, 0, 2);
        Put(directory, e.dosDateTime, 4);
        Put(directory, crc, 4);
        Put(directory, size, 4);
        Put(directory, size, 4);
        Put(directory, name, 2);
        Put(directory, 0, 2);  // extra
        Put(directory, 0, 2);  // comment
        Put(directory, 0, 2);  // disk
        Put(directory, 0, 2);  // internal attributes
        Put(directory, e.unixMode << 16 | e.dosAttributes, 4);
        Put(directory, offset, 4);
        directory += e.name;
    }
    std::string zip = body + directory;
    Put(zip, 0x06054b50, 4);
    Put(zip, 0, 2);
    Put(zip, 0, 2);
    Put(zip, static_cast<uint32_t>(entries.size()), 2);
    Put(zip, static_cast<uint32_t>(entries.size()), 2);
    Put(zip, static_cast<uint32_t>(directory.size()), 4);
    Put(zip, static_cast<uint32_t>(body.size()), 4);
    Put(zip, 0, 2);
    return zip;
}

}  // namespace ziptest
