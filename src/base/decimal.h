// Decimal numbers appended to a string, as printf's "%0Nu" and "%0Nd" would write them, for
// the program's texts and log lines: without the printf family, whose code is a large part
// of a small program, and without allocating when the string already has the room.
#pragma once

#include <cstdint>
#include <string>

// `value` in decimal, zero-padded to at least `width` digits.
void AppendDecimal(std::string& out, uint32_t value, int width = 1);
// `value` in decimal, zero-padded to at least `width` characters, a minus sign included.
void AppendSignedDecimal(std::string& out, int32_t value, int width = 1);
