#include "res/icon.h"

#include "framework/afx.h"
#include "res/resource.h"

#include <cmath>
#include <cstdint>
#include <vector>

namespace {

constexpr int kSize = 32;

constexpr std::uint32_t kTransparent = 0x00000000;
constexpr std::uint32_t kRim = 0xFF1F3A5F;     // dark blue
constexpr std::uint32_t kFace = 0xFFF4F6F8;    // off-white
constexpr std::uint32_t kScale = 0xFF3C4A57;   // ticks
constexpr std::uint32_t kRedZone = 0xFFD23C2C; // top of the scale
constexpr std::uint32_t kNeedle = 0xFFE07B00;  // orange
constexpr std::uint32_t kHub = 0xFF1F3A5F;

constexpr double kPi = 3.14159265358979323846;

// Distance from point (px, py) to the segment (ax, ay)-(bx, by).
double SegmentDistance(double px, double py, double ax, double ay, double bx, double by) {
    const double dx = bx - ax;
    const double dy = by - ay;
    double t = ((px - ax) * dx + (py - ay) * dy) / (dx * dx + dy * dy);
    t = t < 0 ? 0 : (t > 1 ? 1 : t);
    const double cx = ax + t * dx - px;
    const double cy = ay + t * dy - py;
    return std::sqrt(cx * cx + cy * cy);
}

// A round gauge: rim, face, a 270-degree scale with a red zone at its top end, and a
// needle pointing at about two thirds of it.
std::vector<std::uint32_t> DrawGauge() {
    std::vector<std::uint32_t> pixels(kSize * kSize, kTransparent);
    const double centre = (kSize - 1) / 2.0;
    // Scale from 225 degrees (lower left) clockwise to -45 degrees (lower right); angles
    // are measured counter-clockwise from the positive x axis, y grows downwards.
    const double startAngle = 225.0;
    const double sweep = 270.0;
    const double needleAngle = (startAngle - sweep * 0.68) * kPi / 180.0;
    const double needleX = centre + 11.0 * std::cos(needleAngle);
    const double needleY = centre - 11.0 * std::sin(needleAngle);

    for (int y = 0; y < kSize; ++y) {
        for (int x = 0; x < kSize; ++x) {
            const double dx = x - centre;
            const double dy = centre - y;
            const double r = std::sqrt(dx * dx + dy * dy);
            std::uint32_t colour = kTransparent;
            if (r <= 15.5) {
                colour = r > 13.5 ? kRim : kFace;
            }
            if (r > 9.5 && r <= 12.5) {
                double angle = std::atan2(dy, dx) * 180.0 / kPi; // -180..180
                // Position along the scale, 0 at its start, `sweep` at its end.
                double along = startAngle - angle;
                while (along < 0) {
                    along += 360.0;
                }
                while (along >= 360.0) {
                    along -= 360.0;
                }
                if (along <= sweep) {
                    const double tick = std::fmod(along, 27.0); // eleven ticks
                    const bool onTick = tick < 5.0 || tick > 22.0;
                    const bool redZone = along >= sweep * 0.8;
                    if (redZone && r > 11.0) {
                        colour = kRedZone;
                    } else if (onTick && r > 10.5) {
                        colour = kScale;
                    }
                }
            }
            if (SegmentDistance(x, y, centre, centre, needleX, needleY) < 1.1 && r <= 12.0) {
                colour = kNeedle;
            }
            if (r <= 2.3) {
                colour = kHub;
            }
            pixels[static_cast<std::size_t>(y * kSize + x)] = colour;
        }
    }
    return pixels;
}

} // namespace

void RegisterProgramIcon() {
    const std::vector<std::uint32_t> pixels = DrawGauge();
    afx::RegisterIcon(IDR_MAINFRAME, kSize, kSize, pixels.data());
}
