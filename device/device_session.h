#pragma once
// CDeviceSession: what a device operation needs of the program that runs it, and no more.
// The main window implements it through its modal boxes; a program without a window
// implements the exchange and the block transfer by running its own loop until they have
// ended. Every call is made on the thread that runs the operation and returns when its
// work is done, so an operation reads as a straight sequence of steps.

#include "base/readout_part_folder.h"
#include "link/chunk_source.h"

#include <cstdint>
#include <functional>
#include <string>

class CWnd;
struct t_transfer_data;

// The icon a message is shown with.
enum class MessageIcon { None, Exclamation };

class CDeviceSession {
public:
    // The bytes of a read that arrived with one chunk: block offset, bytes and count.
    using ChunkFunction =
        std::function<void(std::uint32_t offset, const std::uint8_t* bytes, std::uint32_t count)>;

    virtual ~CDeviceSession() = default;

    // Appends text to the console; newLine != 0 starts a new line first. "\r\n" inside the
    // text breaks lines.
    virtual void ConsoleWrite(const std::string& text, int newLine) = 0;
    // A line the user must see while the operation goes on, where a session has no console
    // too: the window writes it to its console, a program without one to its error stream.
    virtual void Notice(const std::string& text) { ConsoleWrite(text, 1); }

    // The address of the session's device, as its frames carry it.
    virtual int DeviceAddress() const = 0;

    // Sends the command with `length` bytes of data to the session's device and returns once
    // its reply came or the device did not answer in time: the reply, or nullptr for none.
    // The reply stays valid until the next exchange.
    virtual const t_transfer_data* Exchange(int command, const std::uint8_t* data, int length) = 0;
    // Queues a command the device never answers; returns without waiting.
    virtual void SendWithoutReply(int command) = 0;

    // Reads memory block blockId (protocol::BlockSize(blockId) bytes) into buffer. True when
    // the whole block arrived; otherwise the session has told the user why, and buffer is as
    // it was.
    virtual bool ReadBlock(int blockId, std::uint8_t* buffer) = 0;
    // Reads block blockId as ReadBlock does, continuing after its first `held` bytes, which
    // buffer holds already; onChunk (may be empty) sees each chunk as it arrives. Whether
    // or not the whole block arrived, buffer holds the block as far as it came.
    virtual bool ReadBlockFrom(int blockId, std::uint32_t held, std::uint8_t* buffer,
                               const ChunkFunction& onChunk) = 0;
    // Reads the chunks list names from block blockId, one after another, behind one progress
    // that shows the bytes the list plans; buffer first takes the block's bytes from source,
    // and each chunk read replaces its bytes there. True when the list ran to its end (what
    // it found is the list's to say); otherwise the session has told the user why.
    virtual bool ReadChunkList(int blockId, const std::uint8_t* source, CChunkSource& list,
                               std::uint8_t* buffer) = 0;
    // After a ReadBlockFrom that gave false: true when the read stopped because the link's
    // port went away and the port is back now (the session said meanwhile that it waits),
    // so that the read may go on where it stopped once the device is known to be the same.
    virtual bool PortCameBack() { return false; }
    // Read chunks asked again so far on the session's link (a count that only grows while
    // it stays connected); 0 where the session does not count them.
    virtual std::uint32_t Retries() const { return 0; }
    // Reads a block of a few chunks in passing, with the same tries as ReadBlock but no
    // progress shown, nothing on the console and nobody told of a failure. True when the
    // whole block arrived into buffer; otherwise buffer is as it was.
    virtual bool ReadBlockQuietly(int blockId, std::uint8_t* buffer) = 0;
    // Writes protocol::BlockSize(blockId) bytes from bytes into the block and closes the
    // write. True when done; otherwise the session has told the user why.
    virtual bool WriteBlock(int blockId, const std::uint8_t* bytes) = 0;

    // The recorder memory image, protocol::kRecorderSize bytes.
    virtual std::uint8_t* MemoryImage() = 0;
    // Where the memory image came from: the measurement file it was loaded from or saved
    // to, or "odczyt z urządzenia" with the time of the readout; empty for the image of
    // zeros a session starts with.
    virtual const std::string& ImageSource() const = 0;
    virtual void SetImageSource(const std::string& source) = 0;
    // Where the parts of cut readouts are kept (see base/readout_part_folder.h).
    virtual t_readout_part_folder ReadoutPartFolder() const = 0;

    // Asks the user a yes/no question; true for yes.
    virtual bool AskYesNo(const std::string& question) = 0;
    // Tells the user something (the main window returns once its box was closed).
    virtual void ShowMessage(const std::string& text, MessageIcon icon) = 0;

    // The window the editors and file dialogs of an operation open over; nullptr when the
    // session has none (such a session runs only the operations that show no editor).
    virtual CWnd* ParentWindow() = 0;
};
