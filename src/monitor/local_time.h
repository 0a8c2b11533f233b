// Local calendar time for 64-bit times, through the C library (time zone and daylight saving
// as the library decides; tests set TZ).
#pragma once

#include <cstdint>
#include <ctime>

// Calendar fields of `t` in local time. False (and `out` zeroed) when the library cannot
// represent it.
bool LocalTime(int64_t t, std::tm* out);

// The time of the local calendar fields in `fields` (normalised as mktime does; tm_isdst -1
// lets the library decide daylight saving). -1 when it cannot be represented.
int64_t MakeLocalTime(std::tm fields);
