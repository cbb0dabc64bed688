// Part files of a cut readout from arbitrary bytes: whatever they hold, the part read is a
// prefix of the recorder that lies inside the file.

#include "measure/readout_part.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    t_readout_part part;
    if (!ParseReadoutPart(data, size, 0, part)) {
        return 0;
    }
    if (part.bytes.size() > protocol::kRecorderSize || part.chunksEnd > size ||
        part.bytes.size() > part.chunksEnd || part.identity.name.size() > kPartNameMaxBytes ||
        part.identity.address > protocol::kAddressMask || (!part.ended && part.cutTime != 0)) {
        std::abort();
    }
    return 0;
}
