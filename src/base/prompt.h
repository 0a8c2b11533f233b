// Messages the user must see: a message box captioned with the application name on Windows.
#pragma once

#include <string>

// Button and icon flags and answers, with the platform's values.
constexpr unsigned kMbOk = 0x0;
constexpr unsigned kMbYesNo = 0x4;
constexpr unsigned kMbRetryCancel = 0x5;
constexpr unsigned kMbIconExclamation = 0x30;
constexpr int kIdOk = 1;
constexpr int kIdCancel = 2;
constexpr int kIdRetry = 4;
constexpr int kIdYes = 6;
constexpr int kIdNo = 7;

class Prompt {
public:
    Prompt() = default;
    Prompt(const Prompt&) = delete;
    Prompt& operator=(const Prompt&) = delete;
    virtual ~Prompt() = default;

    // Shows `text` (code page 932) with the buttons and icon of `style`; returns the answer.
    virtual int Show(const std::string& text, unsigned style) = 0;
};

// The prompt in use. Until one is chosen, messages are dropped and the answer is No.
Prompt& Prompts();
void SetPrompts(Prompt* prompt);
