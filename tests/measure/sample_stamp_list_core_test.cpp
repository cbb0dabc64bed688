#include "measure/sample_stamp_list.h"

#include "link/protocol.h"
#include "measure/recorded_samples.h"
#include "measure/samples_csv.h"
#include "tests/support/warsaw_time_zone.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr int kMaxSamples = 616;
constexpr int kMergeWindow = 60;

// The packed field copied out: comparison macros take their arguments by reference.
int PositionOf(const t_sample_type& sample) {
    return sample.position;
}

// Writes recorder bytes into an image of the real size, from a given address on, wrapping
// at its end like the device does.
class ImageWriter {
public:
    explicit ImageWriter(std::size_t at = 0) : m_image(protocol::kRecorderSize, 0), m_at(at) {}
    ImageWriter& Byte(std::uint8_t b) {
        m_image[m_at] = b;
        m_at = (m_at + 1) % m_image.size();
        return *this;
    }
    ImageWriter& Start(const t_device_time& t) {
        Byte(0xFE);
        const auto* bytes = reinterpret_cast<const std::uint8_t*>(&t);
        for (std::size_t i = 0; i < sizeof t; ++i) {
            Byte(bytes[i]);
        }
        return *this;
    }
    ImageWriter& Sample(int speed, int position) {
        return Byte(static_cast<std::uint8_t>(speed))
            .Byte(static_cast<std::uint8_t>(position >> 7))
            .Byte(static_cast<std::uint8_t>(position & 0x7F));
    }
    ImageWriter& Samples(int count, int firstPosition = 100) {
        for (int i = 0; i < count; ++i) {
            Sample(10 + i % 50, (firstPosition + i) % 32768);
        }
        return *this;
    }
    ImageWriter& End() { return Byte(0xFF); }
    CSampleStampList& Decode() {
        m_list.DecodeImage(m_image.data(), m_image.size(), kMaxSamples, kMergeWindow);
        return m_list;
    }
    std::vector<std::uint8_t>& Image() { return m_image; }

private:
    std::vector<std::uint8_t> m_image;
    std::size_t m_at;
    CSampleStampList m_list;
};

class SampleDecoding : public WarsawTimeZone {
protected:
    const t_device_time T = MakeDeviceTime(2009, 12, 2, 9, 5, 7);
};

TEST_F(SampleDecoding, AllZeroImageGivesNoRunsAndKeepsTheListAsItWas) {
    ImageWriter w;
    EXPECT_EQ(w.Decode().GetStampCount(), 0);
    CSampleStampList list;
    list.AddStamp();
    const std::vector<std::uint8_t> zero(protocol::kRecorderSize, 0);
    list.DecodeImage(zero.data(), zero.size(), kMaxSamples, kMergeWindow);
    EXPECT_EQ(list.GetStampCount(), 1);
}

TEST_F(SampleDecoding, StartFollowedByEndGivesOneRunWithIncompleteHeader) {
    ImageWriter w(100);
    w.Byte(0xFE).End();
    CSampleStampList& list = w.Decode();
    ASSERT_EQ(list.GetStampCount(), 1);
    EXPECT_FALSE(list.GetStamp(0)->IsHeaderComplete());
    EXPECT_EQ(list.GetStamp(0)->GetSampleCount(), 0);
    EXPECT_EQ(list.GetStamp(1), nullptr);
    EXPECT_EQ(list.GetStamp(-1), nullptr);
}

TEST_F(SampleDecoding, MarkerInsideAHeaderLeavesTheCutRunAndStartsANewOne) {
    ImageWriter w;
    w.Byte(0xFE).Byte(1).Byte(2).Byte(3).Start(T).Samples(3).End();
    CSampleStampList& list = w.Decode();
    ASSERT_EQ(list.GetStampCount(), 2);
    EXPECT_EQ(list.GetStamp(0)->GetHeaderFill(), 3);
    EXPECT_EQ(list.GetStamp(0)->GetSampleCount(), 0);
    EXPECT_EQ(list.GetStamp(1)->GetStartTime(), T);
    EXPECT_EQ(list.GetStamp(1)->GetSampleCount(), 3);
}

TEST_F(SampleDecoding, InvalidStartTimeDropsTheRunUpToTheNextMarker) {
    for (const t_device_time& bad :
         {MakeDeviceTime(2009, 13, 1, 0, 0, 0), MakeDeviceTime(2009, 1, 1, 24, 0, 0),
          MakeDeviceTime(2100, 1, 1, 0, 0, 0), MakeDeviceTime(2005, 12, 31, 23, 59, 59)}) {
        ImageWriter w;
        w.Start(bad).Samples(5).Start(T).Samples(2).End();
        CSampleStampList& list = w.Decode();
        ASSERT_EQ(list.GetStampCount(), 1) << FormatDeviceTime(bad);
        EXPECT_EQ(list.GetStamp(0)->GetStartTime(), T);
        EXPECT_EQ(list.GetStamp(0)->GetSampleCount(), 2);
    }
}

TEST_F(SampleDecoding, YearsUpTo2099AreAcceptedAndDayOrMonthZeroPass) {
    for (const t_device_time& good :
         {MakeDeviceTime(2021, 5, 1, 0, 0, 0), MakeDeviceTime(2026, 12, 8, 3, 0, 0),
          MakeDeviceTime(2099, 12, 31, 23, 59, 59), MakeDeviceTime(2006, 0, 0, 0, 0, 0)}) {
        ImageWriter w;
        w.Start(good).Samples(1).End();
        CSampleStampList& list = w.Decode();
        ASSERT_EQ(list.GetStampCount(), 1) << FormatDeviceTime(good);
        EXPECT_EQ(list.GetStamp(0)->GetSampleCount(), 1);
    }
}

TEST_F(SampleDecoding, RunStartingFiveSecondsAfterTheLastSampleMergesWithFourFillers) {
    ImageWriter w;
    // Samples at T .. T+9, the next run starts at T+9+5.
    w.Start(T).Samples(10).Start(AddSeconds(T, 14)).Sample(7, 2309).Sample(8, 2310).End();
    CSampleStampList& list = w.Decode();
    ASSERT_EQ(list.GetStampCount(), 1);
    const CSampleStamp* run = list.GetStamp(0);
    ASSERT_EQ(run->GetSampleCount(), 10 + 4 + 2);
    for (int i = 10; i < 14; ++i) {
        EXPECT_EQ(run->GetSample(i).speed, 0);
        EXPECT_EQ(PositionOf(run->GetSample(i)), 0);
    }
    EXPECT_EQ(run->GetSample(14).speed, 7); // taken at T + 14 = AddSeconds(start, 14)
    EXPECT_EQ(PositionOf(run->GetSample(14)), 2309);
    EXPECT_EQ(list.GetLastTime(), AddSeconds(T, 15));
}

TEST_F(SampleDecoding, RunWithinTheWindowBeforeTheLastSampleAlsoMerges) {
    ImageWriter w;
    w.Start(T).Samples(10).Start(AddSeconds(T, 9 - 3)).Samples(1).End();
    CSampleStampList& list = w.Decode();
    ASSERT_EQ(list.GetStampCount(), 1);
    EXPECT_EQ(list.GetStamp(0)->GetSampleCount(), 10 + 2 + 1);
}

TEST_F(SampleDecoding, SixtySecondsApartBeforeOrAfterOpensASeparateRun) {
    for (int offset : {9 + 60, 9 - 60, 9 + 3600}) {
        ImageWriter w;
        w.Start(T).Samples(10).Start(AddSeconds(T, offset)).Samples(2).End();
        CSampleStampList& list = w.Decode();
        ASSERT_EQ(list.GetStampCount(), 2) << offset;
        EXPECT_EQ(list.GetStamp(0)->GetSampleCount(), 10);
        EXPECT_EQ(list.GetStamp(1)->GetStartTime(), AddSeconds(T, offset));
    }
    ImageWriter w;
    w.Start(T).Samples(10).Start(AddSeconds(T, 9 + 59)).Samples(2).End();
    EXPECT_EQ(w.Decode().GetStampCount(), 1);
}

TEST_F(SampleDecoding, FirstRunIsKeptWhateverItsTime) {
    // A first run close to the all-zero "no time yet" must not be merged into nothing.
    ImageWriter w;
    w.Start(MakeDeviceTime(2006, 1, 1, 0, 0, 0)).Samples(2).End();
    ASSERT_EQ(w.Decode().GetStampCount(), 1);
    // A run without samples keeps no time, so the next run is kept too.
    ImageWriter w2;
    w2.Start(T).Start(AddSeconds(T, 3)).Samples(2).End();
    CSampleStampList& list = w2.Decode();
    ASSERT_EQ(list.GetStampCount(), 2);
    EXPECT_EQ(list.GetStamp(1)->GetSampleCount(), 2);
}

TEST_F(SampleDecoding, RunCutShortInBetweenIsNotContinuedByAMerge) {
    ImageWriter w;
    w.Start(T).Samples(10).Byte(0xFE).Byte(5).Start(AddSeconds(T, 12)).Samples(2).End();
    CSampleStampList& list = w.Decode();
    ASSERT_EQ(list.GetStampCount(), 3);
    EXPECT_EQ(list.GetStamp(1)->GetSampleCount(), 0);
    EXPECT_EQ(list.GetStamp(2)->GetStartTime(), AddSeconds(T, 12));
    EXPECT_EQ(list.GetStamp(2)->GetSampleCount(), 2);
}

TEST_F(SampleDecoding, ThousandSamplesSplitInto616And384OneSecondApart) {
    ImageWriter w;
    w.Start(T).Samples(1000).End();
    CSampleStampList& list = w.Decode();
    ASSERT_EQ(list.GetStampCount(), 2);
    EXPECT_EQ(list.GetStamp(0)->GetSampleCount(), 616);
    EXPECT_EQ(list.GetStamp(1)->GetSampleCount(), 384);
    EXPECT_EQ(list.GetStamp(1)->GetStartTime(), AddSeconds(T, 616));
    EXPECT_TRUE(list.GetStamp(1)->IsHeaderComplete());
    EXPECT_EQ(PositionOf(list.GetStamp(1)->GetSample(0)), 100 + 616);
    EXPECT_EQ(list.GetLastTime(), AddSeconds(T, 999));
}

// "YYYY-MM-DD HH:MM:SS", as the CSV writes a time.
std::string CsvTime(const t_device_time& t) {
    char text[32];
    std::snprintf(text, sizeof text, "%04u-%02u-%02u %02u:%02u:%02u", t.Year(), t.month, t.day,
                  t.hour, t.minute, t.second);
    return text;
}

// The time column of every sample row of the CSV, in order.
std::vector<std::string> CsvTimes(const std::string& csv) {
    std::vector<std::string> times;
    std::size_t line = csv.find("\r\n") + 2; // past the header
    while (line < csv.size()) {
        const std::size_t from = csv.find(';', line) + 1;
        times.push_back(csv.substr(from, csv.find(';', from) - from));
        line = csv.find("\r\n", line) + 2;
    }
    return times;
}

TEST_F(SampleDecoding, ChartGivesEverySampleTheCsvTimeAcrossBothClockChanges) {
    struct Run {
        t_device_time start;
        int samples;
    };
    struct Case {
        const char* name;
        std::vector<Run> runs;
        int checkedSample; // index over all samples, -1: none
        const char* checkedTime;
    };
    const Case cases[] = {
        {"autumn, three hours from 01:30",
         {{MakeDeviceTime(2026, 10, 25, 1, 30, 0), 10800}},
         9000,
         "2026-10-25 03:00:00"},
        {"spring, three hours from 01:30",
         {{MakeDeviceTime(2026, 3, 29, 1, 30, 0), 10800}},
         1800,
         "2026-03-29 03:00:00"},
        {"autumn, from inside the repeated hour",
         {{MakeDeviceTime(2026, 10, 25, 2, 30, 0), 3600}},
         -1,
         ""},
        {"both changes in one image, runs apart",
         {{MakeDeviceTime(2026, 3, 29, 1, 50, 0), 1300},
          {MakeDeviceTime(2026, 10, 25, 1, 55, 0), 4000},
          {MakeDeviceTime(2026, 10, 25, 5, 0, 0), 10}},
         1300 + 3900, // the repeated hour's second pass
         "2026-10-25 02:00:00"},
    };
    for (const Case& c : cases) {
        ImageWriter w;
        for (const Run& run : c.runs) {
            w.Start(run.start).Samples(run.samples);
        }
        w.End();
        const std::vector<std::string> csv = CsvTimes(
            SamplesCsv(RecordedRuns(w.Image().data(), w.Image().size()), CsvDialect::Polish));
        const CSampleStampList& chart = w.Decode();
        std::vector<std::string> shown;
        for (int r = 0; r < chart.GetStampCount(); ++r) {
            const CSampleStamp* screen = chart.GetStamp(r);
            for (int i = 0; i < screen->GetSampleCount(); ++i) {
                shown.push_back(CsvTime(screen->GetSampleTime(i)));
            }
        }
        ASSERT_EQ(shown.size(), csv.size()) << c.name;
        for (std::size_t k = 0; k < shown.size(); ++k) {
            ASSERT_EQ(shown[k], csv[k]) << c.name << ", sample " << k;
        }
        if (c.checkedSample >= 0) {
            EXPECT_EQ(csv[static_cast<std::size_t>(c.checkedSample)], c.checkedTime) << c.name;
        }
    }
}

TEST_F(SampleDecoding, FillersAddedByAMergeMayExceedTheRunLimit) {
    ImageWriter w;
    w.Start(T).Samples(616).Start(AddSeconds(T, 615 + 30)).Samples(2).End();
    CSampleStampList& list = w.Decode();
    ASSERT_EQ(list.GetStampCount(), 2);
    EXPECT_EQ(list.GetStamp(0)->GetSampleCount(), 616 + 29);
    EXPECT_EQ(list.GetStamp(1)->GetStartTime(), AddSeconds(T, 615 + 30));
}

TEST_F(SampleDecoding, DataWrapsPastTheEndOfTheImage) {
    ImageWriter w(protocol::kRecorderSize - 20);
    w.Start(T).Samples(10).End();
    CSampleStampList& list = w.Decode();
    ASSERT_EQ(list.GetStampCount(), 1);
    EXPECT_EQ(list.GetStamp(0)->GetSampleCount(), 10);
    EXPECT_EQ(PositionOf(list.GetStamp(0)->GetSample(9)), 109);
}

TEST_F(SampleDecoding, RunsAfterTheEndMarkerInRingOrderAreNotRead) {
    ImageWriter w(1000);
    w.Start(T).Samples(3).End().Start(AddSeconds(T, 3600)).Samples(3);
    // The first 0xFE in address order is at 1000, so the run at 1000 is read first.
    EXPECT_EQ(w.Decode().GetStampCount(), 1);
}

TEST_F(SampleDecoding, PositionJoinsTwoSevenBitBytes) {
    ImageWriter w;
    w.Start(T).Byte(23).Byte(0x12).Byte(0x85).End();
    CSampleStampList& list = w.Decode();
    ASSERT_EQ(list.GetStampCount(), 1);
    EXPECT_EQ(PositionOf(list.GetStamp(0)->GetSample(0)), 2309);
    EXPECT_EQ(list.GetStamp(0)->GetSample(0).speed, 23);
}

TEST_F(SampleDecoding, MarkerInsideASampleDropsThePartialSample) {
    ImageWriter w;
    w.Start(T).Samples(2).Byte(5).Byte(6).Start(AddSeconds(T, 100)).Samples(1).End();
    CSampleStampList& list = w.Decode();
    ASSERT_EQ(list.GetStampCount(), 2);
    EXPECT_EQ(list.GetStamp(0)->GetSampleCount(), 2);
}

TEST_F(SampleDecoding, DecodingAgainReplacesTheRuns) {
    ImageWriter w;
    w.Start(T).Samples(3).End();
    w.Decode();
    EXPECT_EQ(w.Decode().GetStampCount(), 1);
}

TEST(SampleStamp, MinMaxAndOutOfRangeSamples) {
    CSampleStamp run;
    EXPECT_EQ(run.GetMinPosition(), 65535);
    EXPECT_EQ(run.GetMaxPosition(), 0);
    run.AddSample({10, 500});
    run.AddSample({0, 20});
    run.AddSample({3, 900});
    EXPECT_EQ(run.GetMinPosition(), 20);
    EXPECT_EQ(run.GetMaxPosition(), 900);
    EXPECT_EQ(PositionOf(run.GetSample(3)), 0);
    EXPECT_EQ(run.GetSample(-1).speed, 0);
    for (int i = 0; i < 10; ++i) {
        run.PutHeaderByte(0x11);
    }
    EXPECT_EQ(run.GetHeaderFill(), 7);
}

} // namespace

namespace {

// Step-by-step decoding, one calendar second per sample from each recorded start, as the
// runs are defined; the decoder under test must give exactly the same runs and times.
struct ReferenceRun {
    t_device_time start;
    std::int64_t calendar = -1;
    int fill = 0;
    std::vector<t_sample_type> samples;
};

std::vector<ReferenceRun> ReferenceDecode(const std::vector<std::uint8_t>& image,
                                          t_device_time& last) {
    std::vector<ReferenceRun> runs;
    std::size_t first = 0;
    while (first < image.size() && image[first] != 0xFE) {
        ++first;
    }
    std::int64_t lastCalendar = -1;
    int timed = -1;
    enum { NewRun, Header, Speed, High, Low, Skip } state = NewRun;
    std::uint8_t speed = 0, high = 0;
    for (std::size_t k = 0; k < image.size(); ++k) {
        const std::uint8_t b = image[(first + k) % image.size()];
        if (b == 0xFF) {
            break;
        }
        if (b == 0xFE) {
            state = NewRun;
        }
        switch (state) {
        case NewRun:
            runs.emplace_back();
            state = Header;
            break;
        case Header: {
            ReferenceRun& run = runs.back();
            reinterpret_cast<std::uint8_t*>(&run.start)[run.fill++] = b;
            if (run.fill < 7) {
                break;
            }
            CSampleStamp check;
            check.SetStartTime(run.start);
            if (!check.IsHeaderValid()) {
                runs.pop_back();
                state = Skip;
                break;
            }
            state = Speed;
            run.calendar = DeviceTimeToCalendar(run.start);
            const long long d = std::llabs(run.calendar - lastCalendar);
            if (timed >= 0 && timed == static_cast<int>(runs.size()) - 2 && d < kMergeWindow) {
                runs.pop_back();
                for (long long i = 1; i < d; ++i) {
                    runs.back().samples.push_back({});
                    ++lastCalendar;
                }
            }
            break;
        }
        case Speed:
            if (static_cast<int>(runs.back().samples.size()) >= kMaxSamples) {
                runs.emplace_back();
                runs.back().calendar = ++lastCalendar;
                runs.back().start = CalendarToDeviceTime(lastCalendar);
                runs.back().fill = 7;
                timed = static_cast<int>(runs.size()) - 1;
            }
            speed = b;
            state = High;
            break;
        case High:
            high = b;
            state = Low;
            break;
        case Low:
            runs.back().samples.push_back(
                {speed, Join7Bit(static_cast<std::uint16_t>((high << 8) | b))});
            timed = static_cast<int>(runs.size()) - 1;
            lastCalendar =
                runs.back().calendar + static_cast<std::int64_t>(runs.back().samples.size()) - 1;
            state = Speed;
            break;
        case Skip:
            break;
        }
    }
    last = CalendarToDeviceTime(lastCalendar);
    return runs;
}

TEST_F(SampleDecoding, MatchesStepByStepDecodingAroundBothClockChanges) {
    std::srand(12345);
    for (const t_device_time& around :
         {MakeDeviceTime(2009, 3, 29, 1, 30, 0), MakeDeviceTime(2009, 10, 25, 1, 40, 0),
          MakeDeviceTime(2009, 10, 25, 2, 20, 0)}) {
        ImageWriter w(protocol::kRecorderSize - 3000);
        t_device_time t = around;
        for (int r = 0; r < 40; ++r) {
            const int count = 1 + std::rand() % 900;
            w.Start(t).Samples(count);
            if (std::rand() % 7 == 0) {
                w.Byte(0xFE).Byte(3); // a run cut short
            }
            t = AddSeconds(t, count - 1 + (std::rand() % 3 == 0 ? 2 + std::rand() % 80 : 1));
        }
        w.End();
        t_device_time last;
        const std::vector<ReferenceRun> expected = ReferenceDecode(w.Image(), last);
        CSampleStampList& list = w.Decode();
        ASSERT_EQ(list.GetStampCount(), static_cast<int>(expected.size()));
        for (int i = 0; i < list.GetStampCount(); ++i) {
            const CSampleStamp* run = list.GetStamp(i);
            ASSERT_EQ(run->GetHeaderFill(), expected[i].fill) << i;
            if (run->IsHeaderComplete()) {
                ASSERT_EQ(run->GetStartTime(), expected[i].start) << i;
            }
            ASSERT_EQ(run->GetSampleCount(), static_cast<int>(expected[i].samples.size())) << i;
            for (int s = 0; s < run->GetSampleCount(); ++s) {
                ASSERT_EQ(PositionOf(run->GetSample(s)), PositionOf(expected[i].samples[s]));
                ASSERT_EQ(run->GetSample(s).speed, expected[i].samples[s].speed);
            }
        }
        EXPECT_EQ(list.GetLastTime(), last);
    }
}

} // namespace
