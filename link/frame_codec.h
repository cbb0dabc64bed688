#pragma once
// Frame codec: the ASCII hexadecimal frames of the serial line.
//
// Encoder: a record becomes LF, CR, ':' and the hexadecimal digits of L, address/type,
// command, data and checksum.
// Receiver: a state machine fed one character at a time; pure, no I/O, no allocation.

#include "link/protocol.h"
#include "link/transfer_data.h"

#include <cstddef>
#include <cstdint>

// Encodes the record into out (at least protocol::kMaxEncodedFrame bytes) and gives the
// number of characters. A length above 62 is taken as 62.
std::size_t EncodeFrame(const t_transfer_data& record, std::uint8_t* out);
// The frame's bytes as they go on the line, before they are written in digits: L,
// address/type, command, data and checksum. out holds protocol::kFrameBufferSize bytes;
// gives their number. A length above 62 is taken as 62.
std::size_t FrameBytes(const t_transfer_data& record, std::uint8_t* out);

// 0..15 for hexadecimal digits of either case, 0 for anything else.
std::uint8_t HexDigitValue(char c);
bool IsHexDigit(char c);
// Appends two upper-case digits at position and gives the position after them.
char* PutHexByte(std::uint8_t byte, char* position);

// Where the receiver stands between characters.
enum class ReceiverState : std::uint8_t {
    Idle,     // between frames: waiting for ':'
    InFrame,  // collecting the bytes of a frame
    Overlong, // the frame outgrew the buffer: its remaining digits are skipped
};

// Which digit of a byte comes next.
enum class Nibble : std::uint8_t { High, Low };

// What the last character fed to the receiver ended, beside the 1/0 result.
enum class ReceiverEvent : std::uint8_t {
    None,        // nothing ended: a digit of a frame, or a line end between frames
    Frame,       // a frame with a correct checksum (the result is 1)
    BadChecksum, // a frame of the announced length whose checksum is wrong
    Overlong,    // a frame longer than the buffer
    Discarded,   // `discarded` characters were thrown away: noise between frames, or a
                 // frame cut short by a character that is not a digit or by a new ':'
};

struct t_frame_receiver {
    Nibble phase = Nibble::High;
    std::uint8_t current = 0; // byte being assembled
    ReceiverState state = ReceiverState::Idle;
    std::uint8_t checksum = 0;
    std::uint8_t count = 0;
    std::uint8_t limit = protocol::kFrameBufferSize;
    std::uint8_t* buffer = nullptr;   // frame buffer of `limit` bytes, owned by the caller
    std::uint8_t* position = nullptr; // where the next byte goes
    std::uint16_t characters = 0;     // characters of the frame being collected, ':' included
    ReceiverEvent event = ReceiverEvent::None;
    std::uint16_t discarded = 0; // with ReceiverEvent::Discarded: how many characters
};

// Starts a receiver: idle, with the given buffer of protocol::kFrameBufferSize bytes.
void ReceiverInit(t_frame_receiver& r, std::uint8_t* buffer);
void ReceiverReset(t_frame_receiver& r);
// 1 when c completes a frame with a correct checksum (the frame then lies in the buffer:
// L, address/type, command, data, S); 0 for every other character. r.event tells what c
// ended.
int ReceiverPutChar(t_frame_receiver& r, char c);

// Turns a completed frame in the receiver's buffer into a record. Gives false (and leaves
// record untouched) when the frame has no room for address/type and command (L < 3).
bool FrameToRecord(const std::uint8_t* frame, t_transfer_data& record);
