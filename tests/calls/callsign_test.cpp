#include <string>

#include <gtest/gtest.h>

#include "calls/callsign.h"

namespace {

// What a reader would store for the text: "<invalid>", or the callsign after
// validation and stripping ("" when nothing is left).
std::string stored(std::string text)
{
    text.push_back('\0');
    if (!isValidCall(text.data())) return "<invalid>";
    return stripCallSuffix(text.data());
}

struct Case {
    const char* text;
    const char* stored;
};

void expect_cases(std::initializer_list<Case> cases)
{
    for (const Case& c : cases) EXPECT_EQ(stored(c.text), c.stored) << "text: \"" << c.text << "\"";
}

constexpr const char* kInvalid = "<invalid>";

}  // namespace

TEST(CallsignValidation, CleaningBeforeTheRules)
{
    expect_cases({{"W1AW. ,", "W1AW"}, {"G4ABC   ", "G4ABC"}, {" .,", kInvalid}, {"", kInvalid},
                  {"G4 ABC", kInvalid}, {"G4ABC,X", kInvalid},
                  // "/QRP" only at the very end, after the trailing junk is gone.
                  {"2E0COX/QRP", "2E0COX"}, {"2E0COX/QRP .", "2E0COX"}, {"2E0COX/QRP/P", kInvalid},
                  {"2E0COX/QRPP", kInvalid}, {"/QRP", kInvalid},
                  // Lower case raised, the slashed zero made a digit, any other byte refused.
                  {"dl1abc/p", "DL1ABC"}, {"2E\xD8" "FVL", "2E0FVL"}, {"G\xD8X", "G0X"}, {"BW2-5001", kInvalid},
                  {"AB5EO_6", kInvalid}, {"DL/SQ7AEC\t", kInvalid}, {"G4\xF1" "BC", kInvalid},
                  {"G4\x80" "BC", kInvalid}, {"G4\xFF" "BC", kInvalid}});
    // A rejected text is left as far as it was cleaned, for the debug line.
    std::string text = "ab-1. ";
    EXPECT_EQ(isValidCall(text.data()), 0);
    EXPECT_STREQ(text.c_str(), "AB-1");
}

TEST(CallsignValidation, EachRuleRejectsAndPasses)
{
    expect_cases({// a letter and a digit
                  {"A1", "A1"}, {"AB", kInvalid}, {"12", kInvalid}, {"/", kInvalid},
                  // three characters K, N or W, digit, letter
                  {"K1A", kInvalid}, {"N2B", kInvalid}, {"w3c", kInvalid}, {"G1A", "G1A"}, {"K1AB", "K1AB"},
                  {"KA1", "KA1"},
                  // '/' and two digits with room behind them, or two final digits
                  {"G/12AB", kInvalid}, {"2E0CVN/70", kInvalid}, {"G4ABC/1", "G4ABC/1"}, {"G4ABC/1A", "G4ABC/1A"},
                  {"AB12", kInvalid}, {"A12", kInvalid}, {"AB1C2", "AB1C2"},
                  // two leading digits; digit, letter, digit passes
                  {"12AB", kInvalid}, {"108FB010", kInvalid}, {"1A2B", "1A2B"}, {"1A0KM", "1A0KM"},
                  // 'Q' first or "/Q" anywhere
                  {"QA1BC", kInvalid}, {"G4ABC/QP", kInvalid}, {"DL/Q1AB", kInvalid}, {"G4QAB", "G4QAB"},
                  // trailing slash
                  {"G4ABC/", kInvalid}, {"G4ABC/ .", kInvalid},
                  // three letters after a '/'
                  {"G4ABC/NHS", kInvalid}, {"ZL/G4ABC/KIWI", kInvalid}, {"G4ABC/A1B", "G4ABC/A1B"},
                  {"ZL/G4ABC", "ZL/G4ABC"},
                  // ... but not at the start of a text with a slash further on: a callsign
                  // is judged alike with and without a suffix that is stripped later
                  {"8JAPAN1", "8JAPAN1"}, {"8JAPAN1/P", "8JAPAN1"},
                  // three leading letters
                  {"ABC1", kInvalid}, {"SWL123A", kInvalid}, {"AB1C", "AB1C"}, {"AB1", "AB1"},
                  // "SWL" behind two digits
                  {"A12SWL", kInvalid}, {"DE12SWL3", kInvalid}, {"DE1SWL", "DE1SWL"}, {"A1SWL2", "A1SWL2"}});
}

TEST(CallsignStripping, SuffixesGoLastFirstUntilOneStays)
{
    expect_cases({{"G4ABC/P", "G4ABC"}, {"G4ABC/M", "G4ABC"}, {"G4ABC/MM", "G4ABC"}, {"G4ABC/AM", "G4ABC"},
                  {"G4ABC/M1", "G4ABC"}, {"G4ABC/P2", "G4ABC"}, {"G4ABC/T", "G4ABC"}, {"G4ABC/LH", "G4ABC"},
                  {"g4abc/pm", "G4ABC"},
                  // kept: call area, prefix designator, anything else
                  {"6M0NR/4", "6M0NR/4"}, {"G4ABC/X", "G4ABC/X"}, {"G4ABC/MX", "G4ABC/MX"},
                  {"G4ABC/KP4", "G4ABC/KP4"},
                  // stacked
                  {"G4ABC/P/MM", "G4ABC"}, {"ZL/G4ABC/P", "ZL/G4ABC"}, {"ZL/G4ABC/M/P", "ZL/G4ABC"},
                  {"G4ABC/P/1", "G4ABC/P/1"},
                  // the empty part of a doubled slash stops it too (a real list has "4Z5FL//M")
                  {"4Z5FL//M", "4Z5FL/"},
                  // nothing left
                  {"/M1", ""}, {"/P2/M", ""}});
}
