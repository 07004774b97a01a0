// The master and membership files: their readers, their byte layouts, failures that
// leave the old file, and published lists run through the readers.
#include <algorithm>
#include <array>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "calls/master_file.h"
#include "calls/membership_file.h"
#include "catalogue/catalogue.h"
#include "catalogue/selections.h"
#include "support/app_fixture.h"

namespace {

FILE* (*g_real_open)(const char*, const char*) = nullptr;

// Runs the membership reader over the bytes as the source "list".
void read_list(const std::string& bytes, CallSet* set, char listId)
{
    FILE* in = std::tmpfile();
    std::fwrite(bytes.data(), 1, bytes.size(), in);
    std::rewind(in);
    DataSource source;
    source.downloadPath = "list";
    readMemberList(in, set, source, listId);
    std::fclose(in);
}

}  // namespace

// A logging-program folder with the version-9 catalogue and -debug on; the master-file
// and real-list suites share it.
class Membership : public AppTest {
protected:
    void SetUp() override
    {
        AppTest::SetUp();
        g_config.hostVersion = "9.0.0.1";
        g_config.masterSlot = 10;
        g_config.debug = 1;
        build_catalogue(&catalogue);
        g_config.catalogue = &catalogue;
        g_config.selections = &selections;
        make_dir("SAVE");
        make_dir("UPDATE");
    }
    // Every file opened for writing from now on is the full disk device, so its bytes
    // fail when they are flushed (the fixture restores the platform table).
    void fill_disk_on_write()
    {
        g_real_open = g_platform.open_file;
        g_platform.open_file = [](const char* path, const char* mode) {
            return mode[0] == 'w' ? std::fopen("/dev/full", mode) : g_real_open(path, mode);
        };
    }
    // Each text must be a whole debug line of the log.
    void expect_logged(std::initializer_list<std::string> lines)
    {
        std::string log = log_text();
        for (const std::string& line : lines) EXPECT_NE(log.find("DEBUG:\t" + line + "\n"), std::string::npos) << line;
    }
    Catalogue catalogue;
    Selections selections;
};

using MasterCalls = Membership;
using RealLists = Membership;

TEST_F(MasterCalls, BothSourcesByteForByteMissingOneReportedFullDiskKeepsTheFile)
{
    write_file("SAVE/mstrcals.dat", "old content");
    EXPECT_EQ(writeMasterFile(nullptr, kSlotMaster, catalogue), 1);  // nothing selected
    EXPECT_EQ(read_file("SAVE/mstrcals.dat"), std::string("KSTLMAS1\x0C\xFF"));

    selections.sel[kSlotClubLog] = 1;
    selections.sel[kSlotSuperCheck] = 1;
    selections.upd[kSlotSuperCheck] = 1;
    // One per line: empty lines are not counted; blanks are cleaned to nothing and
    // counted invalid; a line longer than 63 characters comes in pieces, each a line.
    write_file("UPDATE/clublog.scp", "W1AW\r\n\r\n\n   \r\ng4abc/p\nK1A\r\n" + std::string(63, ' ') + "\nDL1XYZ" +
                                         std::string(57, ' ') + "AA1AA\r\n" + std::string(63, 'X') +
                                         "N0CALL\nBW2-5001");
    // The second token; a line with fewer is skipped uncounted (a tab separates nothing).
    write_file("UPDATE/MASTER.LIS", "1 G4ABC\r\n   \r\nONLY\r\n2 k1b extra\n3  W1AW/MM\n4\tVK2AB\n5 ZL/G4ABC\r\n");
    EXPECT_EQ(writeMasterFile(nullptr, kSlotMaster, catalogue), 1);
    // Each callsign with bit 7 of its first byte set, in ascending order; 0xFF last.
    EXPECT_EQ(read_file("SAVE/mstrcals.dat"), "KSTLMAS1\x0C\xC1" "A1AA\xC4" "L1XYZ\xC7" "4ABC\xCE" "0CALL\xD7" "1AW\xDA"
                                              "L/G4ABC\xFF");
    expect_logged({" is not a valid call", "K1A is not a valid call", "K1B is not a valid call",
                   "        Read 5 good, 5 invalid calls from UPDATE\\clublog.scp.zip",
                   "        Read 3 good, 1 invalid calls from UPDATE\\MASTER.LIS",
                   "    Super Check Partial was updated", "  Wrote 6 master calls to SAVE\\mstrcals.dat"});

    // A source that is not there is reported and the other still read.
    std::remove("UPDATE/clublog.scp");
    const std::string reduced = "KSTLMAS1\x0C\xC7" "4ABC\xD7" "1AW\xDA" "L/G4ABC\xFF";
    EXPECT_EQ(writeMasterFile(nullptr, kSlotMaster, catalogue), 1);
    EXPECT_EQ(read_file("SAVE/mstrcals.dat"), reduced);
    EXPECT_EQ(dialogs.shown.at(0).text, "Error opening UPDATE\\clublog.scp:\nNo such file or directory");
    EXPECT_EQ(dialogs.shown.at(0).title, "File Open");

    selections.sel[kSlotClubLog] = 0;
    fill_disk_on_write();
    EXPECT_EQ(writeMasterFile(nullptr, kSlotMaster, catalogue), 0);
    EXPECT_EQ(read_file("SAVE/mstrcals.dat"), reduced);
    EXPECT_FALSE(path_exists("SAVE/mstrcals.dat.~new"));
    EXPECT_EQ(dialogs.shown.size(), 2u);
    EXPECT_EQ(dialogs.shown.at(1).text, "Error opening SAVE\\mstrcals.dat:\nNo space left on device");
}

TEST_F(MasterCalls, ClubLogListComesFromItsArchiveElseFromTheEarlierExtraction)
{
#ifdef _WIN32
    GTEST_SKIP() << "the archives are made with Info-ZIP, which Wine cannot start from here";
#endif
    selections.sel[kSlotClubLog] = 1;
    write_file("UPDATE/clublog.scp", "K1ABC\r\n");  // extracted by an earlier run
    write_file("UPDATE/other.scp", "W1AW\r\n");
    ASSERT_EQ(std::system("cd UPDATE && zip -q clublog.scp.zip other.scp"), 0);  // member missing
    ASSERT_EQ(writeMasterFile(nullptr, kSlotMaster, catalogue), 1);
    EXPECT_EQ(read_file("SAVE/mstrcals.dat"), "KSTLMAS1\x0C\xCB" "1ABC\xFF");

    write_file("UPDATE/clublog.scp", "G4XYZ\r\n");
    ASSERT_EQ(std::system("cd UPDATE && zip -q clublog.scp.zip clublog.scp"), 0);
    write_file("UPDATE/clublog.scp", "stale\r\n");
    ASSERT_EQ(writeMasterFile(nullptr, kSlotMaster, catalogue), 1);
    EXPECT_EQ(read_file("SAVE/mstrcals.dat"), "KSTLMAS1\x0C\xC7" "4XYZ\xFF");
}

TEST_F(Membership, ListsCombineInSourceOrderByteForByteAndFullDiskKeepsTheFile)
{
    selections.sel[21] = 'E';
    selections.sel[22] = 'L';
    selections.sel[24] = 'L';  // the same ID as LoTW: added once
    std::string longest = "K1" + std::string(253, 'A');  // as long as a length byte allows: one more is invalid
    // Skipped uncounted: empty, blank, not starting with a letter or digit. The header
    // sentence starts with a letter, so it is looked at (and refused).
    write_file("UPDATE/AGMemberList.txt", "List of AG members as of 20-Oct-2019 17:00 UTC\r\nG4ABC\r\n\r\n   \r\n"
                                          "\tW1AW\r\n-W1AW\r\nW1AW\r\n2a0vnw\r\n");
    // A line longer than 259 characters comes in pieces.
    write_file("UPDATE/lotw1.txt",
               "W1AW\r\nG4ABC/P\r\nK1ZZ" + std::string(255, ' ') + "DL1XYZ\r\n" + longest + "\n" + longest + "A\n");
    write_file("UPDATE/CWOPS_csv2.txt", "\"Call\",\"Name\"\n# comment, with a comma\nK1ZZ,Ken,3321,IL\nDL1XYZ,Al,\n");
    EXPECT_EQ(writeMembershipFile(nullptr, kSlotMembership, catalogue), 1);
    // The record count (32 bits, little-endian), then per callsign its length, itself,
    // the number of its IDs and the IDs.
    EXPECT_EQ(read_file("SAVE/members.dat"), std::string("\x07MEMBERA\x06\0\0\0", 12) + "\x06" "2A0VNW\x01" "E\x06"
                                                 "DL1XYZ\x01" "L\x05" "G4ABC\x02" "EL\xFF" + longest + "\x01" "L\x04"
                                                 "K1ZZ\x01" "L\x04" "W1AW\x02" "EL");
    expect_logged({"G4ABC is now EL", "  Wrote 6 member calls to SAVE\\members.dat",
                   "        Read 3 good, 1 invalid calls from UPDATE\\AGMemberList.txt",
                   "        Read 5 good, 1 invalid calls from UPDATE\\lotw1.txt",
                   "        Read 2 good, 0 invalid calls from UPDATE\\CWOPS_csv2.txt"});

    std::string before = read_file("SAVE/members.dat");
    fill_disk_on_write();
    EXPECT_EQ(writeMembershipFile(nullptr, kSlotMembership, catalogue), 0);
    EXPECT_EQ(read_file("SAVE/members.dat"), before);
    EXPECT_FALSE(path_exists("SAVE/members.dat.~new"));
    EXPECT_EQ(dialogs.shown.at(0).text, "Error opening SAVE\\members.dat:\nNo space left on device");
}

TEST_F(Membership, ReaderLogsInLineOrderAcrossItsGroupsOfLines)
{
    // The reader takes lines in groups; the log must still follow the lines one by one.
    CallSet set;
    std::string lines, expected;
    for (int i = 0; i < 40; ++i) {
        std::string call = "K1" + std::string{char('A' + i / 26), char('A' + i % 26)};
        addCall(&set, call.c_str(), 'E');
        // Raised to upper case before it is refused; "/M1" is stripped to nothing, uncounted.
        lines += call + "/P\nq" + call.substr(1) + (i % 2 ? "\n/M1\n" : "\n");
        expected += "DEBUG:\t" + call + " is now EL\nDEBUG:\tQ" + call.substr(1) + " is not a valid call\n";
    }
    read_list(lines, &set, 'L');
    EXPECT_EQ(log_text(), expected + "DEBUG:\t        Read 40 good, 40 invalid calls from list\n");
}

TEST_F(Membership, ACallInFiveListsIsLeftOut)
{
    CallSet set;
    for (char id : std::string("ABCDF")) addCall(&set, "K1AB", id), addCall(&set, "W1AW", id == 'F' ? 0 : id);
    EXPECT_EQ(writeMemberRecords(nullptr, set), 1);
    expect_logged({"Too many lists: K1AB [ABCDF]"});
}

using MembershipListIds = AppTest;

TEST_F(MembershipListIds, TidiedOrRejectedSayingWhy)
{
    std::array<std::string, 5> fields{"E", " ", "", "!", "_"};
    EXPECT_EQ(checkListIds(nullptr, &fields), 1);
    EXPECT_EQ(fields, (std::array<std::string, 5>{"E", "", "", "!", "_"}));

    std::array<std::string, 5> five{"E", "L", "O", "C", "X"};
    EXPECT_EQ(checkListIds(nullptr, &five), 0);
    EXPECT_EQ(dialogs.shown.at(0).title, "Too many lists");
    EXPECT_EQ(dialogs.shown.at(0).style, kMbIconError | kMbTopmost);

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
    EXPECT_EQ(dialogs.shown.at(2).text, (full + "You can have no more than four (4) membership lists.").substr(0, 259));
}

// A published list (KSTLUPD_REALDATA, else ../shared/realdata; skipped without it):
// every stored callsign only A-Z, 0-9 and '/', strictly ascending, and good + invalid
// of the closing line the lines the reader looked at.
TEST_F(RealLists, StoredCallsAreCleanSortedAndEveryLineCounted)
{
    const char* env = std::getenv("KSTLUPD_REALDATA");
    std::string path = (env && *env ? env : std::string(KSTLUPD_SOURCE_DIR) + "/../shared/realdata") +
                       "/AGMemberList.2019-10-20.crlf.txt";
    if (!path_exists(path)) GTEST_SKIP() << path << " is not available";
    std::string bytes = read_file(path);
    int looked_at = 0;  // its lines are shorter than the reader's pieces
    std::istringstream text(bytes);
    for (std::string line; std::getline(text, line);)
        looked_at += std::isalnum(static_cast<unsigned char>(line[0])) > 0;
    CallSet set;
    read_list(bytes, &set, 'E');
    int good = -1, invalid = -1;
    std::string log = log_text();
    ASSERT_EQ(std::sscanf(log.c_str() + log.rfind(" Read") + 1, "Read %d good, %d invalid", &good, &invalid), 2);
    EXPECT_EQ(good + invalid, looked_at);
    std::vector<std::string> calls;
    for_each_call(set, [&](const CallEntry& e) { calls.push_back(e.callsign); });
    EXPECT_EQ(std::adjacent_find(calls.begin(), calls.end(), std::greater_equal<>()), calls.end());  // ascending, once
    for (const std::string& call : calls)
        ASSERT_TRUE(!call.empty() && call.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789/") == call.npos)
            << call;
}
