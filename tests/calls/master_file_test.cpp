#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "calls/call_files.h"
#include "catalogue/catalogue.h"
#include "calls/master_file.h"

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

}  // namespace

class MasterCalls : public CallFilesTest {};

TEST_F(MasterCalls, PerLineReaderCountsBlankOnlyLinesButNotEmptyOnes)
{
    g_config.debug = 1;
    FILE* in = stream_of("G4ABC\r\n\r\n\n   \r\ng4abc/p\nK1A\r\n2E\xD8" "FVL.\r\nDL1XYZ");
    CallSet set;
    EXPECT_EQ(readCallPerLine(in, &set, named("UPDATE\\clublog.scp")), set.root);
    std::fclose(in);
    EXPECT_EQ(calls_of(set), (std::vector<std::string>{"2E0FVL", "DL1XYZ", "G4ABC"}));
    std::string log = log_text();
    EXPECT_EQ(read_counts(log, "UPDATE\\clublog.scp"), std::make_pair(4, 2));
    EXPECT_NE(log.find("DEBUG:\t is not a valid call\n"), std::string::npos);  // the blanks, cleaned away
    EXPECT_NE(log.find("DEBUG:\tK1A is not a valid call\n"), std::string::npos);
}

TEST_F(MasterCalls, PerLineReaderTakesLongLinesInPiecesOf63)
{
    g_config.debug = 1;
    std::string exactly63 = "K1ABC" + std::string(58, ' ');
    std::string longer = "W1AW" + std::string(59, ' ') + "DL1XYZ";  // 63 + 6
    FILE* in = stream_of(exactly63 + "\n" + longer + "\r\n" + std::string(63, 'X') + "G4ABC\n");
    CallSet set;
    readCallPerLine(in, &set, named("list"));
    std::fclose(in);
    EXPECT_EQ(calls_of(set), (std::vector<std::string>{"DL1XYZ", "G4ABC", "K1ABC", "W1AW"}));
    EXPECT_EQ(read_counts(log_text(), "list"), std::make_pair(4, 1));  // the run of X is invalid
}

TEST_F(MasterCalls, SecondTokenReaderSkipsShortLinesUncounted)
{
    g_config.debug = 1;
    FILE* in = stream_of("1 G4ABC\r\n   \r\n\r\nONLY\r\n2 k1a extra tokens\n3  DL1XYZ/P\n4\tW1AW\n5 W1AW first\n");
    CallSet set;
    readCallSecondToken(in, &set, named("UPDATE\\MASTER.LIS"));
    std::fclose(in);
    EXPECT_EQ(calls_of(set), (std::vector<std::string>{"DL1XYZ", "G4ABC", "W1AW"}));
    // A tab is no separator: "4\tW1AW" is one token.
    EXPECT_EQ(read_counts(log_text(), "UPDATE\\MASTER.LIS"), std::make_pair(3, 1));
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
    std::string bytes = read_file("SAVE/mstrcals.dat");
    MasterFile file = decode_master(bytes);
    EXPECT_TRUE(file.well_formed);
    EXPECT_EQ(file.calls, (std::vector<std::string>{"AA1AA", "DL1XYZ", "G4ABC", "W1AW", "ZL/G4ABC"}));
    EXPECT_EQ(static_cast<unsigned char>(bytes[9]), 'A' + 0x80);
    std::string log = log_text();
    EXPECT_EQ(log.find("DEBUG:\t    Club Log was updated\n"), std::string::npos);
    EXPECT_NE(log.find("DEBUG:\t    Super Check Partial was updated\n"), std::string::npos);
    EXPECT_NE(log.find("DEBUG:\t  Wrote 5 master calls to SAVE\\mstrcals.dat\n"), std::string::npos);
    EXPECT_TRUE(dialogs.shown.empty());
    EXPECT_FALSE(path_exists("SAVE/mstrcals.dat.~new"));
}

TEST_F(MasterCalls, NothingSelectedGivesTheTenByteFile)
{
    write_file("UPDATE/MASTER.LIS", "1 G4ABC\r\n");
    write_file("SAVE/mstrcals.dat", "old content");
    EXPECT_EQ(writeMasterFile(nullptr, kSlotMaster, catalogue), 1);
    EXPECT_EQ(read_file("SAVE/mstrcals.dat"), std::string("KSTLMAS1\x0C\xFF", 10));

    // Selected, but no valid callsign in it: the same.
    selections.sel[kSlotSuperCheck] = 1;
    write_file("UPDATE/MASTER.LIS", "1 K1A\r\nheader\r\n");
    EXPECT_EQ(writeMasterFile(nullptr, kSlotMaster, catalogue), 1);
    EXPECT_EQ(read_file("SAVE/mstrcals.dat"), std::string("KSTLMAS1\x0C\xFF", 10));
}

TEST_F(MasterCalls, AMissingSourceIsReportedAndTheOtherStillRead)
{
    selections.sel[kSlotClubLog] = 1;
    selections.sel[kSlotSuperCheck] = 1;
    write_file("UPDATE/clublog.scp", "G4ABC\n");
    EXPECT_EQ(writeMasterFile(nullptr, kSlotMaster, catalogue), 1);
    EXPECT_EQ(decode_master(read_file("SAVE/mstrcals.dat")).calls, std::vector<std::string>{"G4ABC"});
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].text, "Error opening UPDATE\\MASTER.LIS:\nNo such file or directory");
    EXPECT_EQ(dialogs.shown[0].title, "File Open");
    EXPECT_EQ(log_text(), "ERROR:\tError opening UPDATE\\MASTER.LIS:\nNo such file or directory\n");
}

TEST_F(MasterCalls, TargetThatCannotBeCreatedFailsAndIsReported)
{
    g_config.autoMode = 1;
    g_config.masterSlot = 9;
    build_catalogue(&catalogue);
    catalogue.slot[kSlotMasterOld].targetPath = "NOFOLDER\\KESTRL.MAS";
    EXPECT_EQ(writeMasterFile(nullptr, kSlotMasterOld, catalogue), 0);
    EXPECT_TRUE(dialogs.shown.empty());
    EXPECT_EQ(log_text(), "ERROR:\tError opening NOFOLDER\\KESTRL.MAS:\nNo such file or directory\n");
}

TEST_F(MasterCalls, AFailedWriteLeavesTheOldFile)
{
    selections.sel[kSlotSuperCheck] = 1;
    write_file("UPDATE/MASTER.LIS", "1 G4ABC\r\n");
    write_file("SAVE/mstrcals.dat", "the old file");
    fill_disk_on_write();
    EXPECT_EQ(writeMasterFile(nullptr, kSlotMaster, catalogue), 0);
    EXPECT_EQ(read_file("SAVE/mstrcals.dat"), "the old file");
    EXPECT_FALSE(path_exists("SAVE/mstrcals.dat.~new"));
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].text, "Error opening SAVE\\mstrcals.dat:\nNo space left on device");
}

class ClubLogArchive : public CallFilesTest {
protected:
    // A zip archive at UPDATE/clublog.scp.zip holding the named files of folder "zipped".
    static void make_archive(const std::string& members)
    {
        std::string command = "cd zipped && zip -q -X ../UPDATE/clublog.scp.zip " + members;
        ASSERT_EQ(std::system(command.c_str()), 0);
    }
    void SetUp() override
    {
        CallFilesTest::SetUp();
        make_dir("zipped");
        selections.sel[kSlotClubLog] = 1;
    }
};

TEST_F(ClubLogArchive, TheMemberIsUnpackedAndRead)
{
    write_file("zipped/clublog.scp", "W1AW\r\nG4ABC/P\r\n");
    make_archive("clublog.scp");
    write_file("UPDATE/clublog.scp", "K1ZZ\r\n");  // an older extraction, replaced
    EXPECT_EQ(writeMasterFile(nullptr, kSlotMaster, catalogue), 1);
    EXPECT_EQ(decode_master(read_file("SAVE/mstrcals.dat")).calls, (std::vector<std::string>{"G4ABC", "W1AW"}));
    EXPECT_TRUE(dialogs.shown.empty());
}

TEST_F(ClubLogArchive, WithoutTheMemberThePreviousExtractionIsRead)
{
    write_file("zipped/other.txt", "W1AW\r\n");
    make_archive("other.txt");
    write_file("UPDATE/clublog.scp", "K1ZZ\r\n");
    EXPECT_EQ(writeMasterFile(nullptr, kSlotMaster, catalogue), 1);
    EXPECT_EQ(decode_master(read_file("SAVE/mstrcals.dat")).calls, std::vector<std::string>{"K1ZZ"});
    EXPECT_TRUE(dialogs.shown.empty());

    std::remove("UPDATE/clublog.scp");
    EXPECT_EQ(writeMasterFile(nullptr, kSlotMaster, catalogue), 1);
    EXPECT_EQ(read_file("SAVE/mstrcals.dat"), std::string("KSTLMAS1\x0C\xFF", 10));
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].text, "Error opening UPDATE\\clublog.scp:\nNo such file or directory");
}
