// The command-line byte rules: program name, switch letter, window handle.
#include "win32/command_line.h"

#include <gtest/gtest.h>
#include <string>

namespace {

std::string Switches(const char* pszLine)
{
    return SkipProgramName(pszLine, StepOneByte);
}

TEST(SkipProgramName, QuotedNameWithSpaceThenSwitch)
{
    EXPECT_EQ(Switches("\"C:\\Program Files\\velthra.scr\" /s"), "/s");
}

TEST(SkipProgramName, PlainNameStopsAtFirstBlankAndSkipsControlBytes)
{
    EXPECT_EQ(Switches("velthra.scr \t\x01 /p 42"), "/p 42");
    EXPECT_EQ(Switches("velthra.scr"), "");
}

TEST(SkipProgramName, HighBytesBelongToTheName)
{
    EXPECT_EQ(Switches("v\xe9lthra\xff.scr /c"), "/c");
}

TEST(SkipProgramName, UnclosedQuoteTakesTheWholeLine)
{
    EXPECT_EQ(Switches("\"velthra.scr /s"), "");
}

TEST(SkipProgramName, UsesTheGivenCharacterStep)
{
    // A double-byte step skips the byte after a lead byte, so a trail byte
    // that looks like a quote does not end the name.
    auto StepDoubleByte = [](const char* p) -> const char* {
        if (!*p)
            return p;
        if (static_cast<unsigned char>(*p) == 0x81 && p[1])
            return p + 2;
        return p + 1;
    };
    EXPECT_STREQ(SkipProgramName("\"a\x81\"b\" /s", StepDoubleByte), "/s");
}

struct ModeCase {
    const char* pszSwitches;
    bool bWin9x;
    SaverMode mode;
    const char* pszArgument;  // null: not checked
};

TEST(ChooseMode, EveryRowOfTheDispatchTable)
{
    const ModeCase cases[] = {
        {"", false, MODE_CONFIGURE, nullptr},
        {"/s", false, MODE_SAVER, nullptr},
        {"/S", false, MODE_SAVER, nullptr},
        {"-s", false, MODE_SAVER, nullptr},
        {" /s", false, MODE_SAVER, nullptr},
        {"/screensaver", false, MODE_SAVER, nullptr},
        {"s", false, MODE_SAVER, nullptr},
        {"/-/ s", false, MODE_SAVER, nullptr},
        {"/c", false, MODE_CONFIGURE_OWNED, nullptr},
        {"/c:4242", false, MODE_CONFIGURE_OWNED, nullptr},
        {"/C", false, MODE_CONFIGURE_OWNED, nullptr},
        {"/p 4242", false, MODE_PREVIEW, "4242"},
        {"/P    17", false, MODE_PREVIEW, "17"},
        {"/l 4242", false, MODE_PREVIEW, "4242"},
        {"/L4242", false, MODE_PREVIEW, "4242"},
        {"/p:4242", false, MODE_PREVIEW, ":4242"},
        {"/p\t4242", false, MODE_PREVIEW, "\t4242"},
        {"/p", false, MODE_PREVIEW, ""},
        {"/a 4242", false, MODE_INVALID, nullptr},
        {"/a 4242", true, MODE_CHANGE_PASSWORD, "4242"},
        {"/A", true, MODE_CHANGE_PASSWORD, ""},
        {"/x", false, MODE_INVALID, nullptr},
        {"/1", false, MODE_INVALID, nullptr},
        {"/\t", false, MODE_INVALID, nullptr},
        {"/\xd3", false, MODE_INVALID, nullptr},   // 0xD3 is 's' | 0x80
        {"/\xe3", true, MODE_INVALID, nullptr},    // 0xE3 is 'c' | 0x80
        {"///", false, MODE_CONFIGURE, nullptr},
    };
    for (const ModeCase& c : cases) {
        ModeChoice choice = ChooseMode(c.pszSwitches, c.bWin9x);
        EXPECT_EQ(choice.mode, c.mode) << '"' << c.pszSwitches << '"';
        if (c.pszArgument) {
            EXPECT_STREQ(choice.pszArgument, c.pszArgument) << '"' << c.pszSwitches << '"';
        }
    }
}

TEST(ParseWindowHandleValue, DigitsUntilTheFirstOtherByte)
{
    EXPECT_EQ(ParseWindowHandleValue("4242"), 4242u);
    EXPECT_EQ(ParseWindowHandleValue("4242 junk"), 4242u);
    EXPECT_EQ(ParseWindowHandleValue(":4242"), 0u);
    EXPECT_EQ(ParseWindowHandleValue(" 42"), 0u);
    EXPECT_EQ(ParseWindowHandleValue("-42"), 0u);
    EXPECT_EQ(ParseWindowHandleValue("0x10"), 0u);
    EXPECT_EQ(ParseWindowHandleValue(""), 0u);
    EXPECT_EQ(ParseWindowHandleValue("4294967295"), 4294967295u);
}

TEST(ParseWindowHandleValue, WrapsIn32Bits)
{
    EXPECT_EQ(ParseWindowHandleValue("4294967296"), 0u);
    EXPECT_EQ(ParseWindowHandleValue("4294967297"), 1u);
    // 123456789012 mod 2^32
    EXPECT_EQ(ParseWindowHandleValue("123456789012"), 3197704724u);
}

}  // namespace
