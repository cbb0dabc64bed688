#pragma once
// The configuration record (block 2, 50 bytes) and the programmer record (block 5,
// 25 bytes). Descriptions are 16-byte Windows-1250 fields ending with a zero byte.

#include "base/byte_order.h"
#include "link/protocol.h"

#include <string>

constexpr std::size_t kDescriptionField = 16;
constexpr std::size_t kDescriptionMaxChars = 15;

// The text of a 16-byte description field at offset, up to its first zero byte.
std::string ReadDescription(const std::uint8_t* record, std::size_t size, std::size_t offset);
// Zeroes the field, then copies at most 15 Windows-1250 characters of text into it, so a
// zero byte always follows.
void WriteDescription(std::uint8_t* record, std::size_t size, std::size_t offset,
                      const std::string& text);

struct t_configuration_record : t_byte_record<protocol::kConfigurationSize> {
    static constexpr std::size_t kFactoryNumber = 2;
    static constexpr std::size_t kDriveUp = 4;
    static constexpr std::size_t kDriveDown = 6;
    static constexpr std::size_t kDescription = 8;
    static constexpr std::size_t kRouteLength = 24;
    static constexpr std::size_t kCheckPoints = 26; // four u16
    static constexpr std::size_t kZoneWidth = 34;
    static constexpr std::size_t kCheckPointFlags = 35; // four bytes
    static constexpr std::size_t kVoltageLevel = 39;    // 0.1 V

    std::uint16_t FactoryNumber() const { return U16(kFactoryNumber); }
    void SetFactoryNumber(std::uint16_t v) { SetU16(kFactoryNumber, v); }
    std::uint16_t DriveConstantUp() const { return U16(kDriveUp); }
    void SetDriveConstantUp(std::uint16_t v) { SetU16(kDriveUp, v); }
    std::uint16_t DriveConstantDown() const { return U16(kDriveDown); }
    void SetDriveConstantDown(std::uint16_t v) { SetU16(kDriveDown, v); }
    std::string Description() const { return ReadDescription(bytes.data(), kSize, kDescription); }
    void SetDescription(const std::string& text) {
        WriteDescription(bytes.data(), kSize, kDescription, text);
    }
    std::uint16_t RouteLength() const { return U16(kRouteLength); }
    void SetRouteLength(std::uint16_t v) { SetU16(kRouteLength, v); }
    // index 0-3
    std::uint16_t CheckPoint(int index) const { return U16(kCheckPoints + 2 * Index(index)); }
    void SetCheckPoint(int index, std::uint16_t v) { SetU16(kCheckPoints + 2 * Index(index), v); }
    std::uint8_t ZoneWidth() const { return U8(kZoneWidth); }
    void SetZoneWidth(std::uint8_t v) { SetU8(kZoneWidth, v); }
    std::uint8_t CheckPointFlag(int index) const { return U8(kCheckPointFlags + Index(index)); }
    void SetCheckPointFlag(int index, std::uint8_t v) { SetU8(kCheckPointFlags + Index(index), v); }
    std::uint8_t VoltageLevel() const { return U8(kVoltageLevel); }
    void SetVoltageLevel(std::uint8_t v) { SetU8(kVoltageLevel, v); }

private:
    // An index outside 0-3 lands past the record, where reads give 0 and writes do nothing.
    static std::size_t Index(int index) {
        return index >= 0 && index < 4 ? static_cast<std::size_t>(index) : kSize;
    }
};

struct t_programmer_record : t_byte_record<protocol::kProgrammerSize> {
    static constexpr std::size_t kFactoryNumber = 2;
    static constexpr std::size_t kPowerOffTime = 4;
    static constexpr std::size_t kVoltage = 6;
    static constexpr std::size_t kDescription = 7;

    std::uint16_t FactoryNumber() const { return U16(kFactoryNumber); }
    void SetFactoryNumber(std::uint16_t v) { SetU16(kFactoryNumber, v); }
    std::uint16_t PowerOffTime() const { return U16(kPowerOffTime); }
    void SetPowerOffTime(std::uint16_t v) { SetU16(kPowerOffTime, v); }
    std::uint8_t Voltage() const { return U8(kVoltage); }
    void SetVoltage(std::uint8_t v) { SetU8(kVoltage, v); }
    std::string Description() const { return ReadDescription(bytes.data(), kSize, kDescription); }
    void SetDescription(const std::string& text) {
        WriteDescription(bytes.data(), kSize, kDescription, text);
    }
};
