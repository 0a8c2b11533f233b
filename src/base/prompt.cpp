// The process-wide choice of prompt.
#include "base/prompt.h"

namespace {

class SilentPrompt final : public Prompt {
public:
    int Show(const std::string&, unsigned style) override { return (style & 0xF) == kMbYesNo ? kIdNo : kIdOk; }
};

SilentPrompt silent;
Prompt* current = &silent;

}  // namespace

Prompt& Prompts() { return *current; }

void SetPrompts(Prompt* prompt) { current = prompt ? prompt : &silent; }
