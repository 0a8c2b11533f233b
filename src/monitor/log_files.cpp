// The process-wide choice of log files.
#include "monitor/log_files.h"

namespace {
LogFiles* current = nullptr;
}

LogFiles& Files() { return current ? *current : PlatformFiles(); }

void SetFiles(LogFiles* files) { current = files; }
