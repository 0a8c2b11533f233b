// Numbers typed into the edits of a dialog: how a typed text is read as an unsigned 32-bit
// number, and the texts of the messages that refuse one.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Shown when a typed text is not an unsigned number.
extern const char kEnterPositiveInteger[];
// Shown when a number lies outside its range; %1 and %2 are the limits.
extern const char kEnterIntegerInRange[];

// Only this many characters of an edit's text are read as a number.
constexpr size_t kNumberFieldChars = 31;

// Reads the text of a number field: of its first 31 characters, blanks and tabs may lead;
// a minus sign there fails; an optional plus sign and decimal digits follow, a value beyond
// 4294967295 giving 4294967295; only blanks and tabs may follow. A result of 0 counts only
// when the first character after the blanks is the digit 0, so empty text and text without
// digits fail. On failure `value` is left alone.
bool ParseUnsignedField(const std::string& text, uint32_t* value);

// The text a number field shows for `value`: plain decimal.
std::string FormatUnsignedField(uint32_t value);

// `pattern` with each %1 to %9 replaced by the argument of that number; a % not followed
// by the number of a given argument stays as it is.
std::string InsertArguments(const std::string& pattern, const std::vector<std::string>& args);

// The range message for the limits `low` and `high`.
std::string RangeMessage(uint32_t low, uint32_t high);
