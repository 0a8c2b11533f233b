// Posting window messages through the system (Windows build only).
#pragma once

#include "ras/dialing.h"

MessagePoster& SystemMessagePoster();
