#include "omega/omega_date.h"

#include <gtest/gtest.h>

namespace {

// Years count from 1900 in the library's dates; the calendar itself is base's.
TEST(OmegaDate, CountsYearsFrom1900)
{
    const OmegaDate date{3, 5, 98};
    EXPECT_EQ(omega::OmegaDateToSerial(date), 35859);
    const OmegaDate back = omega::SerialToOmegaDate(35859);
    EXPECT_TRUE(back.year == 98 && back.month == 3 && back.day == 5);
}

// The whole range of the library's fields has a day number, cut to 32 bits as the
// library's dates are, and every 32-bit day number a date.
TEST(OmegaDateEdges, TheWholeRangeOfTheFieldsConverts)
{
    EXPECT_EQ(omega::OmegaDateToSerial({12, 31, INT32_MAX}), -1626718863);
    EXPECT_EQ(omega::OmegaDateToSerial({1, 1, INT32_MIN}), 1626718865);
    EXPECT_EQ(omega::OmegaDateToSerial({INT32_MAX, INT32_MAX, INT32_MAX}), 1458946276);
    EXPECT_EQ(omega::OmegaDateToSerial({INT32_MIN, INT32_MIN, INT32_MIN}), -1458946733);
    const OmegaDate first = omega::SerialToOmegaDate(INT32_MIN);
    EXPECT_TRUE(first.year == -5877711 - 1900 && first.month == 6 && first.day == 20);
    const OmegaDate last = omega::SerialToOmegaDate(INT32_MAX);
    EXPECT_TRUE(last.year == 5881510 - 1900 && last.month == 7 && last.day == 10);
}

} // namespace
