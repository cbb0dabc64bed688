#include "measure/repeat_readout_plan.h"

#include "link/protocol.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr std::uint32_t kRing = protocol::kRecorderSize;
constexpr std::uint32_t kChunk = protocol::kChunkData;
constexpr std::uint32_t kChunks = (kRing + kChunk - 1) / kChunk;
// The erase unit of the flash memories such devices use.
constexpr std::uint32_t kSector = 4096;

constexpr std::uint32_t ChunkOf(std::uint32_t address) {
    return address / kChunk;
}
constexpr std::uint32_t Count(std::uint32_t chunk) {
    return std::min(kChunk, kRing - chunk * kChunk);
}

} // namespace

std::uint64_t MaxRecordedBytes(std::int64_t seconds, std::uint32_t runs) {
    const std::uint64_t s = seconds > 0 ? static_cast<std::uint64_t>(seconds) : 0;
    return (3 * s * 5) / 4 + 3 * 60 + 8ull * runs;
}

CRepeatReadoutPlan::CRepeatReadoutPlan(const std::uint8_t* kept, std::uint32_t oldMarker,
                                       std::int64_t elapsedSeconds, std::uint32_t seed)
    : m_kept(kept), m_oldMarker(oldMarker % kRing), m_elapsed(elapsedSeconds), m_random(seed),
      m_next(ChunkOf(oldMarker % kRing)), m_read(kChunks, false) {}

std::uint32_t CRepeatReadoutPlan::FromOldMarker(std::uint32_t address) const {
    return (address + kRing - m_oldMarker) % kRing;
}

bool CRepeatReadoutPlan::Next(std::uint32_t& offset) {
    if (m_verdict != RepeatVerdict::Reading) {
        return false;
    }
    if (!m_found) {
        offset = m_next * kChunk;
        return true;
    }
    if (m_compare.empty()) {
        m_verdict = RepeatVerdict::Same;
        return false;
    }
    offset = m_compare.front() * kChunk;
    return true;
}

void CRepeatReadoutPlan::Took(std::uint32_t offset, const std::uint8_t* bytes,
                              std::uint32_t count) {
    const std::uint32_t chunk = ChunkOf(offset);
    if (m_verdict != RepeatVerdict::Reading || offset % kChunk != 0 || chunk >= kChunks ||
        count != Count(chunk)) {
        return;
    }
    ++m_chunksRead;
    m_bytesTaken += count;
    if (!m_found) {
        if (chunk == m_next) {
            TakeNew(offset, bytes, count);
        }
        return;
    }
    if (m_compare.empty() || m_compare.front() != chunk) {
        return;
    }
    m_compare.erase(m_compare.begin());
    m_read[chunk] = true;
    if (std::memcmp(bytes, m_kept + offset, count) != 0) {
        m_verdict = RepeatVerdict::Changed;
    }
}

void CRepeatReadoutPlan::TakeNew(std::uint32_t offset, const std::uint8_t* bytes,
                                 std::uint32_t count) {
    const std::uint32_t chunk = ChunkOf(offset);
    m_read[chunk] = true;
    const bool first = m_readUpTo == 0;
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::uint32_t at = offset + i;
        const std::uint32_t distance = FromOldMarker(at);
        // In the first chunk the bytes before the old end marker lie a lap away: old data.
        const bool onward = first ? at >= m_oldMarker : true;
        if (!onward || m_found) {
            if (bytes[i] != m_kept[at]) {
                m_verdict = RepeatVerdict::Changed;
                return;
            }
            continue;
        }
        if (bytes[i] == protocol::kRecorderEndMarker) {
            m_found = true;
            m_newBytes = distance;
        } else if (bytes[i] == protocol::kRecorderStartMarker) {
            ++m_runs;
        }
    }
    m_readUpTo = FromOldMarker(offset + count - 1) + 1;
    if (m_found) {
        PlanCompare();
        return;
    }
    // A whole lap read on: the old end marker's chunk is next again.
    if (m_chunksRead >= kChunks) {
        m_verdict = RepeatVerdict::NoEndMarker;
    } else if (m_readUpTo > MaxRecordedBytes(m_elapsed, m_runs)) {
        m_verdict = RepeatVerdict::TooMuchNew;
    }
    m_next = (chunk + 1) % kChunks;
}

void CRepeatReadoutPlan::PlanCompare() {
    const std::uint32_t newMarker = (m_oldMarker + m_newBytes) % kRing;
    const auto add = [this](std::uint32_t chunk) {
        chunk %= kChunks;
        if (!m_read[chunk] &&
            std::find(m_compare.begin(), m_compare.end(), chunk) == m_compare.end()) {
            m_compare.push_back(chunk);
        }
    };
    const std::uint32_t markerChunk = ChunkOf(newMarker);
    add(markerChunk + 1);
    add(ChunkOf(((newMarker / kSector + 1) * kSector) % kRing));
    add(ChunkOf(m_oldMarker) + kChunks - 1);
    // At random over what is neither new nor chosen; a ring of few such chunks gives all.
    std::vector<std::uint32_t> rest;
    for (std::uint32_t c = 0; c < kChunks; ++c) {
        if (!m_read[c] && std::find(m_compare.begin(), m_compare.end(), c) == m_compare.end()) {
            rest.push_back(c);
        }
    }
    for (int i = 0; i < kRandomChunks && !rest.empty(); ++i) {
        std::uniform_int_distribution<std::size_t> pick(0, rest.size() - 1);
        const std::size_t at = pick(m_random);
        m_compare.push_back(rest[at]);
        rest[at] = rest.back();
        rest.pop_back();
    }
}

std::uint32_t CRepeatReadoutPlan::Planned() const {
    // Before the new end marker: the next chunk and the compare chunks to come.
    const std::uint32_t ahead = m_found ? static_cast<std::uint32_t>(m_compare.size())
                                        : 1 + 3 + static_cast<std::uint32_t>(kRandomChunks);
    return m_verdict != RepeatVerdict::Reading ? m_bytesTaken : m_bytesTaken + ahead * kChunk;
}
