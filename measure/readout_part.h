#pragma once
// The part file of a cut recorder readout: the bytes read so far, kept so that the next
// readout of the same device can continue where this one stopped.
//
// One file per device, named after its factory number, holds records one after another:
//   header  the device's identity (once, first)
//   chunk   memory address and bytes, in address order from the recorder's first byte
//   end     the time of the cut, written when a readout stops cleanly
// Every record carries its kind and length and ends with a CRC-32 of itself, so a record
// torn by a kill or damaged on the disk is found. A part is read as untrusted input: the
// first record that does not check, or a chunk that does not follow the one before it,
// ends the part there, and what came before it still counts. Without an end record (the
// program was killed) the time of the cut is the file's modification time.
//
// The writer appends: chunks gather in memory and go to the disk at most once a second, as
// plain writes, never rewriting what is already there; only the end record is synced.

#include "link/protocol.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The name of command 33 as Windows-1250 bytes: what a reply frame holds after its
// version byte.
constexpr std::size_t kPartNameMaxBytes = protocol::kMaxData - 1;
// The largest chunk record the writer makes and the reader accepts.
constexpr std::size_t kPartChunkMaxBytes = 4096;
// A part is read no further than this; the writer's records never make it this long.
constexpr std::size_t kPartFileMaxBytes = 16u << 20;
// A part is offered, and kept, for this long after its cut.
constexpr std::int64_t kPartLifetimeSeconds = 24 * 60 * 60;

struct t_readout_identity {
    std::uint8_t address = 0;        // device address, five bits
    std::string name;                // command 33, Windows-1250 bytes, at most kPartNameMaxBytes
    std::uint8_t version = 0;        // command 33
    std::uint16_t factoryNumber = 0; // block 2
    bool operator==(const t_readout_identity&) const = default;
};

struct t_readout_part {
    t_readout_identity identity;
    std::int64_t cutTime = 0;        // calendar seconds
    bool ended = false;              // cutTime came from an end record, not the file's time
    std::vector<std::uint8_t> bytes; // the recorder's bytes from address 0, at most 475,136
    // File length up to the last good chunk record: where a continued readout appends.
    std::size_t chunksEnd = 0;
};

// "odczyt-<factory number>.part" in directory (which ends in '/' or is empty); the folder
// is chosen in measure/readout_part_folder.h.
std::string ReadoutPartPath(const std::string& directory, std::uint16_t factoryNumber);

// --- Reading -------------------------------------------------------------------------

// Parses the bytes of a part file; modificationTime stands in for the time of the cut when
// no end record came. False when not even the header checks.
bool ParseReadoutPart(const std::uint8_t* data, std::size_t size, std::int64_t modificationTime,
                      t_readout_part& part);
// Reads the part at path: false when it is missing, not a regular file (a symbolic link
// included), not this user's own or writable by others, cannot be read or has no header
// that checks.
bool ReadReadoutPart(const std::string& path, t_readout_part& part);

// True while a part cut at cutTime is offered and kept at now (both calendar seconds):
// less than 24 hours old, and not more than 24 hours ahead of a clock set back.
bool IsReadoutPartFresh(std::int64_t cutTime, std::int64_t now);

// True when another process holds the part at path in use (its advisory lock, which the
// writer takes on every part it writes): a second readout of the same device must then
// keep no part of its own there.
bool IsReadoutPartInUse(const std::string& path);

// --- Removing ------------------------------------------------------------------------

// Removes the part at path, when it is a regular file or a symbolic link. True when
// nothing is left under that name.
bool RemoveReadoutPart(const std::string& path);
// The parts in directory (names "odczyt-*.part", regular files whose header checks) that
// are no longer fresh at now, whichever device they belong to, as full paths in name
// order. A file whose header does not check is no part and is left alone.
std::vector<std::string> StaleReadoutParts(const std::string& directory, std::int64_t now);
// Removes StaleReadoutParts(directory, now); the number removed.
int RemoveStaleReadoutParts(const std::string& directory, std::int64_t now);

// --- Writing -------------------------------------------------------------------------

class CReadoutPartWriter {
public:
    CReadoutPartWriter() = default;
    // Writes what is still gathered and closes the file, with no end record.
    ~CReadoutPartWriter();
    CReadoutPartWriter(const CReadoutPartWriter&) = delete;
    CReadoutPartWriter& operator=(const CReadoutPartWriter&) = delete;

    // Starts a new part at path with its header, replacing a part that was there. The file
    // is made 0600; a name that is not a regular file (a symbolic link included) or a file
    // of another user is refused. False when the header could not be written (Error()).
    // The part is held with an advisory lock (flock) until the writer closes it: one that
    // another process holds is refused with EWOULDBLOCK and left untouched.
    bool Create(const std::string& path, const t_readout_identity& identity);
    // Continues the part at path: reads it, cuts off whatever follows its last good chunk
    // (a torn record, an end record), and appends from there. part receives what it holds.
    // False, with the file untouched, when there is no part to continue (see
    // ReadReadoutPart), it belongs to a device other than `device` or another process holds
    // it (EWOULDBLOCK).
    bool Continue(const std::string& path, const t_readout_identity& device, t_readout_part& part);

    // Gathers the recorder bytes [address, address + n) and writes what is gathered when
    // a second has passed since the last write (nowMs: a steady clock in ms; the first
    // Append starts it). The bytes must follow the ones before (address == Held()) and stay
    // within the recorder; false, and nothing gathered, when they do not or the writer has
    // failed.
    bool Append(std::uint32_t address, const std::uint8_t* bytes, std::size_t n,
                std::int64_t nowMs);
    // Writes what is gathered now. False once any write failed.
    bool Flush();
    // Writes what is gathered and the end record with the time of the cut (calendar
    // seconds), syncs the file to the disk and closes it. False when any of it failed.
    bool End(std::int64_t cutTime);

    // Recorder bytes taken so far, written or gathered: the next address Append takes.
    std::uint32_t Held() const { return m_held; }
    bool IsOpen() const { return m_fd >= 0; }
    // True once a write failed. The file is then cut back to its last whole record and no
    // more is written to it, so it still reads as the part it was.
    bool Failed() const { return m_failed; }
    // The errno of the last open or write that failed; 0 for none.
    int Error() const { return m_error; }

private:
    bool Open(const std::string& path, int flags);
    bool WriteRecords(const std::vector<std::uint8_t>& records);
    void Close();

    int m_fd = -1;
    bool m_failed = false;
    int m_error = 0;
    std::uint32_t m_held = 0;
    std::uint32_t m_written = 0;  // recorder bytes on the disk
    std::size_t m_fileLength = 0; // file bytes in whole records
    std::vector<std::uint8_t> m_pending;
    bool m_clockStarted = false;
    std::int64_t m_lastWriteMs = 0;
};
