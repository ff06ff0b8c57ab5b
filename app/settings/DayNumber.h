// The day number of the `last_run` setting: whole days since 1 January 1970 of local time. Pure.
#pragma once

#include <cstdint>

namespace orvane {

// localFileTime: the local time as a file time (100 ns units since 1 January 1601). Times before
// 1970 give negative numbers, counted down so that every day keeps one number (floor division).
int64_t DayNumberFromLocalFileTime(uint64_t localFileTime);

}  // namespace orvane
