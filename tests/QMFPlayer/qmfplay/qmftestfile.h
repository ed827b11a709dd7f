// Recording files (.qmf) made for the tests: the RIFF form "QMF1" with the call description
// and data chunks laid out without pad bytes, and a call description of one call.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace qmftest {

struct Chunk {
    std::string id;  // four bytes, any
    std::string data;
};

std::string MakeQmf(const std::string& xml, const std::vector<Chunk>& chunks);

// Writes a call file of SmallCallXml and one chunk "BIG1" of `size` zero bytes, kept as a hole
// on disk, so a big call costs no time to make.
void WriteBigQmf(const std::string& path, uint32_t size);

// One call "C1" with a recording tag (1030, chunk "REC1"), an attachment tag (300, chunk
// "ATT1", "note.txt"), a decision tag (204) and a train-radio tag (1201); recordingKey non-empty enciphers the recording.
std::string SmallCallXml(const std::string& recordingKey = {});

}  // namespace qmftest
