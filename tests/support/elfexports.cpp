#include "support/elfexports.h"

#include "support/scratch.h"

#include <algorithm>
#include <cstring>
#include <elf.h>

namespace zemtest {

namespace {

// A copy of the struct at offset, when the file holds it whole.
template <class T>
bool ReadAt(const std::string& file, uint64_t offset, T* out)
{
    if (offset > file.size() || file.size() - offset < sizeof(T))
        return false;
    std::memcpy(out, file.data() + offset, sizeof(T));
    return true;
}

}  // namespace

std::vector<std::string> ExportedNames(const std::string& path)
{
    const std::string file = ReadFile(path);
    std::vector<std::string> names;
    Elf64_Ehdr header;
    if (!ReadAt(file, 0, &header) || std::memcmp(header.e_ident, ELFMAG, SELFMAG) != 0 ||
        header.e_ident[EI_CLASS] != ELFCLASS64)
        return names;
    for (uint16_t i = 0; i < header.e_shnum; ++i) {
        Elf64_Shdr symbols, strings;
        if (!ReadAt(file, header.e_shoff + uint64_t(i) * header.e_shentsize, &symbols) ||
            symbols.sh_type != SHT_DYNSYM || symbols.sh_entsize != sizeof(Elf64_Sym) ||
            !ReadAt(file, header.e_shoff + uint64_t(symbols.sh_link) * header.e_shentsize, &strings) ||
            strings.sh_offset > file.size() || strings.sh_size > file.size() - strings.sh_offset)
            continue;
        for (uint64_t at = sizeof(Elf64_Sym); at < symbols.sh_size; at += sizeof(Elf64_Sym)) {
            Elf64_Sym symbol;
            if (!ReadAt(file, symbols.sh_offset + at, &symbol) || symbol.st_shndx == SHN_UNDEF ||
                symbol.st_name >= strings.sh_size)
                continue;
            const unsigned char binding = ELF64_ST_BIND(symbol.st_info);
            if (binding != STB_GLOBAL && binding != STB_WEAK && binding != STB_GNU_UNIQUE)
                continue;
            const char* name = file.data() + strings.sh_offset + symbol.st_name;
            names.emplace_back(name, strnlen(name, strings.sh_size - symbol.st_name));
        }
    }
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace zemtest
