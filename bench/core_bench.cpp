// Speed of the pure logic: decoding a full recorder image, and its samples as CSV.

#include "link/protocol.h"
#include "measure/recorded_samples.h"
#include "measure/sample_stamp_list.h"
#include "measure/samples_csv.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <ctime>
#include <vector>

namespace {

// A full recorder image as a device leaves it after days of service: trips up and down the
// route with acceleration, constant speed and stops, some gaps under a minute (merged by
// the decoder), runs longer than one chart screen, the newest data wrapped past the end of
// the ring, and an end marker just before the oldest data.
std::vector<std::uint8_t> RealisticImage(std::size_t oldestAt) {
    std::vector<std::uint8_t> image(protocol::kRecorderSize, 0);
    std::size_t at = oldestAt;
    std::size_t written = 0;
    auto put = [&](std::uint8_t b) {
        image[at] = b;
        at = (at + 1) % image.size();
        ++written;
    };
    std::srand(2009);
    t_device_time time = MakeDeviceTime(2009, 10, 20, 6, 0, 0);
    int position = 0;
    bool up = true;
    const std::size_t room = protocol::kRecorderSize - 16;
    while (written < room - 8 - 3 * 2000) {
        put(0xFE);
        const auto* header = reinterpret_cast<const std::uint8_t*>(&time);
        for (int i = 0; i < 7; ++i) {
            put(header[i]);
        }
        const int route = 300 + std::rand() % 1500;
        const int top = 20 + std::rand() % 40; // 0.1 m/s
        int speed = 0;
        int seconds = 0;
        int travelled = 0;
        while (travelled < route * 10) {
            if (travelled < route * 10 - speed * speed / 2) {
                speed = speed < top ? speed + 2 : top;
            } else {
                speed = speed > 2 ? speed - 2 : 1;
            }
            travelled += speed;
            position = up ? travelled / 10 : route - travelled / 10;
            put(static_cast<std::uint8_t>(speed));
            put(static_cast<std::uint8_t>((position >> 7) & 0x7F));
            put(static_cast<std::uint8_t>(position & 0x7F));
            ++seconds;
        }
        up = !up;
        const int pause = std::rand() % 3 == 0 ? 5 + std::rand() % 50 : 120 + std::rand() % 3600;
        time = AddSeconds(time, seconds + pause);
    }
    put(0xFF);
    return image;
}

// Argument: address of the oldest data. At 0 the decoder reads every run; further on, the
// walk starts at the first start marker in address order (the part that wrapped) and
// stops at the end marker, as the device's ring is defined.
void BM_DecodeImage(benchmark::State& state) {
    const std::vector<std::uint8_t> image =
        RealisticImage(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) {
        CSampleStampList list;
        list.DecodeImage(image.data(), image.size(), 616, 60);
        benchmark::DoNotOptimize(list.GetStampCount());
    }
    CSampleStampList list;
    list.DecodeImage(image.data(), image.size(), 616, 60);
    long samples = 0;
    for (int i = 0; i < list.GetStampCount(); ++i) {
        samples += list.GetStamp(i)->GetSampleCount();
    }
    state.counters["runs"] = list.GetStampCount();
    state.counters["samples"] = static_cast<double>(samples);
}
BENCHMARK(BM_DecodeImage)->Arg(0)->Arg(protocol::kRecorderSize / 3)->Unit(benchmark::kMillisecond);

// What re2-export does between reading the file and writing the text: the runs of a full
// image, whole, and their CSV in memory. The image's week of recordings crosses the autumn
// clock change in the device's home zone, so one run is converted second by second.
void BM_ExportCsv(benchmark::State& state) {
    setenv("TZ", "Europe/Warsaw", 1);
    tzset();
    const std::vector<std::uint8_t> image = RealisticImage(0);
    std::size_t bytes = 0;
    for (auto _ : state) {
        const std::vector<t_recorded_run> runs = RecordedRuns(image.data(), image.size());
        const std::string csv = SamplesCsv(runs, CsvDialect::Polish);
        bytes = csv.size();
        benchmark::DoNotOptimize(csv.data());
    }
    const std::vector<t_recorded_run> runs = RecordedRuns(image.data(), image.size());
    std::size_t samples = 0;
    for (const t_recorded_run& run : runs) {
        samples += run.samples.size();
    }
    state.counters["runs"] = static_cast<double>(runs.size());
    state.counters["samples"] = static_cast<double>(samples);
    state.counters["csv_bytes"] = static_cast<double>(bytes);
}
BENCHMARK(BM_ExportCsv)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
