#pragma once
// Tests of local device time run in the zone of the device's home.

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <string>

// A fixture whose cases run with TZ set to Europe/Warsaw, with its two daylight-saving
// changes a year; the zone the process had comes back after each case.
class WarsawTimeZone : public ::testing::Test {
protected:
    void SetUp() override {
        const char* old = std::getenv("TZ");
        m_hadTz = old != nullptr;
        if (m_hadTz) {
            m_oldTz = old;
        }
        setenv("TZ", "Europe/Warsaw", 1);
        tzset();
    }
    void TearDown() override {
        if (m_hadTz) {
            setenv("TZ", m_oldTz.c_str(), 1);
        } else {
            unsetenv("TZ");
        }
        tzset();
    }

private:
    bool m_hadTz = false;
    std::string m_oldTz;
};
