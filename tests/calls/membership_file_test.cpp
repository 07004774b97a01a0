#include <array>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "calls/call_files.h"
#include "calls/membership_file.h"

namespace {

std::string records_text(const MembershipFile& file)
{
    std::string text;
    for (const MemberRecord& r : file.records) text += r.call + ":" + r.ids + " ";
    return text;
}

}  // namespace

class Membership : public CallFilesTest {
protected:
    MembershipFile written()
    {
        MembershipFile file = decode_membership(read_file("SAVE/members.dat"));
        EXPECT_TRUE(file.well_formed);
        EXPECT_EQ(file.declared, file.records.size());
        return file;
    }
};

TEST_F(Membership, ListsCombineInSourceOrder)
{
    g_config.debug = 1;
    selections.sel[21] = 'E';
    selections.sel[22] = 'L';
    selections.sel[24] = 'L';  // the same ID as LoTW: added once
    selections.upd[23] = 1;    // not selected, still logged
    write_file("UPDATE/AGMemberList.txt", "List of AG members as of 20-Oct-2019 17:00 UTC\r\nG4ABC\r\nW1AW\r\n2a0vnw\r\n");
    write_file("UPDATE/lotw1.txt", "W1AW\r\nG4ABC/P\r\nK1ZZ\r\n");
    write_file("UPDATE/CWOPS_csv2.txt",
               "\"Call\",\"Name\",\"Number\"\n# comment, with a comma\nK1ZZ,Ken,3321,IL,Litchfield IL\nDL1XYZ,Al,\n");

    EXPECT_EQ(writeMembershipFile(nullptr, kSlotMembership, catalogue), 1);
    EXPECT_EQ(records_text(written()), "2A0VNW:E DL1XYZ:L G4ABC:EL K1ZZ:L W1AW:EL ");
    std::string log = log_text();
    EXPECT_NE(log.find("DEBUG:\t    On-line QSL Request was updated\n"), std::string::npos);
    EXPECT_NE(log.find("DEBUG:\tG4ABC is now EL\n"), std::string::npos);
    EXPECT_NE(log.find("DEBUG:\t  Wrote 5 member calls to SAVE\\members.dat\n"), std::string::npos);
    // The header sentence starts with a letter, so it is looked at (and refused).
    EXPECT_EQ(read_counts(log, "UPDATE\\AGMemberList.txt"), std::make_pair(3, 1));
    EXPECT_EQ(read_counts(log, "UPDATE\\CWOPS_csv2.txt"), std::make_pair(2, 0));
    EXPECT_TRUE(dialogs.shown.empty());
}

TEST_F(Membership, ReaderSkipsUncountedAndBoundsTheLength)
{
    g_config.debug = 1;
    selections.sel[kSlotCustomList] = 'X';
    std::string longest = "K1";  // K1A1A1...A1B: 255 characters, one more does not fit a length byte
    while (longest.size() < 254) longest += "A1";
    longest += "B";
    std::string longLine = "K1ABC" + std::string(254, ' ') + "DL1XYZ,rest\n";  // pieces of 259
    write_file("member.txt", "\r\n\n   \r\n\tW1AW\r\n,G4ABC\r\n-G4ABC\r\nG4ABC\r\n" + longLine + "W1AW.,x\n" + longest +
                                 "\r\n" + longest.substr(0, 254) + "CD\r\n");

    EXPECT_EQ(writeMembershipFile(nullptr, kSlotMembership, catalogue), 1);
    EXPECT_EQ(records_text(written()), "DL1XYZ:X G4ABC:X " + longest + ":X K1ABC:X W1AW:X ");
    EXPECT_EQ(read_counts(log_text(), "member.txt"), std::make_pair(5, 1));
}

TEST_F(Membership, ACallInFiveListsIsLeftOut)
{
    g_config.debug = 1;
    const char* paths[] = {"UPDATE/AGMemberList.txt", "UPDATE/lotw1.txt", "UPDATE/OQRS.txt", "UPDATE/CWOPS_csv2.txt",
                           "member.txt"};
    for (int i = 0; i < 5; ++i) {
        selections.sel[21 + i] = static_cast<uint8_t>("ABCDF"[i]);
        write_file(paths[i], i < 4 ? "K1AB\nW1AW\n" : "K1AB\n");
    }
    EXPECT_EQ(writeMembershipFile(nullptr, kSlotMembership, catalogue), 1);
    EXPECT_EQ(records_text(written()), "W1AW:ABCD ");
    std::string log = log_text();
    std::string tooMany = "DEBUG:\tToo many lists: K1AB [ABCDF]\n";
    size_t first = log.find(tooMany);
    ASSERT_NE(first, std::string::npos);
    EXPECT_NE(log.find(tooMany, first + 1), std::string::npos);  // counted, then written
}

TEST_F(Membership, ReaderLogsAndAddsInLineOrderOverManyLines)
{
    g_config.debug = 1;
    // The reader takes lines in groups; the log must still follow the lines one by one.
    std::string tooLong = "K1";
    while (tooLong.size() < 254) tooLong += "A1";
    tooLong += "CD";  // 256 characters
    CallSet set;
    std::string lines;
    std::string expected;
    int good = 0;
    int invalid = 0;
    for (int i = 0; i < 60; ++i) {
        std::string pair{char('A' + i / 26), char('A' + i % 26)};
        if (i % 4 == 0) {
            lines += "G4" + pair + "\n";  // new
            ++good;
        } else if (i % 4 == 1) {
            lines += "q1" + pair + "\n";  // raised to upper case before it is refused
            expected += "DEBUG:\tQ1" + pair + " is not a valid call\n";
            ++invalid;
        } else if (i % 4 == 2) {
            addCall(&set, ("K1" + pair).c_str(), 'E');
            lines += "K1" + pair + "/P\n";  // known, gains the ID
            expected += "DEBUG:\tK1" + pair + " is now EL\n";
            ++good;
        } else if (i % 8 == 3) {
            lines += "/M1\n";  // stripped to nothing: not counted
        } else {
            lines += tooLong + "\n";
            expected += "DEBUG:\t" + tooLong + " is not a valid call\n";
            ++invalid;
        }
    }
    DataSource source;
    source.downloadPath = "list.txt";
    FILE* in = stream_of(lines);
    readMemberList(in, &set, source, 'L');
    std::fclose(in);
    EXPECT_EQ(log_text(), expected + "DEBUG:\t        Read " + std::to_string(good) + " good, " +
                              std::to_string(invalid) + " invalid calls from list.txt\n");
    EXPECT_EQ(writeMemberRecords(nullptr, set), 30);
}

TEST_F(Membership, EmptyFileMissingSourceAndFailedWrite)
{
    write_file("UPDATE/lotw1.txt", "W1AW\r\n");
    EXPECT_EQ(writeMembershipFile(nullptr, kSlotMembership, catalogue), 1);
    EXPECT_EQ(read_file("SAVE/members.dat"), std::string("\x07MEMBERA\0\0\0\0", 12));

    selections.sel[21] = 'E';
    selections.sel[22] = 'L';
    fill_disk_on_write();
    EXPECT_EQ(writeMembershipFile(nullptr, kSlotMembership, catalogue), 0);
    EXPECT_EQ(read_file("SAVE/members.dat"), std::string("\x07MEMBERA\0\0\0\0", 12));
    EXPECT_FALSE(path_exists("SAVE/members.dat.~new"));
    ASSERT_EQ(dialogs.shown.size(), 2u);
    EXPECT_EQ(dialogs.shown[0].text, "Error opening UPDATE\\AGMemberList.txt:\nNo such file or directory");
    EXPECT_EQ(dialogs.shown[1].text, "Error opening SAVE\\members.dat:\nNo space left on device");
}

class ListIds : public AppTest {};

TEST_F(ListIds, AcceptedFieldsAreTidied)
{
    std::array<std::string, 5> fields{"E", " ", "", "!", "_"};
    EXPECT_EQ(checkListIds(nullptr, &fields), 1);
    EXPECT_EQ(fields, (std::array<std::string, 5>{"E", "", "", "!", "_"}));
    std::array<std::string, 5> none{};
    EXPECT_EQ(checkListIds(nullptr, &none), 1);
    EXPECT_TRUE(dialogs.shown.empty());
    EXPECT_EQ(log_text(), "");
}

TEST_F(ListIds, RejectionsSayWhy)
{
    std::array<std::string, 5> five{"E", "L", "O", "C", "X"};
    EXPECT_EQ(checkListIds(nullptr, &five), 0);
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].text, "You can have no more than four (4) membership lists.");
    EXPECT_EQ(dialogs.shown[0].title, "Too many lists");
    EXPECT_EQ(dialogs.shown[0].style, kMbIconError | kMbTopmost);

    std::array<std::string, 5> invalid{"e", "`", "L", "\xE9", ""};
    EXPECT_EQ(checkListIds(nullptr, &invalid), 0);
    EXPECT_EQ(log_text(),
              "ERROR:\tYou can have no more than four (4) membership lists.\n"
              "ERROR:\t[ e ]  is not a valid membership list ID.\n"
              "[ ` ]  is not a valid membership list ID.\n"
              "[ \xE9 ]  is not a valid membership list ID.\n");

    // Five invalid IDs and too many lists do not fit the message buffer: cut, not overrun.
    std::array<std::string, 5> all{"a", "b", "c", "d", "~"};
    EXPECT_EQ(checkListIds(nullptr, &all), 0);
    std::string full;
    for (char id : std::string("abcd~")) full += std::string("[ ") + id + " ]  is not a valid membership list ID.\n";
    full += "You can have no more than four (4) membership lists.";
    ASSERT_EQ(dialogs.shown.size(), 3u);
    EXPECT_EQ(dialogs.shown[2].text, full.substr(0, 259));
}
