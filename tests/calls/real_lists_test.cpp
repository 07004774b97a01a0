// Published callsign lists run through the readers and writers; skipped when the
// folder of real lists is not there (KSTLUPD_REALDATA, else ../shared/realdata).
#include <algorithm>
#include <cctype>
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

#define REQUIRE_LIST(var, name)        \
    std::string var = real_list(name); \
    if (var.empty()) GTEST_SKIP() << name << " is not available"

// How many lines of a list reach validation in a reader with a buffer of `buffer`
// bytes that cuts each line at the first of `cut`.
int lines_validated(const std::string& bytes, size_t buffer, const char* cut, bool alnum_first)
{
    int count = 0;
    for (size_t at = 0, length = 0; at < bytes.size(); at += length) {
        length = 0;
        while (at + length < bytes.size() && length < buffer - 1 && bytes[at + length++] != '\n') {}
        std::string line = bytes.substr(at, length);
        line.resize(std::min(line.size(), line.find_first_of(cut)));
        if (!line.empty() && (!alnum_first || std::isalnum(static_cast<unsigned char>(line[0])))) ++count;
    }
    return count;
}

// Every stored callsign: only A-Z, 0-9 and '/', no operating suffix left, strictly
// ascending. (Validating it again may fail: "K0I/P" is valid and is stored as "K0I".)
::testing::AssertionResult well_stored(const std::vector<std::string>& calls)
{
    for (size_t i = 0; i < calls.size(); ++i) {
        std::string call = calls[i];
        if (call.empty() || call.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789/") != std::string::npos ||
            stripCallSuffix(call.data()) != calls[i] || (i > 0 && !(calls[i - 1] < calls[i])))
            return ::testing::AssertionFailure() << "at \"" << calls[i] << "\"";
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
    // good + invalid of a reader's closing line must be the lines it validated.
    void expect_all_counted(const char* name, const std::string& bytes, size_t buffer, const char* cut, bool alnum)
    {
        auto [good, invalid] = read_counts(log_text(), name);
        EXPECT_GT(good, 0) << name;
        EXPECT_EQ(good + invalid, lines_validated(bytes, buffer, cut, alnum)) << name;
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
    int line = 0;
    for (size_t at = 0, end = 0; at < scp.size(); at = end) {
        end = std::min(scp.find('\n', at), scp.size() - 1) + 1;
        numbered += std::to_string(++line) + " " + scp.substr(at, end - at);
    }
    write_file("UPDATE/MASTER.LIS", numbered);
    selections.sel[kSlotClubLog] = 1;
    selections.sel[kSlotSuperCheck] = 1;

    ASSERT_EQ(writeMasterFile(nullptr, kSlotMaster, catalogue), 1);
    MasterFile file = decode_master(read_file("SAVE/mstrcals.dat"));
    ASSERT_TRUE(file.well_formed);
    EXPECT_TRUE(well_stored(file.calls));
    expect_all_counted("UPDATE\\clublog.scp.zip", clublog, 64, "\r\n", false);
    auto [scp_good, scp_invalid] = read_counts(log_text(), "UPDATE\\MASTER.LIS");
    EXPECT_EQ(scp_good + scp_invalid, line);
    for (const char* call : {"2E0COX", "4X1RE", "5B/G3RWF", "AE4X/KP4", "AA5TL/OR"}) {
        EXPECT_TRUE(contains(file.calls, call)) << call;
    }
    EXPECT_FALSE(contains(file.calls, "2E0CVN/70"));
    EXPECT_TRUE(dialogs.shown.empty());
}

TEST_F(RealLists, MembershipFileFromPublishedLists)
{
    REQUIRE_LIST(eqsl, "AGMemberList.2019-10-20.crlf.txt");
    REQUIRE_LIST(lotw, "lotw1.2019-10.crlf.txt");
    REQUIRE_LIST(roster, "cwops-roster.2014-12.crlf.csv");
    REQUIRE_LIST(history, "cwops-callhistory.2024-01-26.csv");
    REQUIRE_LIST(crOnly, "cwops-roster.2011.cr-only.csv");
    write_file("UPDATE/AGMemberList.txt", eqsl);
    write_file("UPDATE/lotw1.txt", lotw);
    write_file("UPDATE/OQRS.txt", roster);
    write_file("UPDATE/CWOPS_csv2.txt", history);
    write_file("member.txt", crOnly);  // lone CRs end no line: one record per piece of 259
    for (int i = 0; i < 5; ++i) selections.sel[21 + i] = static_cast<uint8_t>("ELOCC"[i]);

    ASSERT_EQ(writeMembershipFile(nullptr, kSlotMembership, catalogue), 1);
    MembershipFile file = decode_membership(read_file("SAVE/members.dat"));
    ASSERT_TRUE(file.well_formed);
    EXPECT_EQ(file.declared, file.records.size());
    std::vector<std::string> calls;
    for (const MemberRecord& r : file.records) {
        calls.push_back(r.call);
        // One to four IDs, each once, in the order of the sources.
        std::string order = "ELOC";
        ASSERT_TRUE(!r.ids.empty() && r.ids.size() <= 4) << r.call;
        for (size_t i = 0; i < r.ids.size(); ++i) {
            ASSERT_NE(order.find(r.ids[i]), std::string::npos) << r.call;
            ASSERT_TRUE(i == 0 || order.find(r.ids[i - 1]) < order.find(r.ids[i])) << r.call;
        }
    }
    EXPECT_TRUE(well_stored(calls));
    expect_all_counted("UPDATE\\AGMemberList.txt", eqsl, 260, ",\r\n", true);
    expect_all_counted("UPDATE\\lotw1.txt", lotw, 260, ",\r\n", true);
    expect_all_counted("UPDATE\\OQRS.txt", roster, 260, ",\r\n", true);
    expect_all_counted("UPDATE\\CWOPS_csv2.txt", history, 260, ",\r\n", true);
    expect_all_counted("member.txt", crOnly, 260, ",\r\n", true);
    for (const char* call : {"2E0FVL", "2A0VNW", "DG3PJ", "4X1DF"}) EXPECT_TRUE(contains(calls, call)) << call;
    EXPECT_FALSE(contains(calls, "108FB010"));
    EXPECT_TRUE(dialogs.shown.empty());
}

TEST_F(RealLists, OtherPublishedForms)
{
    REQUIRE_LIST(scp, "MASTER.SCP.2019-10-02.crlf.txt");
    REQUIRE_LIST(activity, "lotw-user-activity.2020-09-20.head2MB.csv");
    DataSource source;
    source.downloadPath = "scp";
    FILE* in = stream_of(scp);
    CallSet master;
    readCallPerLine(in, &master, source);
    std::fclose(in);
    source.downloadPath = "activity";
    in = stream_of(activity);
    CallSet members;
    readMemberList(in, &members, source, 'L');
    std::fclose(in);

    for (const CallSet* set : {&master, &members}) {
        std::vector<std::string> calls;
        for_each_call(*set, [&](const CallEntry& e) { calls.push_back(e.callsign); });
        EXPECT_TRUE(well_stored(calls));
        EXPECT_TRUE(contains(calls, set == &master ? "6M0NR/4" : "2A/DJ6AU"));
    }
    expect_all_counted("scp", scp, 64, "\r\n", false);
    expect_all_counted("activity", activity, 260, ",\r\n", true);
}
