// The Windows prompt: a message box captioned with the application name.
#pragma once

#include "base/prompt.h"

Prompt& MessageBoxPrompt();
