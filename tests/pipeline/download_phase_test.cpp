#include "pipeline/download_phase.h"

#include "net/http_fetch.h"
#include "support/http_server.h"
#include "support/run_fixture.h"

namespace {

constexpr int64_t kServerTime = 1764000000;  // 24-Nov-2025 16:00 UTC

class DownloadPhase : public RunTest {
protected:
    void SetUp() override
    {
        RunTest::SetUp();
        select_nothing();
        proxy = "127.0.0.1:" + std::to_string(server.port());
        g_config.session = openSession(proxy.c_str());
        ASSERT_NE(g_config.session, nullptr);
    }
    void TearDown() override
    {
        closeSession(g_config.session);
        g_config.session = nullptr;
        RunTest::TearDown();
    }
    size_t gets_of(const std::string& path)
    {
        size_t n = 0;
        for (const auto& r : server.requests())
            if (r.method == "GET" && r.target.find(path) != std::string::npos) ++n;
        return n;
    }

    HttpServer server;
    std::string proxy;
};

TEST_F(DownloadPhase, NewerCopyIsFetchedOnceAndStampedWithTheServersTime)
{
    server.add("/kestrl/WPX/KESTRL.WPX", "fresh", kServerTime);
    write_file("SAVE/KESTRL.WPX", "installed");
    write_file("UPDATE/KESTRL.WPX", "copy");
    set_mtime("UPDATE/KESTRL.WPX", kServerTime - 1);
    selections->sel[18] = 1;
    EXPECT_EQ(downloadSource(nullptr, 18, &catalogue.slot[18]), 1);
    EXPECT_EQ(read_file("UPDATE/KESTRL.WPX"), "fresh");
    EXPECT_EQ(mtime_of("UPDATE/KESTRL.WPX"), kServerTime);
    // The progress line was shown and then replaced by the result.
    EXPECT_EQ(status.lines, (std::vector<std::string>{"Downloaded:  CQ WPX Honor Roll (WPX) -- 24-Nov-2025 16:00"}));
    EXPECT_EQ(selections->upd[18], 1);

    // The copy now carries the server's time: the next look finds it current.
    selections->upd[18] = 0;
    EXPECT_EQ(downloadSource(nullptr, 18, &catalogue.slot[18]), 0);
    EXPECT_EQ(status.lines.back(), "CQ WPX Honor Roll (WPX) -- 24-Nov-2025 16:00");
    EXPECT_EQ(gets_of("KESTRL.WPX"), 2u);
    EXPECT_EQ(read_file("UPDATE/KESTRL.WPX"), "fresh");
    EXPECT_NE(log_text().find("\nCQ WPX Honor Roll (WPX) -- 24-Nov-2025 16:00\n"), std::string::npos);
}

TEST_F(DownloadPhase, MissingTargetOfARequiredSourceIsFetchedUnselected)
{
    server.add("/kestrl/WPX/KESTRL.WPX", "fresh", kServerTime);
    write_file("UPDATE/KESTRL.WPX", "copy");
    set_mtime("UPDATE/KESTRL.WPX", kServerTime);  // the copy is current, the target is not there
    g_config.debug = 1;
    EXPECT_EQ(downloadSource(nullptr, 18, &catalogue.slot[18]), 1);
    EXPECT_EQ(read_file("UPDATE/KESTRL.WPX"), "fresh");
    EXPECT_NE(log_text().find("DEBUG:\t  SAVE\\KESTRL.WPX does not exist, must download it.\n"), std::string::npos);

    // With the target there, an unselected required source is only a debug line.
    write_file("SAVE/KESTRL.WPX", "installed");
    selections->upd[18] = 0;
    EXPECT_EQ(downloadSource(nullptr, 18, &catalogue.slot[18]), 0);
    EXPECT_NE(log_text().find("DEBUG:\tCQ WPX Honor Roll (WPX) is not selected.\n"), std::string::npos);
    EXPECT_EQ(gets_of("KESTRL.WPX"), 1u);

    // An unselected optional source is passed over without a line or a request.
    downloadUpdates(nullptr);
    EXPECT_EQ(gets_of("fulllist.xml"), 0u);
    for (const auto& line : status.lines) EXPECT_EQ(line.find("IOTA"), std::string::npos) << line;
}

TEST_F(DownloadPhase, FailuresCountAsInternetErrors)
{
    server.add("/kestrl/WPX/KESTRL.WPX", "fresh", kServerTime, 200, kServeNoLastModified);
    server.add("/xml/fulllist.xml", "<iota>cut short</iota>", kServerTime, 200, kServeCutShort);
    write_file("SAVE/KESTRL.WPX", "installed");
    write_file("UPDATE/fulllist.xml", "old list");
    selections->sel[18] = selections->sel[7] = 1;
    g_config.autoMode = 1;  // reports only in the log
    EXPECT_EQ(downloadSource(nullptr, 18, &catalogue.slot[18]), 0);
    EXPECT_EQ(downloadSource(nullptr, 7, &catalogue.slot[7]), 0);
    EXPECT_EQ(g_config.errorCount, 2u);
    EXPECT_EQ(read_file("UPDATE/fulllist.xml"), "old list");
    const std::string log = log_text();
    EXPECT_NE(log.find("CQ WPX Honor Roll (WPX) -- Internet Error\n"), std::string::npos);
    EXPECT_NE(log.find("IOTA Islands (XML) -- Internet Error\n"), std::string::npos);
    EXPECT_TRUE(status.lines.empty());  // -auto never addresses the list
    EXPECT_EQ(selections->upd[7], 0);
}

TEST_F(DownloadPhase, FailedFetchRemovesItsProgressLine)
{
    server.add("/xml/fulllist.xml", "<iota/>", kServerTime, 200, kServeCutShort);
    selections->sel[7] = 1;
    status.lines = {"earlier line"};
    EXPECT_EQ(downloadSource(nullptr, 7, &catalogue.slot[7]), 0);
    EXPECT_EQ(status.lines, (std::vector<std::string>{"earlier line", "IOTA Islands (XML) -- Internet Error"}));
}

TEST_F(DownloadPhase, GroupRebuiltWithoutFetchingWhenListIdsChanged)
{
    selections->ini[21] = 'E';
    selections->sel[21] = 'Q';  // a new ID, but the membership target itself is not selected
    downloadGroup(nullptr, 11, kMembershipSources);
    EXPECT_EQ(selections->upd[11], 1);
    EXPECT_TRUE(server.requests().empty());
}

TEST_F(DownloadPhase, DeselectedSourceAndFailingSourceInAGroup)
{
    write_file("KESTRL.MAS2", "members");
    selections->sel[11] = 1;
    selections->ini[22] = 'L';  // LoTW was on at the last save, is off now
    downloadGroup(nullptr, 11, kMembershipSources);
    EXPECT_EQ(selections->upd[11], 1);
    EXPECT_TRUE(server.requests().empty());

    // A selected group whose own target is missing is rebuilt; present, it is not.
    selections->sel[10] = 1;
    downloadGroup(nullptr, 10, kMasterCallSources);
    EXPECT_EQ(selections->upd[10], 1);
    write_file("KESTRL.MAS1", "x");
    selections->upd[10] = 0;
    downloadGroup(nullptr, 10, kMasterCallSources);
    EXPECT_EQ(selections->upd[10], 0);

    // One source fetched, another failing: the group keeps the fetched verdict.
    selections->upd[11] = 0;
    selections->ini[22] = 0;
    selections->sel[21] = 'E';
    selections->sel[23] = 'O';
    server.add("/qslcard/DownloadedFiles/AGMemberList.txt", "K1ABC\r\n", kServerTime);
    server.add("/lists/OQRS.txt", "W1AW\r\n", kServerTime, 200, kServeNoLastModified);
    downloadGroup(nullptr, 11, kMembershipSources);
    EXPECT_EQ(selections->upd[11], 1);
    EXPECT_EQ(selections->upd[21], 1);
    EXPECT_EQ(selections->upd[23], 0);
    EXPECT_EQ(g_config.errorCount, 1u);
    EXPECT_EQ(read_file("UPDATE/AGMemberList.txt"), "K1ABC\r\n");
}

}  // namespace
