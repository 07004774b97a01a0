#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "calls/call_files.h"
#include "calls/master_file.h"
#include "catalogue/catalogue.h"

namespace {

std::vector<std::string> calls_of(const CallSet& set)
{
    std::vector<std::string> calls;
    for_each_call(set, [&](const CallEntry& e) { calls.push_back(e.callsign); });
    return calls;
}

DataSource named(const char* path)
{
    DataSource source;
    source.downloadPath = path;
    return source;
}

const std::string kEmptyMaster("KSTLMAS1\x0C\xFF", 10);

}  // namespace

class MasterCalls : public CallFilesTest {};

TEST_F(MasterCalls, PerLineReaderCountsAndPieces)
{
    g_config.debug = 1;
    // Empty lines are not counted; a line of blanks is cleaned to nothing and counted
    // invalid. Lines longer than 63 characters come in pieces, each a line.
    std::string longer = "W1AW" + std::string(59, ' ') + "DL1XYZ";
    FILE* in = stream_of("G4ABC\r\n\r\n\n   \r\ng4abc/p\nK1A\r\n2E\xD8" "FVL.\r\n" + std::string(63, ' ') + "\n" + longer +
                         "\r\n" + std::string(63, 'X') + "K1ZZ\nN0CALL");
    CallSet set;
    EXPECT_EQ(readCallPerLine(in, &set, named("UPDATE\\clublog.scp")), set.root);
    std::fclose(in);
    EXPECT_EQ(calls_of(set), (std::vector<std::string>{"2E0FVL", "DL1XYZ", "G4ABC", "K1ZZ", "N0CALL", "W1AW"}));
    std::string log = log_text();
    EXPECT_EQ(read_counts(log, "UPDATE\\clublog.scp"), std::make_pair(7, 4));
    EXPECT_NE(log.find("DEBUG:\t is not a valid call\n"), std::string::npos);
    EXPECT_NE(log.find("DEBUG:\tK1A is not a valid call\n"), std::string::npos);
}

TEST_F(MasterCalls, SecondTokenReaderSkipsShortLinesUncounted)
{
    g_config.debug = 1;
    FILE* in = stream_of("1 G4ABC\r\n   \r\n\r\nONLY\r\n2 k1a extra tokens\n3  DL1XYZ/P\n4\tW1AW\n5 W1AW first\n");
    CallSet set;
    readCallSecondToken(in, &set, named("UPDATE\\MASTER.LIS"));
    std::fclose(in);
    EXPECT_EQ(calls_of(set), (std::vector<std::string>{"DL1XYZ", "G4ABC", "W1AW"}));
    EXPECT_EQ(read_counts(log_text(), "UPDATE\\MASTER.LIS"), std::make_pair(3, 1));  // a tab separates nothing
}

TEST_F(MasterCalls, BothSourcesGiveTheSortedUnionOnce)
{
    g_config.debug = 1;
    selections.sel[kSlotClubLog] = 1;
    selections.sel[kSlotSuperCheck] = 1;
    selections.upd[kSlotSuperCheck] = 1;
    write_file("UPDATE/clublog.scp", "W1AW\r\nG4ABC/P\r\nDL1XYZ\r\nBW2-5001\r\n");
    write_file("UPDATE/MASTER.LIS", "1 G4ABC\r\n2 AA1AA\r\n3 W1AW/MM\r\n4 ZL/G4ABC\r\n");

    EXPECT_EQ(writeMasterFile(nullptr, kSlotMaster, catalogue), 1);
    MasterFile file = decode_master(read_file("SAVE/mstrcals.dat"));
    EXPECT_TRUE(file.well_formed);
    EXPECT_EQ(file.calls, (std::vector<std::string>{"AA1AA", "DL1XYZ", "G4ABC", "W1AW", "ZL/G4ABC"}));
    std::string log = log_text();
    EXPECT_EQ(log.find("Club Log was updated"), std::string::npos);
    EXPECT_NE(log.find("DEBUG:\t    Super Check Partial was updated\n"), std::string::npos);
    EXPECT_NE(log.find("DEBUG:\t  Wrote 5 master calls to SAVE\\mstrcals.dat\n"), std::string::npos);
    EXPECT_TRUE(dialogs.shown.empty());
    EXPECT_FALSE(path_exists("SAVE/mstrcals.dat.~new"));
}

TEST_F(MasterCalls, EmptyFileMissingSourceAndFailedWrites)
{
    write_file("UPDATE/MASTER.LIS", "1 K1A\r\nheader\r\n");
    write_file("SAVE/mstrcals.dat", "old content");
    EXPECT_EQ(writeMasterFile(nullptr, kSlotMaster, catalogue), 1);  // nothing selected
    EXPECT_EQ(read_file("SAVE/mstrcals.dat"), kEmptyMaster);
    selections.sel[kSlotSuperCheck] = 1;                              // no valid callsign
    EXPECT_EQ(writeMasterFile(nullptr, kSlotMaster, catalogue), 1);
    EXPECT_EQ(read_file("SAVE/mstrcals.dat"), kEmptyMaster);

    // An unreadable source is reported and the other still read.
    selections.sel[kSlotClubLog] = 1;
    write_file("UPDATE/clublog.scp", "G4ABC\n");
    std::remove("UPDATE/MASTER.LIS");
    EXPECT_EQ(writeMasterFile(nullptr, kSlotMaster, catalogue), 1);
    EXPECT_EQ(decode_master(read_file("SAVE/mstrcals.dat")).calls, std::vector<std::string>{"G4ABC"});
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].text, "Error opening UPDATE\\MASTER.LIS:\nNo such file or directory");
    EXPECT_EQ(dialogs.shown[0].title, "File Open");
    EXPECT_EQ(log_text(), "ERROR:\tError opening UPDATE\\MASTER.LIS:\nNo such file or directory\n");

    // A full disk: the old file stays and no temporary file is left.
    std::string before = read_file("SAVE/mstrcals.dat");
    selections.sel[kSlotSuperCheck] = 0;
    fill_disk_on_write();
    EXPECT_EQ(writeMasterFile(nullptr, kSlotMaster, catalogue), 0);
    EXPECT_EQ(read_file("SAVE/mstrcals.dat"), before);
    EXPECT_FALSE(path_exists("SAVE/mstrcals.dat.~new"));
    ASSERT_EQ(dialogs.shown.size(), 2u);
    EXPECT_EQ(dialogs.shown[1].text, "Error opening SAVE\\mstrcals.dat:\nNo space left on device");
}

TEST_F(MasterCalls, TargetThatCannotBeCreatedFails)
{
    g_config.autoMode = 1;
    g_config.masterSlot = 9;
    build_catalogue(&catalogue);
    catalogue.slot[kSlotMasterOld].targetPath = "NOFOLDER\\KESTRL.MAS";
    EXPECT_EQ(writeMasterFile(nullptr, kSlotMasterOld, catalogue), 0);
    EXPECT_TRUE(dialogs.shown.empty());
    EXPECT_EQ(log_text(), "ERROR:\tError opening NOFOLDER\\KESTRL.MAS:\nNo such file or directory\n");
}

TEST_F(MasterCalls, ClubLogArchiveMemberOrThePreviousExtraction)
{
    selections.sel[kSlotClubLog] = 1;
    make_dir("zipped");
    write_file("zipped/clublog.scp", "W1AW\r\nG4ABC/P\r\n");
    write_file("zipped/other.txt", "N0CALL\r\n");
    write_file("UPDATE/clublog.scp", "K1ZZ\r\n");  // extracted by an earlier run
    ASSERT_EQ(std::system("cd zipped && zip -q ../UPDATE/clublog.scp.zip other.txt"), 0);
    EXPECT_EQ(writeMasterFile(nullptr, kSlotMaster, catalogue), 1);
    EXPECT_EQ(decode_master(read_file("SAVE/mstrcals.dat")).calls, std::vector<std::string>{"K1ZZ"});

    std::remove("UPDATE/clublog.scp");
    EXPECT_EQ(writeMasterFile(nullptr, kSlotMaster, catalogue), 1);
    EXPECT_EQ(read_file("SAVE/mstrcals.dat"), kEmptyMaster);
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].text, "Error opening UPDATE\\clublog.scp:\nNo such file or directory");

    ASSERT_EQ(std::system("cd zipped && zip -q ../UPDATE/clublog.scp.zip clublog.scp"), 0);
    EXPECT_EQ(writeMasterFile(nullptr, kSlotMaster, catalogue), 1);
    EXPECT_EQ(decode_master(read_file("SAVE/mstrcals.dat")).calls, (std::vector<std::string>{"G4ABC", "W1AW"}));
    EXPECT_EQ(dialogs.shown.size(), 1u);
}
