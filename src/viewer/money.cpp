// Money in 1/6000 yen, and prices as typed.
#include "viewer/money.h"

#include "base/decimal.h"

Money AddMoney(Money a, Money b) { return a > kMaxMoney - b ? kMaxMoney : a + b; }

Money MultiplyMoney(Money a, uint64_t b) { return b != 0 && a > kMaxMoney / b ? kMaxMoney : a * b; }

uint64_t RoundedYen(Money m) { return m / kMoneyPerYen + (m % kMoneyPerYen >= kMoneyPerYen / 2); }

bool ParsePrice(const std::string& text, uint32_t* hundredths) {
    size_t i = 0, end = text.size();
    while (i < end && text[i] == ' ') ++i;
    while (end > i && text[end - 1] == ' ') --end;
    uint64_t value = 0;
    size_t digits = 0;
    for (; i < end && text[i] >= '0' && text[i] <= '9'; ++i, ++digits) {
        if (digits == 7) return false;
        value = value * 10 + static_cast<uint64_t>(text[i] - '0');
    }
    if (digits == 0) return false;
    value *= 100;
    if (i < end && text[i] == '.') {
        ++i;
        uint64_t scale = 10;
        size_t decimals = 0;
        for (; i < end && text[i] >= '0' && text[i] <= '9'; ++i, ++decimals, scale /= 10) {
            if (decimals == 2) return false;
            value += static_cast<uint64_t>(text[i] - '0') * scale;
        }
        if (decimals == 0) return false;
    }
    if (i != end || value > kMaxPriceHundredths) return false;
    *hundredths = static_cast<uint32_t>(value);
    return true;
}

std::string PriceText(uint32_t hundredths) {
    std::string text;
    AppendDecimal(text, hundredths / 100);
    if (hundredths % 100) {
        text += '.';
        AppendDecimal(text, hundredths % 100, 2);
    }
    return text;
}
