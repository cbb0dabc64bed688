#pragma once
// The live status record (data of the reply to the status request) and the texts of the
// status panel built from it.

#include <cstddef>
#include <cstdint>
#include <string>

struct t_live_status {
    std::int16_t speed = 0;    // 0.01 m/s
    std::int32_t position = 0; // mm
    bool programmer = false;   // the connected unit is a programmer, not a recorder
    std::uint8_t inputs[4] = {};
    std::uint8_t outputs = 0; // bits 0-3 outputs, 4 test, 5 tacho 0, 6 tacho 1, 7 low supply
    std::uint8_t flags = 0;   // bit 0 inspection due
    std::uint16_t supply = 0; // 0.1 V
};

// Payload of the status request: a 16-bit 0 and a flag byte 0.
constexpr std::size_t kLiveStatusRequestSize = 3;
inline constexpr std::uint8_t kLiveStatusRequest[kLiveStatusRequestSize] = {0, 0, 0};

// Panel texts when no status is shown, and for a programmer.
inline constexpr char kStatusIdleText[] = " - - - -\r\n - - - -";
inline constexpr char kStatusProgrammerText[] = "Programator\r\n - - - -";

// False when fewer than 20 data bytes came: no status to show.
bool ParseLiveStatus(const std::uint8_t* data, std::size_t size, t_live_status& status);

// Speed (0.01 m/s) and position (mm) as "%d.%02d[m/s]\r\n%d.%03d[m]", negative values with
// the minus sign in front of the whole number ("-0.05").
std::string FormatSpeedPosition(int speed, int position);
std::string FormatInputs(const t_live_status& status);
std::string FormatOutputs(const t_live_status& status);
std::string FormatSupply(const t_live_status& status);
