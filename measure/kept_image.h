#pragma once
// The last recorder image of each device, kept so that the next readout of that device
// need read only what it recorded since (see measure/repeat_readout_plan.h).
//
// One file per device beside the parts of cut readouts, "obraz-<factory number>.img",
// mode 0600: a header with the device's identity as a part names it, when the image was
// read, when the full readout it builds on was made and how many repeat readouts followed
// it; the image; and a CRC-32 of all before it. It is read as untrusted input: a file that
// is not this user's own regular file, writable by others, of the wrong length or whose
// CRC does not check is not used. It is saved whole to a new file that is renamed over the
// old one. While a readout uses it, it is held with an advisory lock (flock), so that two
// processes reading devices of one factory number never take each other's.

#include "measure/readout_part.h"

#include <cstdint>
#include <string>
#include <vector>

// A kept image is removed this long after it was read.
constexpr std::int64_t kKeptImageLifetimeSeconds = 30 * 24 * 60 * 60;
// A repeat readout builds on a full one for at most this many repeats and this long.
constexpr std::uint32_t kMaxRepeatReadouts = 20;
constexpr std::int64_t kMaxRepeatSpanSeconds = 7 * 24 * 60 * 60;

struct t_kept_image {
    t_readout_identity identity;
    std::int64_t readoutTime = 0;     // calendar seconds: when this image was read
    std::int64_t fullReadoutTime = 0; // calendar seconds: the full readout it builds on
    std::uint32_t repeats = 0;        // repeat readouts since that full one
    std::vector<std::uint8_t> image;  // protocol::kRecorderSize bytes
};

// "obraz-<factory number>.img" in directory (which ends in '/' or is empty).
std::string KeptImagePath(const std::string& directory, std::uint16_t factoryNumber);

// The file's bytes, and back. Parse is false for anything that does not check.
std::vector<std::uint8_t> EncodeKeptImage(const t_kept_image& kept);
bool ParseKeptImage(const std::uint8_t* data, std::size_t size, t_kept_image& kept);

// The kept image at path, with its advisory lock held from the descriptor it was read by
// until Release or the holder's end. Read gives false when there is none that checks
// (heldElsewhere: another process holds it).
class CKeptImageHolder {
public:
    CKeptImageHolder() = default;
    ~CKeptImageHolder();
    CKeptImageHolder(const CKeptImageHolder&) = delete;
    CKeptImageHolder& operator=(const CKeptImageHolder&) = delete;

    bool Read(const std::string& path, t_kept_image& kept, bool& heldElsewhere);
    // Saves kept at path (a new 0600 file, synced, renamed over the old one). False with
    // errno on failure; nothing is left half written.
    static bool Write(const std::string& path, const t_kept_image& kept);
    void Release();

private:
    int m_fd = -1;
};

// Removes the kept images in directory read kKeptImageLifetimeSeconds or more before now
// (or more than that after it, for a clock set back); files that do not check are left
// alone. The number removed.
int RemoveStaleKeptImages(const std::string& directory, std::int64_t now);
