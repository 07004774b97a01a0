// The master and membership files: their readers, their byte layouts, and failures
// that leave the old file; and the recorded outputs of every converter.
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "calendar/calendar_file.h"
#include "calls/master_file.h"
#include "calls/membership_file.h"
#include "catalogue/catalogue.h"
#include "catalogue/selections.h"
#include "nodes/node_merge.h"
#include "support/app_fixture.h"

namespace {

FILE* (*g_real_open)(const char*, const char*) = nullptr;

std::string fnv(const std::string& bytes)
{
    uint64_t h = 0xcbf29ce484222325ull;
    for (unsigned char c : bytes) h = (h ^ c) * 0x100000001b3ull;
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(h));
    return text;
}

struct Random {
    uint64_t state = 0x9E3779B97F4A7C15ull;
    uint32_t below(uint32_t n)
    {
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        return static_cast<uint32_t>(state >> 16) % n;
    }
};

const char* const kListFiles[] = {"UPDATE/clublog.scp", "UPDATE/MASTER.LIS", "UPDATE/AGMemberList.txt",
                                  "UPDATE/lotw1.txt",   "UPDATE/OQRS.txt",   "UPDATE/CWOPS_csv2.txt",
                                  "member.txt"};

// A list line from a small universe, so that lists overlap and repeat: suffixes,
// lower case, slashed zeros, trailing junk, refused and over-long texts.
std::string call_line(Random* r)
{
    static const char* const kTails[] = {"", "", "", "", "/P", "/MM", "/QRP", "/M1", "/5", " .", "/KIWI"};
    std::string call{char('A' + r->below(26))};
    if (r->below(2)) call += char('A' + r->below(26));
    call += char('0' + r->below(10));
    for (uint32_t i = 0, n = 1 + r->below(3); i < n; ++i) call += char('A' + r->below(4));
    call = (r->below(9) == 0 ? "VP2E/" : "") + call + kTails[r->below(11)];
    switch (r->below(24)) {
    case 0:
        for (char& c : call) c = char(std::tolower(c));
        break;
    case 1: call[call.size() / 2] = char(0xD8); break;
    case 2: call = "SWL-" + call; break;
    case 3: call += std::string(70, 'K'); break;
    case 4: call = ""; break;
    default: break;
    }
    return call;
}

}  // namespace

// A logging-program folder with the version-9 catalogue and -debug on; the master-file
// suite shares it.
class Membership : public AppTest {
protected:
    void SetUp() override
    {
        AppTest::SetUp();
        g_config.debug = 1;
        build_catalogue(&catalogue, "9.0.0.1", 10);
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
    // Master and membership files of the lists now in place, with their count lines.
    std::string call_files()
    {
        const size_t log_start = log_text().size();
        const char ids[] = {1, 1, 'E', 'L', 'O', 'L', 'U'};
        for (int i = 0; i < 7; ++i) selections.sel[19 + i] = uint8_t(ids[i]);
        EXPECT_EQ(writeMasterFile(nullptr, kSlotMaster, catalogue, selections, &errorCount) +
                      writeMembershipFile(nullptr, kSlotMembership, catalogue, selections, &errorCount),
                  2);
        std::string counts, log = log_text().substr(log_start);
        for (const char* part : {" calls from ", " calls to "})
            for (size_t at = log.find(part); at != std::string::npos; at = log.find(part, at + 1))
                counts += log.substr(log.rfind('\n', at) + 1, log.find('\n', at) - log.rfind('\n', at));
        return fnv(read_file("SAVE/mstrcals.dat")) + " " + fnv(read_file("SAVE/members.dat")) + " " + fnv(counts);
    }
    std::string realdata(const char* name)
    {
        const char* dir = std::getenv("KSTLUPD_REALDATA");
        return read_file(std::string(dir && *dir ? dir : KSTLUPD_SOURCE_DIR "/../shared/realdata") + "/" + name);
    }
    Catalogue catalogue;
    Selections selections;
    uint32_t errorCount = 0;
};

using MasterCalls = Membership;
// The files every converter writes from generated and from published lists, pinned by
// checksums recorded from an earlier, independently built version: whatever orders
// and de-duplicates the records must give the same bytes, logs included.
using RecordedOutputs = Membership;

TEST_F(MasterCalls, BothSourcesByteForByteMissingOneReportedFullDiskKeepsTheFile)
{
    write_file("SAVE/mstrcals.dat", "old content");
    EXPECT_EQ(writeMasterFile(nullptr, kSlotMaster, catalogue, selections, &errorCount), 1);  // nothing selected
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
    EXPECT_EQ(writeMasterFile(nullptr, kSlotMaster, catalogue, selections, &errorCount), 1);
    // Each callsign with bit 7 of its first byte set, in ascending order; 0xFF last.
    // clang-format off
    EXPECT_EQ(read_file("SAVE/mstrcals.dat"), "KSTLMAS1\x0C" "\xC1" "A1AA" "\xC4" "L1XYZ" "\xC7" "4ABC" "\xCE" "0CALL"
                                              "\xD7" "1AW" "\xDA" "L/G4ABC" "\xFF");
    // clang-format on
    expect_logged({" is not a valid call", "K1A is not a valid call", "K1B is not a valid call",
                   "        Read 5 good, 5 invalid calls from UPDATE\\clublog.scp.zip",
                   "        Read 3 good, 1 invalid calls from UPDATE\\MASTER.LIS",
                   "    Super Check Partial was updated", "  Wrote 6 master calls to SAVE\\mstrcals.dat"});

    // A source that is not there is reported and the other still read.
    std::remove("UPDATE/clublog.scp");
    // clang-format off
    const std::string reduced = "KSTLMAS1\x0C\xC7" "4ABC\xD7" "1AW\xDA" "L/G4ABC\xFF";
    // clang-format on
    EXPECT_EQ(writeMasterFile(nullptr, kSlotMaster, catalogue, selections, &errorCount), 1);
    EXPECT_EQ(read_file("SAVE/mstrcals.dat"), reduced);
    EXPECT_EQ(dialogs.shown.at(0).text, "Error opening UPDATE\\clublog.scp:\nNo such file or directory");
    EXPECT_EQ(dialogs.shown.at(0).title, "File Open");

    selections.sel[kSlotClubLog] = 0;
    fill_disk_on_write();
    EXPECT_EQ(writeMasterFile(nullptr, kSlotMaster, catalogue, selections, &errorCount), 0);
    EXPECT_EQ(read_file("SAVE/mstrcals.dat"), reduced);
    EXPECT_EQ(temp_files_in("SAVE"), "");
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
    ASSERT_EQ(writeMasterFile(nullptr, kSlotMaster, catalogue, selections, &errorCount), 1);
    // clang-format off
    EXPECT_EQ(read_file("SAVE/mstrcals.dat"), "KSTLMAS1\x0C\xCB" "1ABC\xFF");
    // clang-format on

    write_file("UPDATE/clublog.scp", "G4XYZ\r\n");
    ASSERT_EQ(std::system("cd UPDATE && zip -q clublog.scp.zip clublog.scp"), 0);
    write_file("UPDATE/clublog.scp", "stale\r\n");
    ASSERT_EQ(writeMasterFile(nullptr, kSlotMaster, catalogue, selections, &errorCount), 1);
    // clang-format off
    EXPECT_EQ(read_file("SAVE/mstrcals.dat"), "KSTLMAS1\x0C\xC7" "4XYZ\xFF");
    // clang-format on
}

TEST_F(Membership, ListsCombineInSourceOrderByteForByteAndFullDiskKeepsTheFile)
{
    selections.sel[kSlotEqsl] = 'E';
    selections.sel[kSlotLotw] = 'L';
    selections.sel[kSlotCwOps] = 'L';                    // the same ID as LoTW: added once
    std::string longest = "K1" + std::string(253, 'A');  // as long as a length byte allows: one more is invalid
    // Skipped uncounted: empty, blank, not starting with a letter or digit. The header
    // sentence starts with a letter, so it is looked at (and refused).
    write_file("UPDATE/AGMemberList.txt", "List of AG members as of 20-Oct-2019 17:00 UTC\r\nG4ABC\r\n\r\n   \r\n"
                                          "\tW1AW\r\n-W1AW\r\nW1AW\r\n2a0vnw\r\n");
    // A line longer than 259 characters comes in pieces.
    write_file("UPDATE/lotw1.txt",
               "W1AW\r\nG4ABC/P\r\nK1ZZ" + std::string(255, ' ') + "DL1XYZ\r\n" + longest + "\n" + longest + "A\n");
    write_file("UPDATE/CWOPS_csv2.txt", "\"Call\",\"Name\"\n# comment, with a comma\nK1ZZ,Ken,3321,IL\nDL1XYZ,Al,\n");
    EXPECT_EQ(writeMembershipFile(nullptr, kSlotMembership, catalogue, selections, &errorCount), 1);
    // The record count (32 bits, little-endian), then per callsign its length, itself,
    // the number of its IDs and the IDs.
    // clang-format off
    EXPECT_EQ(read_file("SAVE/members.dat"), std::string("\x07MEMBERA\x06\0\0\0", 12) +
              "\x06" "2A0VNW" "\x01" "E"   "\x06" "DL1XYZ" "\x01" "L"   "\x05" "G4ABC" "\x02" "EL"
              "\xFF" + longest + "\x01" "L"   "\x04" "K1ZZ" "\x01" "L"   "\x04" "W1AW" "\x02" "EL");
    // clang-format on
    expect_logged({"G4ABC is now EL", "  Wrote 6 member calls to SAVE\\members.dat",
                   "        Read 3 good, 1 invalid calls from UPDATE\\AGMemberList.txt",
                   "        Read 5 good, 1 invalid calls from UPDATE\\lotw1.txt",
                   "        Read 2 good, 0 invalid calls from UPDATE\\CWOPS_csv2.txt"});

    std::string before = read_file("SAVE/members.dat");
    fill_disk_on_write();
    EXPECT_EQ(writeMembershipFile(nullptr, kSlotMembership, catalogue, selections, &errorCount), 0);
    EXPECT_EQ(read_file("SAVE/members.dat"), before);
    EXPECT_EQ(temp_files_in("SAVE"), "");
    EXPECT_EQ(dialogs.shown.at(0).text, "Error opening SAVE\\members.dat:\nNo space left on device");
}

// A sign-in page in place of a list never replaces the file, whatever the other lists
// give; with no file there yet, what there is is written. The user's own list is
// theirs to empty.
TEST_F(Membership, ListsThatGiveNoCallsignNeverReplaceTheFile)
{
    const std::string page = "<head><title>Sign in</title></head>\r\n"
                             "<body><form action=\"/login\">Callsign: <input name=\"call\"></form></body>\r\n";
    write_file("UPDATE/MASTER.LIS", page);
    write_file("UPDATE/AGMemberList.txt", page);
    write_file("UPDATE/lotw1.txt", "W1AW\r\n");
    write_file("SAVE/mstrcals.dat", "old master");
    write_file("SAVE/members.dat", "old members");
    selections.sel[kSlotSuperCheck] = 1;
    selections.sel[kSlotEqsl] = 'E';
    selections.sel[kSlotLotw] = 'L';
    EXPECT_EQ(writeMasterFile(nullptr, kSlotMaster, catalogue, selections, &errorCount), 0);
    EXPECT_EQ(writeMembershipFile(nullptr, kSlotMembership, catalogue, selections, &errorCount), 0);
    EXPECT_EQ(read_file("SAVE/mstrcals.dat"), "old master");
    EXPECT_EQ(read_file("SAVE/members.dat"), "old members");
    ASSERT_EQ(dialogs.shown.size(), 2u);
    EXPECT_EQ(dialogs.shown[0].text,
              "No callsign could be read from UPDATE\\MASTER.LIS: SAVE\\mstrcals.dat was not replaced");
    EXPECT_EQ(dialogs.shown[1].text,
              "No callsign could be read from UPDATE\\AGMemberList.txt: SAVE\\members.dat was not replaced");
    EXPECT_EQ(dialogs.shown[1].title, "No callsigns");
    EXPECT_EQ(errorCount, 2u);

    // A list that is not there empties nothing either; the install still fails when
    // there was no file to keep.
    for (const char* f : {"SAVE/mstrcals.dat", "SAVE/members.dat", "UPDATE/MASTER.LIS"}) std::remove(f);
    EXPECT_EQ(writeMasterFile(nullptr, kSlotMaster, catalogue, selections, &errorCount), 0);
    EXPECT_EQ(writeMembershipFile(nullptr, kSlotMembership, catalogue, selections, &errorCount), 0);
    EXPECT_EQ(read_file("SAVE/mstrcals.dat"), "KSTLMAS1\x0C\xFF");
    EXPECT_EQ(read_file("SAVE/members.dat"), std::string("\x07MEMBERA\x01\0\0\0\x04W1AW\x01L", 19));
    EXPECT_EQ(dialogs.shown.at(3).text, "No callsign could be read from UPDATE\\MASTER.LIS");  // it was not there
    EXPECT_EQ(errorCount, 4u);

    write_file("UPDATE/AGMemberList.txt", "W1AW\r\n");
    EXPECT_EQ(writeMembershipFile(nullptr, kSlotMembership, catalogue, selections, &errorCount), 1);
    EXPECT_EQ(read_file("SAVE/members.dat"), std::string("\x07MEMBERA\x01\0\0\0\x04W1AW\x02", 18) + "EL");
    selections.sel[kSlotEqsl] = selections.sel[kSlotLotw] = 0;
    selections.sel[kSlotCustomList] = 'U';
    write_file("member.txt", "# nobody yet\r\n");
    EXPECT_EQ(writeMembershipFile(nullptr, kSlotMembership, catalogue, selections, &errorCount), 1);
    EXPECT_EQ(read_file("SAVE/members.dat"), std::string("\x07MEMBERA\0\0\0\0", 12));
    EXPECT_EQ(errorCount, 4u);
}

TEST_F(Membership, IdsInFirstSeenOrderEachOnceAndTheLogCapped)
{
    // The reader logs line by line, up to a cap per kind; the counts still cover every line.
    CallSet set;
    std::string lines, expected;
    for (int i = 0; i < 120; ++i) {
        std::string call = "K1" + std::string{char('A' + i / 26), char('A' + i % 26)};
        EXPECT_EQ(addCall(&set, call.c_str(), 'E'), 1);
        // Raised to upper case before it is refused; "/M1" is stripped to nothing, uncounted.
        lines += call + "/P\nq" + call.substr(1) + (i % 2 ? "\n/M1\n" : "\n");
        if (i < 100)
            expected += "DEBUG:\t" + call + " is now EL\nDEBUG:\tQ" + call.substr(1) + " is not a valid call\n";
    }
    FILE* list = std::tmpfile();
    std::fwrite(lines.data(), 1, lines.size(), list);
    std::rewind(list);
    readMemberList(list, &set, DataSource{.downloadPath = "list", .targetPath = ""}, 'L');
    std::fclose(list);
    EXPECT_EQ(log_text(), expected + "DEBUG:\t20 more invalid calls\nDEBUG:\t20 more calls found in a further list\n"
                                     "DEBUG:\t        Read 120 good, 120 invalid calls from list\n");

    // IDs each once in the order first seen, at most seven; five are too many for a record.
    for (char id : std::string("EL\0EABCDEFGH", 12)) (void)addCall(&set, "K2AB", id);
    (void)addCall(&set, "W1AW", 0);
    sort_calls(&set);
    EXPECT_EQ(addCall(&set, "W1AW", 'E'), 0) << "a sorted set is final";
    std::vector<std::string> entries;
    for_each_call(set, [&](const CallEntry& e) {
        if (!e.callsign.starts_with("K1")) entries.push_back(std::string(e.callsign) + ":" + e.lists);
    });
    EXPECT_EQ(entries, (std::vector<std::string>{"K2AB:ELABCDF", "W1AW:"}));
    EXPECT_EQ(writeMemberRecords(nullptr, set), 120);
    expect_logged({"Too many lists: K2AB [ELABCDF]"});
}

using MembershipListIds = AppTest;

TEST_F(MembershipListIds, TidiedOrRejectedSayingWhy)
{
    std::array<std::string, 5> fields{"E", " ", "", "!", "_"};
    EXPECT_EQ(checkListIds(nullptr, &fields), 1);
    EXPECT_EQ(fields, (std::array<std::string, 5>{"E", "", "", "!", "_"}));

    // Five lists alone are refused by the settings window's own test.
    std::array<std::string, 5> invalid{"e", "`", "L", "\xE9", ""};
    EXPECT_EQ(checkListIds(nullptr, &invalid), 0);
    EXPECT_EQ(log_text(), "ERROR:\t[ e ]  is not a valid membership list ID.\n"
                          "[ ` ]  is not a valid membership list ID.\n"
                          "[ \\xE9 ]  is not a valid membership list ID.\n");

    // Five invalid IDs and too many lists do not fit the message buffer: cut, not overrun.
    std::array<std::string, 5> all{"a", "b", "c", "d", "~"};
    EXPECT_EQ(checkListIds(nullptr, &all), 0);
    std::string full;
    for (char id : std::string("abcd~")) full += std::string("[ ") + id + " ]  is not a valid membership list ID.\n";
    EXPECT_EQ(dialogs.shown.at(1).text, (full + "You can have no more than four (4) membership lists.").substr(0, 259));
}

TEST_F(RecordedOutputs, CallsignLists)
{
    Random r;
    for (int f = 0; f < 7; ++f) {
        std::string text;
        for (int i = 0; i < 12000; ++i)
            text += (f == 1 ? std::to_string(i) + " " : "") + call_line(&r) + (f == 5 ? ",Name,12,Town" : "") +
                    (r.below(5) ? "\r\n" : "\n");
        write_file(kListFiles[f], text);
    }
    EXPECT_EQ(call_files(), "2f123989e9d2c9f2 99f8a0976e58ef00 89d20100842e6459");

    const char* names[] = {"clublog.scp.2022-12.crlf.txt",
                           "MASTER.SCP.2022-06-03.crlf.txt",
                           "AGMemberList.2019-10-20.crlf.txt",
                           "lotw1.2019-10.crlf.txt",
                           "lotw-user-activity.2020-09-20.head2MB.csv",
                           "cwops-callhistory.2024-01-26.csv",
                           "cwops-roster.2014-12.crlf.csv"};
    for (int f = 0; f < 7; ++f) {
        std::string text = realdata(names[f]);
        if (text.empty()) GTEST_SKIP() << "shared sample data not found";
        for (size_t at = 0; f == 1 && at != std::string::npos; at = text.find('\n', at + 3))
            text.insert(at ? at + 1 : 0, "1 ");
        write_file(kListFiles[f], text);
    }
    EXPECT_EQ(call_files(), "6034f6a98836d680 a459c53117809f82 85b9c2333dc064c3");
}

TEST_F(RecordedOutputs, NodeListsAndCalendar)
{
    const std::string published = realdata("dxcluster-nodes.2025-11.crlf.txt");
    if (published.empty()) GTEST_SKIP() << "shared sample data not found";
    Random r;
    std::string lines[2];
    for (int i = 0; i < 1000; ++i) {
        std::string call = "N" + std::to_string(r.below(1500)) + (r.below(3) ? "" : "-" + std::to_string(r.below(9)));
        std::string line = call + (r.below(4) ? "" : ">l" + std::to_string(r.below(3))) + ",h" +
                           std::to_string(r.below(4)) + ":23" + (r.below(3) ? "" : "|x" + std::to_string(r.below(2)));
        if (r.below(40) == 0) line = "http://" + line;
        lines[r.below(2)] += line + "\r\n";
    }
    write_file("SAVE/KESTRL.TCP", "FAV1,f:1\r\n" + lines[1] + "LOCAL,127.0.0.1:1\r\nVERSION,1\r\n");
    write_file("UPDATE/KESTRL.TCP", lines[0] + published + "\r\nVERSION,2\r\n");
    g_config.autoMode = 1;
    g_config.debug = 0;
    DataSource source{.downloadPath = "UPDATE\\KESTRL.TCP", .targetPath = "SAVE\\KESTRL.TCP"};
    EXPECT_GT(mergeNodeList(nullptr, source), 1);
    std::string nodes = fnv(read_file("SAVE/KESTRL.TCP")) + " " + fnv(log_text());

    std::string json = "\xEF\xBB\xBF[";
    for (int i = 0; i < 6000; ++i) {
        char element[160];
        std::snprintf(element, sizeof element, "%s{\"s\":\"%d-%d-%d\",\"e\":\"%d/%d/%d\",\"t\":\"T%u\\r\\n%s\"%s}",
                      i ? "," : "", 2020 + int(r.below(8)), 1 + int(r.below(r.below(50) ? 12 : 14)),
                      1 + int(r.below(3)), 2020 + int(r.below(8)), 1 + int(r.below(12)), 1 + int(r.below(28)),
                      r.below(800), r.below(2) ? "x" : "", r.below(30) ? "" : ",\"n\":1");
        json += r.below(200) ? element : (i ? ",7" : "7");
    }
    write_file("UPDATE/kestrl.php", json + "]");
    selections.sel[kSlotCalendarSource] = 1;
    ASSERT_EQ(write_calendar(nullptr, kSlotCalendar, catalogue, selections, &errorCount), 1);
    EXPECT_EQ(nodes + " " + fnv(read_file("SAVE/calendar.dat")) + " " + fnv(log_text()),
              "09e868cf7321c683 f6e8fdd68b1bb672 d5842eec44d7093b f121dff7570ec632");
}
