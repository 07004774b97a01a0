// Published callsign lists run through the readers and writers; skipped when the
// folder of real lists is not there (KSTLUPD_REALDATA, else ../shared/realdata).
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "calls/call_files.h"
#include "calls/callsign.h"
#include "calls/master_file.h"
#include "calls/membership_file.h"

namespace {

std::string real_list(const char* name)
{
    const char* env = std::getenv("KSTLUPD_REALDATA");
    std::string folder = env && *env ? env : std::string(KSTLUPD_SOURCE_DIR) + "/../shared/realdata";
    std::string path = folder + "/" + name;
    return path_exists(path) ? read_file(path) : std::string();
}

#define REQUIRE_LIST(var, name)                                   \
    std::string var = real_list(name);                            \
    if (var.empty()) GTEST_SKIP() << name << " is not available"

bool is_alnum(unsigned char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

// The lines of a list as a reader with a buffer of `buffer` bytes receives them, cut
// at the first of `cut`; counts those that get to validation.
int lines_validated(const std::string& bytes, size_t buffer, const char* cut, bool alnum_first)
{
    int count = 0;
    size_t at = 0;
    while (at < bytes.size()) {
        size_t length = 0;
        while (at + length < bytes.size() && length < buffer - 1) {
            if (bytes[at + length++] == '\n') break;
        }
        std::string line = bytes.substr(at, length);
        at += length;
        line.resize(std::min(line.size(), line.find_first_of(cut)));
        if (line.empty() || (alnum_first && !is_alnum(static_cast<unsigned char>(line[0])))) continue;
        ++count;
    }
    return count;
}

// What must hold for every stored callsign: only A-Z, 0-9 and '/', no operating
// suffix left, strictly ascending. (Validating it again may fail: "K0I/P" is a valid
// text that is stored as "K0I".)
::testing::AssertionResult well_stored(const std::vector<std::string>& calls)
{
    for (size_t i = 0; i < calls.size(); ++i) {
        const std::string& call = calls[i];
        if (call.empty() || call.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789/") != std::string::npos)
            return ::testing::AssertionFailure() << "bad characters in \"" << call << "\"";
        std::string again = call;
        if (std::string(stripCallSuffix(again.data())) != call)
            return ::testing::AssertionFailure() << "\"" << call << "\" is not in its stored form";
        if (i > 0 && !(calls[i - 1] < call))
            return ::testing::AssertionFailure() << "\"" << calls[i - 1] << "\" before \"" << call << "\"";
    }
    return ::testing::AssertionSuccess();
}

bool contains(const std::vector<std::string>& calls, const std::string& call)
{
    return std::binary_search(calls.begin(), calls.end(), call);
}

}  // namespace

class RealLists : public CallFilesTest {
protected:
    void SetUp() override
    {
        CallFilesTest::SetUp();
        g_config.debug = 1;
    }
};

TEST_F(RealLists, MasterFileFromClubLogArchiveAndSuperCheckPartial)
{
    REQUIRE_LIST(clublog, "clublog.scp.2022-12.crlf.txt");
    REQUIRE_LIST(scp, "MASTER.SCP.2022-06-03.crlf.txt");
    make_dir("zipped");
    write_file("zipped/clublog.scp", clublog);
    ASSERT_EQ(std::system("cd zipped && zip -q ../UPDATE/clublog.scp.zip clublog.scp"), 0);
    // No second-token list was published: number the lines of the plain one.
    std::string numbered;
    int scp_lines = 0;
    for (size_t at = 0; at < scp.size();) {
        size_t end = scp.find('\n', at);
        end = end == std::string::npos ? scp.size() : end + 1;
        numbered += std::to_string(++scp_lines) + " " + scp.substr(at, end - at);
        at = end;
    }
    write_file("UPDATE/MASTER.LIS", numbered);
    selections.sel[kSlotClubLog] = 1;
    selections.sel[kSlotSuperCheck] = 1;

    ASSERT_EQ(writeMasterFile(nullptr, kSlotMaster, catalogue), 1);
    MasterFile file = decode_master(read_file("SAVE/mstrcals.dat"));
    ASSERT_TRUE(file.well_formed);
    EXPECT_TRUE(well_stored(file.calls));

    std::string log = log_text();
    auto [clublog_good, clublog_invalid] = read_counts(log, "UPDATE\\clublog.scp.zip");
    EXPECT_EQ(clublog_good + clublog_invalid, lines_validated(clublog, 64, "\r\n", false));
    EXPECT_GT(clublog_invalid, 58);  // at least the lines with foreign characters
    auto [scp_good, scp_invalid] = read_counts(log, "UPDATE\\MASTER.LIS");
    EXPECT_EQ(scp_good + scp_invalid, scp_lines);
    EXPECT_GE(scp_invalid, 4);       // the comment block
    EXPECT_LE(file.calls.size(), size_t(clublog_good + scp_good));
    EXPECT_GT(file.calls.size(), size_t(clublog_good) / 2);

    EXPECT_TRUE(contains(file.calls, "2E0COX"));     // from 2E0COX/QRP
    EXPECT_TRUE(contains(file.calls, "4X1RE"));      // 4X1RE/P
    EXPECT_TRUE(contains(file.calls, "5B/G3RWF"));
    EXPECT_TRUE(contains(file.calls, "AE4X/KP4"));
    EXPECT_FALSE(contains(file.calls, "2E0CVN/70"));
    EXPECT_TRUE(dialogs.shown.empty());
}

TEST_F(RealLists, PlainSuperCheckPartialListPerLine)
{
    REQUIRE_LIST(scp, "MASTER.SCP.2019-10-02.crlf.txt");
    FILE* in = stream_of(scp);
    CallSet set;
    readCallPerLine(in, &set, catalogue.slot[kSlotClubLog]);
    std::fclose(in);
    std::vector<std::string> calls;
    for_each_call(set, [&](const CallEntry& e) { calls.push_back(e.callsign); });
    EXPECT_TRUE(well_stored(calls));
    auto [good, invalid] = read_counts(log_text(), "UPDATE\\clublog.scp.zip");
    EXPECT_EQ(good + invalid, lines_validated(scp, 64, "\r\n", false));
    EXPECT_TRUE(contains(calls, "2E0MGP"));          // 2E0MGP/P
    EXPECT_TRUE(contains(calls, "6M0NR/4"));
    EXPECT_TRUE(contains(calls, "4L/RC5A"));
}

TEST_F(RealLists, MembershipFileFromPublishedLists)
{
    REQUIRE_LIST(eqsl, "AGMemberList.2019-10-20.crlf.txt");
    REQUIRE_LIST(lotw, "lotw1.2019-10.crlf.txt");
    REQUIRE_LIST(roster, "cwops-roster.2014-12.crlf.csv");
    REQUIRE_LIST(history, "cwops-callhistory.2024-01-26.csv");
    REQUIRE_LIST(members, "cwops-members.2019-10.semicolon.txt");
    write_file("UPDATE/AGMemberList.txt", eqsl);
    write_file("UPDATE/lotw1.txt", lotw);
    write_file("UPDATE/OQRS.txt", roster);
    write_file("UPDATE/CWOPS_csv2.txt", history);
    write_file("member.txt", members);
    const char ids[] = {'E', 'L', 'O', 'C', 'C'};
    for (int i = 0; i < 5; ++i) selections.sel[21 + i] = static_cast<uint8_t>(ids[i]);

    ASSERT_EQ(writeMembershipFile(nullptr, kSlotMembership, catalogue), 1);
    MembershipFile file = decode_membership(read_file("SAVE/members.dat"));
    ASSERT_TRUE(file.well_formed);
    EXPECT_EQ(file.declared, file.records.size());
    std::vector<std::string> calls;
    for (const MemberRecord& r : file.records) {
        calls.push_back(r.call);
        ASSERT_GE(r.ids.size(), 1u);
        ASSERT_LE(r.ids.size(), 4u);
        for (size_t i = 0; i < r.ids.size(); ++i) {
            ASSERT_NE(std::strchr("ELOC", r.ids[i]), nullptr) << r.call;
            ASSERT_EQ(r.ids.find(r.ids[i]), i) << r.call << " has an ID twice";
        }
        // IDs come in the order of the sources.
        ASSERT_TRUE(std::is_sorted(r.ids.begin(), r.ids.end(), [](char a, char b) {
            return std::strchr("ELOC", a) < std::strchr("ELOC", b);
        })) << r.call;
    }
    EXPECT_TRUE(well_stored(calls));

    std::string log = log_text();
    struct Source {
        const char* name;
        const std::string* bytes;
    } sources[] = {{"UPDATE\\AGMemberList.txt", &eqsl},
                   {"UPDATE\\lotw1.txt", &lotw},
                   {"UPDATE\\OQRS.txt", &roster},
                   {"UPDATE\\CWOPS_csv2.txt", &history},
                   {"member.txt", &members}};
    for (const Source& s : sources) {
        auto [good, invalid] = read_counts(log, s.name);
        EXPECT_EQ(good + invalid, lines_validated(*s.bytes, 260, ",\r\n", true)) << s.name;
    }
    EXPECT_TRUE(contains(calls, "2E0FVL"));      // written with the slashed-zero byte
    EXPECT_TRUE(contains(calls, "2A0VNW"));      // lower case
    EXPECT_TRUE(contains(calls, "DG3PJ"));       // "DG3PJ,p"
    EXPECT_FALSE(contains(calls, "108FB010"));
    EXPECT_TRUE(dialogs.shown.empty());
}

TEST_F(RealLists, ActivityListAndCarriageReturnOnlyRoster)
{
    REQUIRE_LIST(activity, "lotw-user-activity.2020-09-20.head2MB.csv");
    REQUIRE_LIST(crOnly, "cwops-roster.2011.cr-only.csv");
    DataSource source;
    source.downloadPath = "activity";
    FILE* in = stream_of(activity);
    CallSet set;
    readMemberList(in, &set, source, 'L');
    std::fclose(in);
    source.downloadPath = "cr-only";
    in = stream_of(crOnly);
    readMemberList(in, &set, source, 'W');
    std::fclose(in);

    std::vector<std::string> calls;
    for_each_call(set, [&](const CallEntry& e) { calls.push_back(e.callsign); });
    EXPECT_TRUE(well_stored(calls));
    std::string log = log_text();
    auto [good, invalid] = read_counts(log, "activity");
    EXPECT_EQ(good + invalid, lines_validated(activity, 260, ",\r\n", true));
    EXPECT_GT(good, 70000);
    // The lone CRs are no line ends: only the first record of each piece counts.
    auto [cr_good, cr_invalid] = read_counts(log, "cr-only");
    EXPECT_EQ(cr_good + cr_invalid, lines_validated(crOnly, 260, ",\r\n", true));
    EXPECT_LE(cr_good + cr_invalid, int(crOnly.size() / 259 + 1));
}
