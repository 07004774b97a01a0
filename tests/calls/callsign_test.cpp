#include <string>

#include <gtest/gtest.h>

#include "calls/callsign.h"

namespace {

struct Checked {
    int valid;
    std::string text;  // the buffer after the check
};

Checked check(std::string text)
{
    text.push_back('\0');
    int valid = isValidCall(text.data());
    return {valid, std::string(text.c_str())};
}

// The text a reader would store: "" when invalid or stripped to nothing.
std::string stored(std::string text)
{
    text.push_back('\0');
    if (!isValidCall(text.data())) return "<invalid>";
    return stripCallSuffix(text.data());
}

bool valid(const char* text) { return check(text).valid == 1; }

}  // namespace

TEST(CallsignValidation, TrailingBlanksFullStopsAndCommasGoFirst)
{
    EXPECT_EQ(check("W1AW. ,").text, "W1AW");
    EXPECT_TRUE(valid("W1AW. ,"));
    EXPECT_TRUE(valid("G4ABC   "));
    EXPECT_FALSE(valid(" .,"));        // nothing left
    EXPECT_FALSE(valid(""));
    EXPECT_FALSE(valid("G4 ABC"));     // a blank inside is not trailing
    EXPECT_FALSE(valid("G4ABC,X"));
}

TEST(CallsignValidation, QrpIsCutOnlyAtTheEnd)
{
    Checked c = check("2E0COX/QRP");
    EXPECT_EQ(c.valid, 1);
    EXPECT_EQ(c.text, "2E0COX");
    EXPECT_EQ(check("2E0COX/QRP .").text, "2E0COX");  // trailing junk goes before the cut
    EXPECT_FALSE(valid("2E0COX/QRP/P"));
    EXPECT_FALSE(valid("2E0COX/QRPP"));
    EXPECT_FALSE(valid("/QRP"));                       // nothing before it
}

TEST(CallsignValidation, CharactersAreNormalisedOrRejected)
{
    Checked lower = check("dl1abc/p");
    EXPECT_EQ(lower.valid, 1);
    EXPECT_EQ(lower.text, "DL1ABC/P");
    Checked slashed = check("2E\xD8" "FVL");
    EXPECT_EQ(slashed.valid, 1);
    EXPECT_EQ(slashed.text, "2E0FVL");
    EXPECT_TRUE(valid("G\xD8X"));           // 0xD8 counts as the digit
    EXPECT_FALSE(valid("BW2-5001"));
    EXPECT_FALSE(valid("AB5EO_6"));
    EXPECT_FALSE(valid("DL/SQ7AEC\t"));
    EXPECT_FALSE(valid("G4\xF1" "BC"));
    EXPECT_FALSE(valid("G4\x80" "BC"));
    EXPECT_FALSE(valid("G4\xFF" "BC"));
}

TEST(CallsignValidation, NeedsALetterAndADigit)
{
    EXPECT_TRUE(valid("A1"));
    EXPECT_FALSE(valid("AB"));
    EXPECT_FALSE(valid("12"));
    EXPECT_FALSE(valid("/"));
}

TEST(CallsignValidation, ShortKnwCallsOfLetterDigitLetterAreRejected)
{
    EXPECT_FALSE(valid("K1A"));
    EXPECT_FALSE(valid("N2B"));
    EXPECT_FALSE(valid("w3c"));
    EXPECT_TRUE(valid("G1A"));
    EXPECT_TRUE(valid("K1AB"));
    EXPECT_TRUE(valid("KA1"));
}

TEST(CallsignValidation, SlashWithTwoDigitsIsRejected)
{
    EXPECT_FALSE(valid("G/12AB"));
    EXPECT_FALSE(valid("2E0CVN/70"));   // at the end it is the two-final-digits rule
    EXPECT_FALSE(valid("4X0AAP/18"));
    EXPECT_TRUE(valid("G4ABC/1"));
    EXPECT_TRUE(valid("6M0NR/4"));
    EXPECT_TRUE(valid("G4ABC/1A"));
}

TEST(CallsignValidation, DigitPairsAtEitherEndAreRejected)
{
    EXPECT_FALSE(valid("AB12"));
    EXPECT_FALSE(valid("A12"));
    EXPECT_FALSE(valid("12AB"));
    EXPECT_FALSE(valid("108FB010"));
    EXPECT_TRUE(valid("1A2B"));         // digit, letter, digit passes
    EXPECT_TRUE(valid("2E0ABC"));
    EXPECT_TRUE(valid("1A0KM"));
}

TEST(CallsignValidation, QPrefixesAndSlashQAreRejected)
{
    EXPECT_FALSE(valid("QA1BC"));
    EXPECT_FALSE(valid("G4ABC/QP"));
    EXPECT_FALSE(valid("DL/Q1AB"));
    EXPECT_TRUE(valid("G4QAB"));
}

TEST(CallsignValidation, TrailingSlashIsRejected)
{
    EXPECT_FALSE(valid("G4ABC/"));
    EXPECT_FALSE(valid("G4ABC/ ."));
}

TEST(CallsignValidation, ThreeLettersAfterASlashAreRejected)
{
    EXPECT_FALSE(valid("G4ABC/NHS"));
    EXPECT_FALSE(valid("ZL/G4ABC/KIWI"));
    EXPECT_TRUE(valid("G4ABC/AB"));
    EXPECT_TRUE(valid("G4ABC/A1B"));
    EXPECT_TRUE(valid("ZL/G4ABC"));
    // Three letters right after the first character, with a slash further on, are
    // judged as without the slash: the same callsign with and without /P.
    EXPECT_TRUE(valid("8JAPAN1"));
    EXPECT_TRUE(valid("8JAPAN1/P"));
}

TEST(CallsignValidation, ThreeLeadingLettersAreRejected)
{
    EXPECT_FALSE(valid("ABC1"));
    EXPECT_FALSE(valid("SWL123A"));
    EXPECT_TRUE(valid("AB1C"));
    EXPECT_TRUE(valid("AB1"));
}

TEST(CallsignValidation, SwlNumbersAreRejected)
{
    EXPECT_FALSE(valid("A12SWL"));
    EXPECT_FALSE(valid("DE12SWL3"));
    EXPECT_TRUE(valid("DE1SWL"));        // only one digit before it
    EXPECT_TRUE(valid("A1SWL2"));
}

TEST(CallsignStripping, OperatingSuffixesAreStripped)
{
    for (const char* call : {"G4ABC/P", "G4ABC/M", "G4ABC/MM", "G4ABC/AM", "G4ABC/QRP", "G4ABC/M1", "G4ABC/P2",
                             "G4ABC/A", "G4ABC/T", "G4ABC/LH", "G4ABC/FF", "g4abc/pm"}) {
        EXPECT_EQ(stored(call), "G4ABC") << call;
    }
    EXPECT_EQ(stored("G4ABC"), "G4ABC");
}

TEST(CallsignStripping, OtherSlashPartsStay)
{
    EXPECT_EQ(stored("G4ABC/1"), "G4ABC/1");
    EXPECT_EQ(stored("ZL/G4ABC"), "ZL/G4ABC");
    EXPECT_EQ(stored("G4ABC/X"), "G4ABC/X");
    EXPECT_EQ(stored("G4ABC/MX"), "G4ABC/MX");
    EXPECT_EQ(stored("G4ABC/KP4"), "G4ABC/KP4");
    EXPECT_EQ(stored("G4ABC/NHS"), "<invalid>");
}

TEST(CallsignStripping, StackedSuffixesGoLastFirst)
{
    EXPECT_EQ(stored("G4ABC/P/MM"), "G4ABC");
    EXPECT_EQ(stored("ZL/G4ABC/P"), "ZL/G4ABC");
    EXPECT_EQ(stored("ZL/G4ABC/M/P"), "ZL/G4ABC");
    // A kept part stops the stripping even with a strippable one before it.
    EXPECT_EQ(stored("G4ABC/P/1"), "G4ABC/P/1");
    // So does the empty part of a doubled slash (found as "4Z5FL//M" in a real list).
    EXPECT_EQ(stored("4Z5FL//M"), "4Z5FL/");
}

TEST(CallsignStripping, ASuffixAloneBecomesEmpty)
{
    EXPECT_EQ(stored("/M1"), "");
    EXPECT_EQ(stored("/P2/M"), "");
}
