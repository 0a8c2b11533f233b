// The simulator's text conversions over MultiByteToWideChar and WideCharToMultiByte.
#include <windows.h>

#include "sim/sim_codec.h"

namespace sim {

namespace {

constexpr size_t kMaxText = 0x3FFFFFFF;  // far beyond any name; keeps the lengths in an int

bool ToWide(UINT codePage, const std::string& text, std::wstring* wide) {
    if (text.empty() || text.size() > kMaxText) return text.empty();
    int n = MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, text.data(), static_cast<int>(text.size()),
                                nullptr, 0);
    if (n <= 0) return false;
    wide->assign(static_cast<size_t>(n), L'\0');
    return MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, text.data(), static_cast<int>(text.size()),
                               &(*wide)[0], n) == n;
}

bool FromWide(UINT codePage, const std::wstring& wide, std::string* text) {
    text->clear();
    if (wide.empty() || wide.size() > kMaxText) return wide.empty();
    int n = WideCharToMultiByte(codePage, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr,
                                nullptr);
    if (n <= 0) return false;
    text->assign(static_cast<size_t>(n), '\0');
    return WideCharToMultiByte(codePage, 0, wide.data(), static_cast<int>(wide.size()), &(*text)[0], n,
                               nullptr, nullptr) == n;
}

std::string Convert(UINT from, UINT to, const std::string& text) {
    std::wstring wide;
    std::string out;
    if (!ToWide(from, text, &wide) || !FromWide(to, wide, &out)) return text;
    return out;
}

}  // namespace

TextCodec AnsiCodec() {
    TextCodec codec;
    codec.toAnsi = [](const std::string& s) { return Convert(CP_UTF8, CP_ACP, s); };
    codec.toUtf8 = [](const std::string& s) { return Convert(CP_ACP, CP_UTF8, s); };
    return codec;
}

std::wstring WideFromUtf8(const std::string& utf8) {
    std::wstring wide;
    if (!ToWide(CP_UTF8, utf8, &wide)) {
        wide.clear();
        for (unsigned char c : utf8) wide += static_cast<wchar_t>(c);
    }
    return wide;
}

std::string Utf8FromWide(const std::wstring& wide) {
    std::string text;
    FromWide(CP_UTF8, wide, &text);
    return text;
}

}  // namespace sim
