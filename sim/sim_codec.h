// Text conversions of the simulator on Windows: the script's and journal's UTF-8 against the
// system's ANSI code page (932 on a Japanese system), and UTF-8 paths as wide strings.
#pragma once

#include <string>

#include "sim/ras_sim.h"

namespace sim {

// UTF-8 <-> CP_ACP. A text that is not valid in its code page is kept byte for byte, so a
// journal line or a script word is never lost.
TextCodec AnsiCodec();

std::wstring WideFromUtf8(const std::string& utf8);
std::string Utf8FromWide(const std::wstring& wide);

}  // namespace sim
