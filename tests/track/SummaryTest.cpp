// The numbers of the recording summary that the live recording and the video
// from a trajectory print: the length in megabytes and the time as hours,
// minutes and seconds.
#include <gtest/gtest.h>

#include "base/RecordingSummary.h"

namespace {

TEST(RecordingSummary, MegabytesAreUnitsOf1048576BytesAndTimeSplitsIntoHoursMinutesSeconds) {
  const std::pair<std::int64_t, double> sizes[] = {{1048576, 1.0},  {1572864, 1.5},         {5242880, 5.0},
                                                   {3000000, 2.8610229}, {524288000, 500.0}, {0, 0.0}, {-1, 0.0}};
  for (const auto& [bytes, megabytes] : sizes) EXPECT_NEAR(SummaryMegabytes(bytes), megabytes, 1e-6) << bytes;
  const std::pair<std::uint32_t, const char*> times[] = {
      {0, "0:0:0 h:m:s"},     {59, "0:0:59 h:m:s"},      {61, "0:1:1 h:m:s"},       {125, "0:2:5 h:m:s"},
      {3600, "1:0:0 h:m:s"},  {3661, "1:1:1 h:m:s"},     {7322, "2:2:2 h:m:s"},     {86399, "23:59:59 h:m:s"},
      {90061, "25:1:1 h:m:s"}};
  for (const auto& [seconds, text] : times) EXPECT_EQ(SummaryTime(seconds).toUtf8(), text) << seconds;
}

}  // namespace
