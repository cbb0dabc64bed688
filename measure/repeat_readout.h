#pragma once
// A repeat readout: once a device's recorder was read in full, the next readout of that
// device reads only what it recorded since, over the image kept from the last readout, and
// compares enough of the rest to know that the device changed nothing else (see
// measure/repeat_readout_plan.h). Anything that does not fit ends in a full readout, the
// console saying why.

#include "measure/kept_image.h"
#include "measure/measure_operations.h"

#include <cstdint>
#include <string>
#include <vector>

class CDeviceSession;

// The kept image of one readout's device: found, held while the readout runs, and saved
// once the readout completes.
class CKeptImageKeeper {
public:
    explicit CKeptImageKeeper(CDeviceSession& session) : m_session(session) {}

    // Looks for the device's kept image in the session's folder when images may be kept
    // there (else none is used or saved), removing those older than 30 days. True when one
    // of the same identity was found and is held.
    bool Open(const t_readout_identity& identity, std::int64_t now);
    const t_kept_image& Kept() const { return m_kept; }
    bool Found() const { return m_found; }
    // Keeps image as the device's last: a full readout at now, or a repeat one building on
    // the image found. Tells the user when it cannot, unless told is set (the user knows
    // why already).
    void Save(const std::vector<std::uint8_t>& image, std::int64_t now, bool repeat, bool told);

private:
    CDeviceSession& m_session;
    CKeptImageHolder m_holder;
    t_kept_image m_kept;
    t_readout_identity m_identity;
    std::string m_path; // empty: no image is saved
    bool m_found = false;
};

enum class RepeatOutcome {
    Done,  // memory holds the device's memory, read as a repeat readout
    Full,  // read in full instead (the console said why, where there was a why)
    Ended, // the reading failed or was aborted: the readout ends, the kept image as it was
};

// The repeat readout over keeper's image, asking first with use Ask. memory receives the
// image read. bytesRead: the bytes of the chunks read.
RepeatOutcome ReadOnlyWhatIsNew(CDeviceSession& session, const CKeptImageKeeper& keeper,
                                KeptImageUse use, std::int64_t now,
                                std::vector<std::uint8_t>& memory, std::uint32_t& bytesRead);

// The seed of the chunks compared at random; tests set it, 0 restores a random one.
void SetRepeatReadoutSeedForTest(std::uint32_t seed);
