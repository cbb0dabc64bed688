#pragma once
// CRepeatReadoutPlan: the chunks a repeat readout reads, and what they tell. A device that
// only recorded since its image was kept changed nothing but the bytes from the kept end
// marker on, so the plan reads on from the chunk that held that marker, wrapping at the
// ring's end, until it has read the chunk that holds the new end marker (the first 0xFF at
// or after the old marker's place). Then it reads, to compare with the kept image:
//   - the chunk after the new end marker's, and the chunk that holds the next 4 KiB
//     boundary after it: a flash device that erases ahead of its writing clears the sector
//     it writes into or the next one, and either shows there;
//   - the chunk before the old end marker's;
//   - kRandomChunks further chunks chosen at random (by the seed) over the rest of the ring.
// Bytes of the chunks read on that lie outside the new bytes are compared too. The plan
// stops at the first difference, when no new end marker comes within the ring, and when
// more bytes are new than the device can have recorded in the time since (MaxRecordedBytes).
// Pure: bytes in, chunks and a verdict out.

#include "link/chunk_source.h"

#include <cstdint>
#include <random>
#include <vector>

// Bytes a device that records 3 bytes a second and 8 more for each run it begins can have
// written in `seconds` with `runs` runs begun, with a margin: a quarter more, and a minute.
std::uint64_t MaxRecordedBytes(std::int64_t seconds, std::uint32_t runs);

enum class RepeatVerdict {
    Reading,     // not done yet
    Same,        // every compared byte equals the kept image: the image is the kept one with
                 // the new chunks laid over it
    Changed,     // a compared byte differs
    NoEndMarker, // a whole lap without a new end marker
    TooMuchNew,  // more new bytes than the time since allows
};

class CRepeatReadoutPlan : public CChunkSource {
public:
    // Further chunks compared at random.
    static constexpr int kRandomChunks = 16;

    // kept: the kept image, protocol::kRecorderSize bytes, outliving the plan; oldMarker:
    // its end marker (RecorderEndMarker); elapsedSeconds: PC time since it was read (0 or
    // more).
    CRepeatReadoutPlan(const std::uint8_t* kept, std::uint32_t oldMarker,
                       std::int64_t elapsedSeconds, std::uint32_t seed);

    bool Next(std::uint32_t& offset) override;
    void Took(std::uint32_t offset, const std::uint8_t* bytes, std::uint32_t count) override;
    std::uint32_t Planned() const override;

    RepeatVerdict Verdict() const { return m_verdict; }
    // Bytes recorded since: from the old end marker to the new one (valid once found).
    std::uint32_t NewBytes() const { return m_newBytes; }
    // Chunks taken so far.
    std::uint32_t ChunksRead() const { return m_chunksRead; }

private:
    // Ring distance of address from the old end marker.
    std::uint32_t FromOldMarker(std::uint32_t address) const;
    void TakeNew(std::uint32_t offset, const std::uint8_t* bytes, std::uint32_t count);
    void PlanCompare();

    const std::uint8_t* m_kept;
    std::uint32_t m_oldMarker;
    std::int64_t m_elapsed;
    std::mt19937 m_random;
    RepeatVerdict m_verdict = RepeatVerdict::Reading;
    bool m_found = false;         // the new end marker was read
    std::uint32_t m_next;         // phase "read on": the next chunk
    std::uint32_t m_readUpTo = 0; // bytes from the old end marker read on so far
    std::uint32_t m_runs = 0;     // start markers among them
    std::uint32_t m_newBytes = 0;
    std::uint32_t m_chunksRead = 0;
    std::uint32_t m_bytesTaken = 0;
    std::vector<bool> m_read;             // by chunk: read already
    std::vector<std::uint32_t> m_compare; // chunks still to compare, in order
};
