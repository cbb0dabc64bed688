#include "measure/sample_stamp.h"

void CSampleStamp::SetStartTime(const t_device_time& time) {
    m_startTime = time;
    m_startCalendar = DeviceTimeToCalendar(time);
    m_headerFill = kHeaderSize;
}

void CSampleStamp::SetStartCalendar(std::int64_t calendar) {
    m_startTime = CalendarToDeviceTime(calendar);
    m_startCalendar = calendar;
    m_headerFill = kHeaderSize;
}

t_device_time CSampleStamp::GetSampleTime(int index) const {
    if (m_startCalendar == -1) {
        return m_startTime;
    }
    return CalendarToDeviceTime(m_startCalendar + index);
}

void CSampleStamp::PutHeaderByte(std::uint8_t b) {
    if (m_headerFill >= kHeaderSize) {
        return;
    }
    reinterpret_cast<std::uint8_t*>(&m_startTime)[m_headerFill] = b;
    ++m_headerFill;
    if (m_headerFill == kHeaderSize) {
        m_startCalendar = DeviceTimeToCalendar(m_startTime);
    }
}

bool CSampleStamp::IsHeaderValid() const {
    const int year = m_startTime.Year();
    return m_startTime.second <= 59 && m_startTime.minute <= 59 && m_startTime.hour <= 23 &&
           m_startTime.day <= 31 && m_startTime.month <= 12 && year >= kFirstValidYear &&
           year <= kLastValidYear;
}

void CSampleStamp::AddSample(const t_sample_type& sample) {
    m_samples.push_back(sample);
    const std::uint16_t position = sample.position;
    if (position < m_minPosition) {
        m_minPosition = position;
    }
    if (position > m_maxPosition) {
        m_maxPosition = position;
    }
}

t_sample_type CSampleStamp::GetSample(int index) const {
    if (index < 0 || index >= GetSampleCount()) {
        return t_sample_type{};
    }
    return m_samples[static_cast<std::size_t>(index)];
}
