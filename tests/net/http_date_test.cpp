// Reading the Last-Modified date: the RFC 1123 form and the documented leniencies.
#include <gtest/gtest.h>

#include "net/http_fetch.h"

TEST(NetHttpDate, ReadsRfc1123DatesAsUtc)
{
    EXPECT_EQ(parseHttpDate("Sun, 06 Nov 1994 08:49:37 GMT"), 784111777);
    EXPECT_EQ(parseHttpDate("Thu, 29 Feb 2024 12:00:00 GMT"), 1709208000);
    EXPECT_EQ(parseHttpDate("Fri, 31 Dec 1999 23:59:59 GMT"), 946684799);
    // The zone is never read, and runs of separators count as one.
    EXPECT_EQ(parseHttpDate("Sun, 06 Nov 1994 08:49:37 +0200"), 784111777);
    EXPECT_EQ(parseHttpDate("Sun,,06  Nov:1994 08::49:37"), 784111777);
}

TEST(NetHttpDate, MonthsAreCaseSensitiveAndMissingPartsAreZero)
{
    // "nov" is no month name: January.
    EXPECT_EQ(parseHttpDate("Sun, 06 nov 1994 08:49:37 GMT"), 757846177);
    EXPECT_EQ(parseHttpDate("Sun, 06 Nov 1994"), 784080000);
    EXPECT_EQ(parseHttpDate("Sun, 06 Nov 1994 08"), 784080000 + 8 * 3600);
    EXPECT_EQ(parseHttpDate(""), parseHttpDate("Sat, 0 Jan 0 0:0:0 GMT"));
    EXPECT_EQ(parseHttpDate(nullptr), parseHttpDate(""));
}

TEST(NetHttpDate, OutOfRangeFieldsCarryOver)
{
    EXPECT_EQ(parseHttpDate("Thu, 31 Nov 1994 00:00:00 GMT"), parseHttpDate("Thu, 01 Dec 1994 00:00:00 GMT"));
    EXPECT_EQ(parseHttpDate("Mon, 01 Jan 2024 24:00:60 GMT"), parseHttpDate("Tue, 02 Jan 2024 00:01:00 GMT"));
    EXPECT_EQ(parseHttpDate("Mon, 00 Mar 2100 00:00:00 GMT"), parseHttpDate("Sun, 28 Feb 2100 00:00:00 GMT"));
    // Absurd numbers neither overflow nor wrap into a plausible date.
    EXPECT_GT(parseHttpDate("Mon, 01 Jan 99999999999999 00:00:00 GMT"), parseHttpDate("Mon, 01 Jan 3000 00:00:00 GMT"));
}
