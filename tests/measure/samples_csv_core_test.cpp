#include "measure/samples_csv.h"

#include "tests/support/recorder_image_builder.h"
#include "tests/support/warsaw_time_zone.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

namespace {

class SamplesCsvText : public WarsawTimeZone {};

TEST_F(SamplesCsvText, BothDialectsByteForByteAcrossTheSpringClockChangeAndAYearEnd) {
    RecorderImageBuilder b;
    // 2:00 CET on 29 March 2009 became 3:00 CEST.
    b.Start(2009, 3, 29, 1, 59, 58).Sample(0, 0).Sample(5, 7).Sample(123, 16383);
    b.Start(2009, 1, 1, 24, 0, 0).Sample(9, 9); // invalid start time: no run
    b.Start(2009, 6, 1, 12, 0, 0);              // no samples: no run
    b.Start(2009, 12, 31, 23, 59, 59).Sample(253, 1500).Sample(10, 1498).End();
    const std::vector<t_recorded_run> runs = RecordedRuns(b.Image().data(), b.Image().size());

    struct Case {
        CsvDialect dialect;
        std::string samples;
        std::string summary;
    };
    const Case cases[] = {
        {CsvDialect::Polish,
         "przebieg;czas;predkosc [m/s];polozenie [m]\r\n"
         "1;2009-03-29 01:59:58;0,0;0\r\n"
         "1;2009-03-29 01:59:59;0,5;7\r\n"
         "1;2009-03-29 03:00:00;12,3;16383\r\n"
         "2;2009-12-31 23:59:59;25,3;1500\r\n"
         "2;2010-01-01 00:00:00;1,0;1498\r\n",
         "przebieg;poczatek;koniec;probki;max predkosc [m/s];min polozenie [m];"
         "max polozenie [m]\r\n"
         "1;2009-03-29 01:59:58;2009-03-29 03:00:00;3;12,3;0;16383\r\n"
         "2;2009-12-31 23:59:59;2010-01-01 00:00:00;2;25,3;1498;1500\r\n"},
        {CsvDialect::Standard,
         "przebieg,czas,predkosc [m/s],polozenie [m]\r\n"
         "1,2009-03-29 01:59:58,0.0,0\r\n"
         "1,2009-03-29 01:59:59,0.5,7\r\n"
         "1,2009-03-29 03:00:00,12.3,16383\r\n"
         "2,2009-12-31 23:59:59,25.3,1500\r\n"
         "2,2010-01-01 00:00:00,1.0,1498\r\n",
         "przebieg,poczatek,koniec,probki,max predkosc [m/s],min polozenie [m],"
         "max polozenie [m]\r\n"
         "1,2009-03-29 01:59:58,2009-03-29 03:00:00,3,12.3,0,16383\r\n"
         "2,2009-12-31 23:59:59,2010-01-01 00:00:00,2,25.3,1498,1500\r\n"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(SamplesCsv(runs, c.dialect), c.samples);
        EXPECT_EQ(RunsSummaryCsv(runs, c.dialect), c.summary);
        EXPECT_EQ(SamplesCsv({}, c.dialect), c.samples.substr(0, c.samples.find('\n') + 1));
    }
}

std::string ReadOut(const t_device_time& t) {
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", t.Year(), t.month, t.day,
                  t.hour, t.minute, t.second);
    return text;
}

TEST_F(SamplesCsvText, EverySampleTimeIsTheStartPlusItsIndexAsTheReadOutShowsIt) {
    // Long runs over both clock changes (the autumn one repeats the hour from 2:00), over
    // the end of a month and from a start time with day 0, which the conversion
    // normalises to the month before.
    const t_device_time starts[] = {
        MakeDeviceTime(2009, 3, 29, 0, 10, 0),  MakeDeviceTime(2009, 10, 25, 0, 59, 30),
        MakeDeviceTime(2009, 10, 25, 2, 30, 0), MakeDeviceTime(2012, 2, 28, 22, 0, 0),
        MakeDeviceTime(2009, 5, 0, 23, 0, 0),
    };
    std::vector<t_recorded_run> runs;
    for (const t_device_time& start : starts) {
        runs.push_back({start, std::vector<t_sample_type>(4 * 3600 + 17)});
    }
    std::istringstream csv(SamplesCsv(runs, CsvDialect::Standard));
    std::string line;
    std::getline(csv, line);
    for (std::size_t r = 0; r < runs.size(); ++r) {
        for (int i = 0; i < static_cast<int>(runs[r].samples.size()); ++i) {
            ASSERT_TRUE(std::getline(csv, line));
            const std::string expected =
                std::to_string(r + 1) + "," + ReadOut(AddSeconds(runs[r].start, i)) + ",0.0,0\r";
            ASSERT_EQ(line, expected) << "run " << r + 1 << " sample " << i;
        }
    }
    EXPECT_FALSE(std::getline(csv, line));
}

} // namespace
