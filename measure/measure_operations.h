#pragma once
// The operations on the memory image of the recorder, each run start to end against a
// session. Those that open a file dialog or a chart need a session with a window.

#include "measure/readout_part.h"

#include <cstdint>
#include <string>

class CDeviceSession;

// What a readout does with the part that a cut readout of the same device left.
enum class CutReadout {
    Ask,      // asks whether to continue it (the window)
    Continue, // continues it without asking
    Restart,  // reads from the beginning
};

// What a readout does with the image kept from the last readout of the same device.
enum class KeptImageUse {
    Ask,    // asks whether to read only what is new (the window)
    Use,    // reads only what is new without asking, where it can
    Ignore, // reads everything
};

// How a readout of the recorder ended.
struct t_recorder_readout {
    bool complete = false;       // the session's image holds the whole memory
    bool repeat = false;         // only what was new was read, over the kept image
    t_readout_identity identity; // the device read (valid once its identity was read)
    std::string partPath;        // its part file; empty when no part may be kept
    std::int64_t startTime = 0;  // calendar seconds when the readout began
    // Recorder bytes read from the device by this readout, the join checks left out.
    std::uint32_t bytesRead = 0;
    // Where it went on from the part of a cut readout; 0 when it read from the beginning.
    std::uint32_t continuedFrom = 0;
    // Read chunks asked again during the readout (CDeviceSession::Retries).
    std::uint32_t retries = 0;
};

// Reads the recorder memory into the session's image, after the device's identity. The
// bytes go to the device's part file as they arrive; a readout that stops before the end
// leaves them there, and the next one on the same device continues from them as `cut`
// says, once the chunks at the join read back as the part holds them. Parts older than a
// day are removed. A complete readout removes its part when removePart is set; otherwise
// the caller removes it once the image is safe (RemoveReadoutPart). A failed or aborted
// readout leaves the image as it was and the session has told the user why.
// With a kept image of the device younger than its part (see measure/repeat_readout.h),
// reads only what the device recorded since, as `kept` says; a complete readout keeps its
// image for the next one.
t_recorder_readout ReadRecorderMemory(CDeviceSession& session, CutReadout cut, bool removePart,
                                      KeptImageUse kept = KeptImageUse::Use);

// "Odczyt pomiarów": ReadRecorderMemory asking about a cut readout and about reading only
// what is new, the part removed on completion.
void ReadRecorder(CDeviceSession& session);

// "Odczytaj z pliku": asks for a measurement file and loads it as the image.
void LoadImageFile(CDeviceSession& session);
// "Zapisz do pliku": asks for a file name, the dialog starting in initialDir (empty: where
// the program was started), and saves the image there.
void SaveImageFile(CDeviceSession& session, const std::string& initialDir);

// "Droga w czasie" and "Prędkość w czasie": the image's runs as a chart.
void ShowPositionChart(CDeviceSession& session);
void ShowSpeedChart(CDeviceSession& session);
