#pragma once

#include "logic/gpspoint.h"

#include <gtest/gtest.h>

// Two records are the same when every field a line can set is the same.
inline void ExpectSameRecord(const CGPSPoint& a, const CGPSPoint& b)
{
    EXPECT_EQ(a.m_bValid, b.m_bValid);
    EXPECT_EQ(a.m_dLatitude, b.m_dLatitude);
    EXPECT_EQ(a.m_dLongitude, b.m_dLongitude);
    EXPECT_EQ(a.m_dSpeed, b.m_dSpeed);
    EXPECT_EQ(a.m_nHour, b.m_nHour);
    EXPECT_EQ(a.m_nMinute, b.m_nMinute);
    EXPECT_EQ(a.m_nSecond, b.m_nSecond);
    EXPECT_EQ(a.m_nDate1, b.m_nDate1);
    EXPECT_EQ(a.m_nDate2, b.m_nDate2);
    EXPECT_EQ(a.m_nDate3, b.m_nDate3);
}
