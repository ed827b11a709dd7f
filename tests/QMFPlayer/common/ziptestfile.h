// Zip archives made byte by byte for the tests: stored entries with any name (also ones that
// hold a NUL or climb out with ".."), any external attributes and a chosen DOS stamp.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace ziptest {

struct Entry {
    std::string name;
    std::string data;
    uint32_t unixMode = 0;          // made on Unix when non-zero (type and permission bits)
    uint32_t dosAttributes = 0;     // 0x10 marks a folder
    uint32_t dosDateTime = 0x58A16C20;  // 2024-05-01 13:33:00
};

std::string MakeZip(const std::vector<Entry>& entries);

}  // namespace ziptest
