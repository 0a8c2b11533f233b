// The simulator's conversions under code page 932: script words to the program's bytes and
// back for the journal, with bytes that fit no code page kept as they are.
#include <gtest/gtest.h>
#include <windows.h>

#include "sim/sim_codec.h"
#include "sim/sim_script.h"

namespace {

TEST(SimCodecWin, TheSystemCodePageIs932) {
    // The Wine tests run with LANG=ja_JP.UTF-8; without it every other text check is moot.
    EXPECT_EQ(GetACP(), 932u);
}

TEST(SimCodecWin, RoundTrips) {
    sim::TextCodec codec = sim::AnsiCodec();
    struct Case {
        const char* utf8;
        const char* ansi;  // compiled to code page 932
    } cases[] = {
        {u8"切断", "切断"},
        {u8"表示", "表示"},
        {u8"ﾀﾞｲｱﾙ", "ﾀﾞｲｱﾙ"},  // half-width katakana: one byte each
        {u8"My ISP", "My ISP"},
        {"", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(codec.toAnsi(c.utf8), c.ansi) << c.utf8;
        EXPECT_EQ(codec.toUtf8(c.ansi), c.utf8) << c.utf8;
    }
    EXPECT_EQ(std::string("切断"), "\x90\xD8\x92\x66");
    EXPECT_EQ(std::string("ﾀﾞ"), "\xC0\xDE");
}

TEST(SimCodecWin, InvalidInputKeepsItsBytes) {
    sim::TextCodec codec = sim::AnsiCodec();
    EXPECT_EQ(codec.toAnsi("bad \xE3\x81 utf-8"), "bad \xE3\x81 utf-8");
    EXPECT_EQ(codec.toAnsi("\xFF"), "\xFF");
    EXPECT_EQ(codec.toUtf8("lead \x81"), "lead \x81");
}

TEST(SimCodecWin, WideAndBack) {
    std::string text = u8"Z:\\tmp\\試験\\script.txt";
    EXPECT_EQ(sim::WideFromUtf8(text), L"Z:\\tmp\\\u8A66\u9A13\\script.txt");
    EXPECT_EQ(sim::Utf8FromWide(sim::WideFromUtf8(text)), text);
    EXPECT_EQ(sim::WindowsPath(u8"/tmp/試験/script.txt"), text);
}

}  // namespace
