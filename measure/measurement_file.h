#pragma once
// Measurement files: the recorder memory image written out unchanged, exactly 475,136
// bytes, recognised by their length alone.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

enum class LoadError {
    None,
    CannotRead,  // cannot be opened or read whole (a directory, a read error, it shrank)
    WrongLength, // opened, but not exactly the size of a recorder image
};

// Reads the whole file into out. On failure out is left as it was and error says why.
bool LoadMeasurementFile(const std::string& path, std::vector<std::uint8_t>& out, LoadError& error);
// Saves the n bytes of image as WriteFileAtomically does: false when the file cannot be
// written, which then keeps its bytes unless it is one of the files written in place.
bool SaveMeasurementFile(const std::string& path, const std::uint8_t* image, std::size_t n);
