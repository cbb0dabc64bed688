#pragma once
// CProgressLine: the recorder readout's progress on the error stream, with the window's
// text ("123 456 z 475 136 B, 1,9 kB/s, zostało ok. 3 min 05 s", link/transfer_rate.h). On
// a terminal that can write a line over, one line written over as the readout goes on; on
// one that cannot (TERM=dumb), a whole line every ten seconds and at the end. The blocks
// read in passing (the device's identity) are not the readout's and are not shown.
// Times are a steady clock in ms given by the caller.

#include "link/transfer_rate.h"

#include <cstdint>
#include <iosfwd>
#include <memory>

class CProgressLine {
public:
    CProgressLine(std::ostream& err, bool shown, bool cursorMoves)
        : m_err(err), m_shown(shown), m_cursorMoves(cursorMoves) {}
    ~CProgressLine() { Finish(); }
    CProgressLine(const CProgressLine&) = delete;
    CProgressLine& operator=(const CProgressLine&) = delete;

    // Bytes done of the total of the block under way, at nowMs.
    void Update(std::int64_t nowMs, std::uint32_t done, std::uint32_t total);
    // Ends a line written over, so that what follows starts on a new one.
    void Finish();

private:
    std::ostream& m_err;
    bool m_shown;
    bool m_cursorMoves;
    bool m_written = false;
    std::int64_t m_lastLineMs = -1;
    std::unique_ptr<CTransferRate> m_rate;
};
