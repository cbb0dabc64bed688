#pragma once
// Whole files as bytes, for tests that prepare a file or check what a save left.

#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

// Replaces the file's content with `bytes`, creating it when missing.
inline void WriteBytes(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

// The file's content; empty when it cannot be read.
inline std::vector<std::uint8_t> ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
}
