#include <string>
#include <utility>

#include <gtest/gtest.h>

#include "calls/callsign.h"

namespace {

constexpr const char* kInvalid = "<invalid>";

// Each text as a reader stores it: "<invalid>", or the callsign after validation and
// stripping ("" when nothing is left).
void expect_stored(std::initializer_list<std::pair<const char*, const char*>> cases)
{
    for (const auto& [text, stored] : cases) {
        std::string buffer = std::string(text) + '\0';
        std::string result = isValidCall(buffer.data()) ? stripCallSuffix(buffer.data()) : kInvalid;
        EXPECT_EQ(result, stored) << "text: \"" << text << "\"";
    }
}

}  // namespace

TEST(CallsignValidation, EachRuleRejectsAndPasses)
{
    // clang-format off
    expect_stored({
        // trailing blanks, full stops and commas go; any other byte outside A-Z 0-9 / is refused
        {"W1AW. ,", "W1AW"}, {" .,", kInvalid}, {"G4 ABC", kInvalid}, {"G4ABC,X", kInvalid}, {"BW2-5001", kInvalid},
        {"DL/SQ7AEC\t", kInvalid}, {"G4\200BC", kInvalid}, {"G4\361BC", kInvalid}, {"G4\377BC", kInvalid},
        // lower case raised, the slashed zero made a digit; "/QRP" cut only at the
        // very end, after the trailing junk is gone
        {"dl1abc", "DL1ABC"}, {"2E\330FVL", "2E0FVL"}, {"2E0COX/QRP .", "2E0COX"}, {"2E0COX/QRP/P", kInvalid},
        // a letter and a digit; three characters K, N or W, digit, letter
        {"A1", "A1"}, {"AB", kInvalid}, {"12", kInvalid}, {"K1A", kInvalid}, {"G1A", "G1A"},
        // '/' and two digits with room behind them, or two final digits; two leading digits
        {"G/12AB", kInvalid}, {"G4ABC/1", "G4ABC/1"}, {"AB12", kInvalid}, {"AB1C2", "AB1C2"}, {"12AB", kInvalid},
        {"1A2B", "1A2B"},
        // 'Q' first or "/Q" anywhere; a trailing slash
        {"QA1BC", kInvalid}, {"DL/Q1AB", kInvalid}, {"G4QAB", "G4QAB"}, {"G4ABC/", kInvalid},
        // three letters after a '/' ... but a callsign is judged alike with and
        // without a suffix that is stripped later
        {"G4ABC/NHS", kInvalid}, {"G4ABC/A1B", "G4ABC/A1B"}, {"8JAPAN1", "8JAPAN1"}, {"8JAPAN1/P", "8JAPAN1"},
        // three leading letters; "SWL" behind two digits
        {"ABC1", kInvalid}, {"AB1C", "AB1C"}, {"A12SWL", kInvalid}, {"DE1SWL", "DE1SWL"},
    });
    // clang-format on
}

TEST(CallsignStripping, SuffixesGoLastFirstUntilOneStays)
{
    // clang-format off
    expect_stored({
        {"G4ABC/P", "G4ABC"}, {"G4ABC/M", "G4ABC"}, {"G4ABC/MM", "G4ABC"}, {"G4ABC/AM", "G4ABC"},
        {"G4ABC/M1", "G4ABC"}, {"G4ABC/P2", "G4ABC"}, {"G4ABC/T", "G4ABC"}, {"G4ABC/LH", "G4ABC"},
        {"g4abc/pm", "G4ABC"},
        // kept: call area, prefix designator, anything else
        {"6M0NR/4", "6M0NR/4"}, {"G4ABC/X", "G4ABC/X"}, {"G4ABC/MX", "G4ABC/MX"}, {"G4ABC/KP4", "G4ABC/KP4"},
        // stacked; the empty part of a doubled slash stops it too (a real list has "4Z5FL//M")
        {"ZL/G4ABC/M/P", "ZL/G4ABC"}, {"G4ABC/P/1", "G4ABC/P/1"}, {"4Z5FL//M", "4Z5FL/"}, {"/M1", ""},
        {"/P2/M", ""},
    });
    // clang-format on
}
