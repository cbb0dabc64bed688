#pragma once
// CRC-32 (the polynomial of zlib and PNG, reflected, 0xEDB88320): what the files the
// terminal keeps for itself end with, so that a torn or damaged one is found.

#include <cstddef>
#include <cstdint>

std::uint32_t Crc32(const std::uint8_t* data, std::size_t n);
