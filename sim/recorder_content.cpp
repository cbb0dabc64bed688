#include "sim/recorder_content.h"

#include "base/device_time.h"
#include "link/protocol.h"

#include <algorithm>
#include <cmath>
#include <random>

namespace {

constexpr std::int64_t kDay = 86400;
// History written beyond the ring's size, so that the oldest runs are overwritten.
constexpr std::size_t kOverwrite = 40000;

class HistoryWriter {
public:
    explicit HistoryWriter(const t_recorder_options& options)
        : m_random(options.seed), m_route(std::min<int>(options.routeLength, 31999)),
          m_maxSpeed(std::min<int>(options.maxSpeed, 250)) {}

    // Appends runs, day after day, until the history is longer than the ring. Start times
    // are seconds from the beginning of the first day.
    void WriteHistory() {
        for (std::int64_t day = 0; m_stream.size() < protocol::kRecorderSize + kOverwrite; ++day) {
            std::int64_t t = day * kDay + 6 * 3600 + Uniform(0, 3600);
            const std::int64_t dayEnd = day * kDay + 19 * 3600;
            while (t < dayEnd && m_stream.size() < protocol::kRecorderSize + kOverwrite) {
                t += WriteRun(t);
                // Some runs follow after less than a minute, the others after a break.
                t += Uniform(0, 3) == 0 ? Uniform(5, 50) : Uniform(300, 5400);
            }
        }
    }

    // Places the history into the ring so that the newest run crosses the ring's end and
    // the end marker follows it; gives the image. Start times become calendar times that
    // end before now, within the last day.
    std::vector<std::uint8_t> Image(std::int64_t now) {
        // Day 0 begins at a local midnight, so that runs keep their working hours.
        t_device_time midnight = CalendarToDeviceTime(now - m_lastEnd - Uniform(300, 1800));
        midnight.hour = midnight.minute = midnight.second = 0;
        const std::int64_t origin = DeviceTimeToCalendar(midnight);
        for (const auto& [offset, start] : m_headers) {
            const t_device_time time = CalendarToDeviceTime(origin + start);
            const auto* bytes = reinterpret_cast<const std::uint8_t*>(&time);
            std::copy(bytes, bytes + sizeof time, m_stream.begin() + static_cast<long>(offset) + 1);
        }
        const std::size_t size = protocol::kRecorderSize;
        const std::size_t lastRun = m_headers.back().first;
        const std::size_t lastLength = m_stream.size() - lastRun;
        // Address 0 falls among the newest run's samples, roughly in their middle.
        const std::size_t end = std::max<std::size_t>(3, (lastLength - 8) / 2);
        std::vector<std::uint8_t> image(size, 0);
        for (std::size_t back = 1; back < size; ++back) {
            image[(end + size - back) % size] = m_stream[m_stream.size() - back];
        }
        image[end] = protocol::kRecorderEndMarker;
        return image;
    }

private:
    int Uniform(int low, int high) {
        return low + static_cast<int>(m_random() % static_cast<std::uint32_t>(high - low + 1));
    }

    // One run from its start time; gives its length in seconds.
    std::int64_t WriteRun(std::int64_t start) {
        m_headers.emplace_back(m_stream.size(), start);
        m_stream.push_back(protocol::kRecorderStartMarker);
        m_stream.insert(m_stream.end(), 7, 0); // start time, filled in by Image()
        const std::size_t first = m_stream.size();
        Stand(Uniform(3, 12));
        const int trips = Uniform(1, 4);
        for (int trip = 0; trip < trips; ++trip) {
            const int target = m_position < m_route / 2 ? m_route : 0;
            if (Uniform(0, 2) == 0) {
                // A stop on the way, as at a check point.
                Drive(m_route / 4 + Uniform(0, m_route / 2));
                Stand(Uniform(8, 40));
            }
            Drive(target);
            Stand(trip + 1 < trips ? Uniform(15, 90) : Uniform(4, 20));
        }
        const std::int64_t seconds = static_cast<std::int64_t>((m_stream.size() - first) / 3);
        m_lastEnd = start + seconds;
        return seconds;
    }

    void Stand(int seconds) {
        for (int i = 0; i < seconds; ++i) {
            Sample(0);
        }
    }

    // Accelerates towards a cruising speed, keeps it with small wobbles and brakes so as to
    // stop at the target.
    void Drive(int target) {
        const int direction = target > m_position ? 1 : -1;
        const int accel = Uniform(2, 5); // 0.1 m/s per second
        const int cruise = std::max(5, m_maxSpeed - Uniform(0, 8));
        double x = m_position;
        int v = 0;
        for (int guard = 0; guard < 100000; ++guard) {
            const double remaining = std::abs(target - x);
            const double braking = static_cast<double>(v) * v / (20.0 * accel) + v / 10.0;
            if (remaining <= braking) {
                v = std::max(v - accel, remaining > 1.0 ? 2 : 0);
            } else if (v < cruise) {
                v = std::min(v + accel, cruise);
            } else {
                v = std::clamp(cruise + Uniform(-1, 1), 1, m_maxSpeed);
            }
            x += direction * v / 10.0;
            if (v == 0 || (direction > 0 ? x >= target : x <= target)) {
                break;
            }
            m_position = static_cast<int>(std::lround(x));
            Sample(v);
        }
        m_position = target;
        Sample(0);
    }

    void Sample(int speed) {
        const int position = std::clamp(m_position, 0, m_route);
        m_stream.push_back(static_cast<std::uint8_t>(std::clamp(speed, 0, 250)));
        m_stream.push_back(static_cast<std::uint8_t>(position >> 7));
        m_stream.push_back(static_cast<std::uint8_t>(position & 0x7F));
    }

    std::mt19937 m_random;
    int m_route;
    int m_maxSpeed;
    int m_position = 0;
    std::int64_t m_lastEnd = 0;
    std::vector<std::uint8_t> m_stream;
    std::vector<std::pair<std::size_t, std::int64_t>> m_headers; // stream offset, start
};

} // namespace

std::vector<std::uint8_t> GenerateRecorderImage(const t_recorder_options& options) {
    HistoryWriter writer(options);
    writer.WriteHistory();
    return writer.Image(options.now);
}
