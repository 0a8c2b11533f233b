// The Windows prompt: a message box captioned with the application name.
#pragma once

#include "app/prompt.h"

Prompt& MessageBoxPrompt();
