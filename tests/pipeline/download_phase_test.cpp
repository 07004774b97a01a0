#include "pipeline/download_phase.h"

#include <ctime>

#include "catalogue/slots.h"
#include "net/http_fetch.h"
#include "pipeline/download_checks.h"
#include "pipeline/install_phase.h"
#include "support/http_server.h"
#include "support/mirror_server.h"
#include "support/run_fixture.h"
#include "support/stored_zip.h"

namespace {

constexpr int64_t kServerTime = 1764000000;  // 24-Nov-2025 16:00 UTC

class DownloadPhase : public RunTest {
protected:
    void SetUp() override
    {
        RunTest::SetUp();
        select_nothing();
        proxy = "127.0.0.1:" + std::to_string(server.port());
        run.session = openSession(proxy.c_str());
        ASSERT_NE(run.session, nullptr);
    }
    void TearDown() override
    {
        closeSession(run.session);
        RunTest::TearDown();
    }
    // The If-Modified-Since of the last request, "" without one.
    std::string last_condition()
    {
        const std::string h = server.requests().back().headers, name = "If-Modified-Since: ";
        const size_t at = h.find(name);
        return at == std::string::npos ? "" : h.substr(at + name.size(), h.find("\r\n", at) - at - name.size());
    }

    HttpServer server;
    std::string proxy;
};

TEST_F(DownloadPhase, CopyIsCurrentOnlyOnceInstalledAndThenAskedForConditionally)
{
    write_file("SAVE/KESTRL.WPX", "installed");
    write_file("UPDATE/KESTRL.WPX", "copy");
    set_mtime("UPDATE/KESTRL.WPX", kServerTime - 1);
    selections->sel[kSlotWpx] = 1;
    // One run a row: the server's date, whether the copy is fetched, and whether the
    // run then gets to install it.
    // clang-format off
    const struct { int64_t date; unsigned flags; int fetched; bool install; } rows[] = {
        {kServerTime, 0, 1, false},                     // newer than the copy
        {kServerTime, 0, 1, true},                      // fetched, never installed: again
        {kServerTime, 0, 0, false},                     // installed: 304
        {kServerTime, kServeIgnoreCondition, 0, false},  // a server deaf to the condition
        {kServerTime + 1, 0, 1, true},                  // one second newer
        {10413792000, 0, 1, true},                      // the year 2300: a broken server clock
        {10413792000, 0, 0, false},                     // the same again: current, headers only
        {kServerTime + 2, 0, 1, true},                  // its later, sane date still counts
    };
    // clang-format on
    const std::string marker = "UPDATE/KESTRL.WPX.~notinstalled";
    for (const auto& row : rows) {
        server.add("/kestrl/WPX/KESTRL.WPX", "fresh", row.date, 200, row.flags);
        const int64_t copy_time = mtime_of("UPDATE/KESTRL.WPX"), target_time = mtime_of("SAVE/KESTRL.WPX");
        const bool usable = copy_time != 0 && copy_time < kServerTime + 100 && !path_exists(marker);
        selections->upd[kSlotWpx] = 0;
        status.lines.clear();
        EXPECT_EQ(downloadSource(nullptr, &run, kSlotWpx, &catalogue.slot[kSlotWpx]), row.fetched) << row.date;
        EXPECT_EQ(last_condition(), usable ? http_date_text(copy_time) : "") << row.date;
        const std::string date = row.fetched ? result_date(row.date) : result_date(copy_time);
        EXPECT_EQ(status.lines, (std::vector<std::string>{(row.fetched ? "Downloaded:  " : "") +
                                                          std::string("CQ WPX Honor Roll (WPX) -- ") + date}));
        // The copy has the server's date at once; the marker keeps it from being current.
        EXPECT_EQ(mtime_of("UPDATE/KESTRL.WPX"), row.fetched ? row.date : copy_time);
        EXPECT_EQ(path_exists(marker), row.fetched == 1) << row.date;
        if (row.install) updateTargets(nullptr, &run);
        EXPECT_EQ(path_exists(marker), row.fetched && !row.install) << row.date;
        EXPECT_EQ(mtime_of("SAVE/KESTRL.WPX"), row.install ? row.date : target_time) << row.date;
    }
    EXPECT_NE(log_text().find("\nCQ WPX Honor Roll (WPX) -- 24-Nov-2025 16:00\n"), std::string::npos);

    // A failed fetch takes its progress line away, and leaves the installed copy
    // unmarked; one that cannot be marked is not fetched.
    server.add("/kestrl/WPX/KESTRL.WPX", "fresh", kServerTime + 9, 200, kServeCutShort);
    status.lines = {"earlier line"};
    EXPECT_EQ(downloadSource(nullptr, &run, kSlotWpx, &catalogue.slot[kSlotWpx]), 0);
    EXPECT_EQ(status.lines, (std::vector<std::string>{"earlier line", "CQ WPX Honor Roll (WPX) -- Internet Error"}));
    EXPECT_FALSE(path_exists(marker));
    server.add("/kestrl/WPX/KESTRL.WPX", "fresh", kServerTime + 9);
    make_dir(marker);  // in the way of the marker
    EXPECT_EQ(downloadSource(nullptr, &run, kSlotWpx, &catalogue.slot[kSlotWpx]), 0);
    EXPECT_EQ(dialogs.shown.back().text, "ERROR: Unable to open file \"UPDATE\\KESTRL.WPX.~notinstalled\" for write.");
    EXPECT_EQ(mtime_of("UPDATE/KESTRL.WPX"), kServerTime + 2);
}

TEST_F(DownloadPhase, MissingTargetOfARequiredSourceIsFetchedUnselected)
{
    server.add("/kestrl/WPX/KESTRL.WPX", "fresh", kServerTime);
    write_file("UPDATE/KESTRL.WPX", "copy");
    set_mtime("UPDATE/KESTRL.WPX", kServerTime);  // the copy is current, the target is not there
    g_config.debug = 1;
    EXPECT_EQ(downloadSource(nullptr, &run, kSlotWpx, &catalogue.slot[kSlotWpx]), 1);
    EXPECT_EQ(read_file("UPDATE/KESTRL.WPX"), "fresh");
    EXPECT_EQ(last_condition(), "");
    EXPECT_NE(log_text().find("DEBUG:\t  SAVE\\KESTRL.WPX does not exist, must download it.\n"), std::string::npos);

    // With the target there, an unselected required source is only a debug line.
    write_file("SAVE/KESTRL.WPX", "installed");
    selections->upd[kSlotWpx] = 0;
    EXPECT_EQ(downloadSource(nullptr, &run, kSlotWpx, &catalogue.slot[kSlotWpx]), 0);
    EXPECT_NE(log_text().find("DEBUG:\tCQ WPX Honor Roll (WPX) is not selected.\n"), std::string::npos);
    EXPECT_EQ(server.requests().size(), 1u);
}

TEST_F(DownloadPhase, FailuresCountAsInternetErrors)
{
    server.add("/kestrl/WPX/KESTRL.WPX", "fresh", kServerTime, 200, kServeNoLastModified);
    server.add("/xml/fulllist.xml", "<iota>cut short</iota>", kServerTime, 200, kServeCutShort);
    server.add("/kestrl.php", "<html>Back soon</html>", kServerTime);
    g_platform.app_data_folder = [](std::string* out) { return *out = "appdata", 1; };
    write_file("SAVE/KESTRL.WPX", "installed");
    write_file("UPDATE/fulllist.xml", "old list");
    selections->sel[kSlotWpx] = selections->sel[kSlotIota] = selections->sel[kSlotCalendarSource] = 1;
    g_config.autoMode = 1;  // reports only in the log
    EXPECT_EQ(downloadSource(nullptr, &run, kSlotWpx, &catalogue.slot[kSlotWpx]), 0);
    EXPECT_EQ(downloadSource(nullptr, &run, kSlotIota, &catalogue.slot[kSlotIota]), 0);
    // A page that is no calendar never becomes one, not even when there is no copy.
    EXPECT_EQ(downloadSource(nullptr, &run, kSlotCalendarSource, &catalogue.slot[kSlotCalendarSource]), 0);
    EXPECT_EQ(run.errorCount, 3u);
    EXPECT_EQ(read_file("UPDATE/fulllist.xml"), "old list");
    EXPECT_FALSE(path_exists("UPDATE/kestrl.php"));
    const std::string log = log_text();
    // An undated answer says why, once.
    EXPECT_NE(log.find("ERROR:\tHttpQueryInfo failed, the server sent no date\nhttp://updates.kstlupd.example/"
                       "kestrl/WPX/KESTRL.WPX\nCQ WPX Honor Roll (WPX) -- Internet Error\n"),
              std::string::npos)
        << log;
    EXPECT_NE(log.find("IOTA Islands (XML) -- Internet Error\n"), std::string::npos);
    EXPECT_NE(log.find("425 DX Calendar -- Internet Error\n"), std::string::npos);
    EXPECT_TRUE(status.lines.empty());  // -auto never addresses the list
    EXPECT_EQ(selections->upd[kSlotIota], 0);
}

// The calendar's server date says nothing: a changed calendar under an old date, from
// a server that answers If-Modified-Since, is seen.
TEST_F(DownloadPhase, CalendarIsAlwaysFetched)
{
    g_platform.app_data_folder = [](std::string* out) { return *out = "appdata", 1; };
    const int64_t installed = int64_t(std::time(nullptr)) - 3600;
    write_file("UPDATE/kestrl.php", R"([{"start":"2025-01-01","end":"2025-01-02","text":"old"}])");
    set_mtime("UPDATE/kestrl.php", installed);
    server.add("/kestrl.php", R"([{"start":"2025-01-01","end":"2025-01-02","text":"new"}])", kServerTime);
    selections->sel[kSlotCalendarSource] = 1;
    EXPECT_EQ(downloadSource(nullptr, &run, kSlotCalendarSource, &catalogue.slot[kSlotCalendarSource]), 1);
    EXPECT_EQ(last_condition(), "");
    EXPECT_EQ(read_file("UPDATE/kestrl.php"), R"([{"start":"2025-01-01","end":"2025-01-02","text":"new"}])");
    EXPECT_EQ(status.lines, (std::vector<std::string>{"Downloaded:  425 DX Calendar"}));
    // Not installed yet, the same calendar is due again; the lines above stay.
    selections->upd[kSlotCalendarSource] = 0;
    EXPECT_EQ(downloadSource(nullptr, &run, kSlotCalendarSource, &catalogue.slot[kSlotCalendarSource]), 1);
    EXPECT_EQ(status.lines, (std::vector<std::string>(2, "Downloaded:  425 DX Calendar")));
}

TEST_F(DownloadPhase, ChangedDeselectedAndFailingSourcesOfAGroup)
{
    selections->ini[kSlotEqsl] = 'E';
    selections->sel[kSlotEqsl] = 'Q';  // a new ID, but the membership target itself is not selected
    downloadGroup(nullptr, &run, kSlotMembership, kMembershipSources);
    EXPECT_EQ(selections->upd[kSlotMembership], 1);

    write_file("KESTRL.MAS2", "members");
    selections->upd[kSlotMembership] = 0;
    selections->sel[kSlotEqsl] = 0;
    selections->ini[kSlotEqsl] = 0;
    selections->sel[kSlotMembership] = 1;
    selections->ini[22] = 'L';  // LoTW was on at the last save, is off now
    downloadGroup(nullptr, &run, kSlotMembership, kMembershipSources);
    EXPECT_EQ(selections->upd[kSlotMembership], 1);
    EXPECT_TRUE(server.requests().empty());

    // A selected group whose own target is missing is rebuilt; present, it is not.
    selections->sel[kSlotMaster] = 1;
    downloadGroup(nullptr, &run, kSlotMaster, kMasterCallSources);
    EXPECT_EQ(selections->upd[kSlotMaster], 1);
    write_file("KESTRL.MAS1", "x");
    selections->upd[kSlotMaster] = 0;
    downloadGroup(nullptr, &run, kSlotMaster, kMasterCallSources);
    EXPECT_EQ(selections->upd[kSlotMaster], 0);

    // One source fetched, another failing: the group keeps the fetched verdict.
    selections->upd[kSlotMembership] = 0;
    selections->ini[22] = 0;
    selections->sel[kSlotEqsl] = 'E';
    selections->sel[kSlotOqrs] = 'O';
    server.add("/qslcard/DownloadedFiles/AGMemberList.txt", "K1ABC\r\n", kServerTime);
    server.add("/lists/OQRS.txt", "W1AW\r\n", kServerTime, 200, kServeNoLastModified);
    downloadGroup(nullptr, &run, kSlotMembership, kMembershipSources);
    EXPECT_EQ(selections->upd[kSlotMembership], 1);
    EXPECT_EQ(selections->upd[kSlotEqsl], 1);
    EXPECT_EQ(selections->upd[kSlotOqrs], 0);
    EXPECT_EQ(run.errorCount, 1u);
    EXPECT_EQ(read_file("UPDATE/AGMemberList.txt"), "K1ABC\r\n");
    // Its list is current only once the membership file is built.
    EXPECT_EQ(mtime_of("UPDATE/AGMemberList.txt"), kServerTime);
    EXPECT_TRUE(path_exists("UPDATE/AGMemberList.txt.~notinstalled"));
    EXPECT_FALSE(path_exists("UPDATE/OQRS.txt.~notinstalled"));
    markInstalled(catalogue, *selections, 11);
    EXPECT_FALSE(path_exists("UPDATE/AGMemberList.txt.~notinstalled"));
}

}  // namespace

namespace {

using DownloadChecks = RunTest;

// Pages in each opening a portal or error page was seen with, and files that only
// look like their kind, are refused by the check of the source they came for; what
// only resembles a page passes.
TEST_F(DownloadChecks, PagesAndFilesOfTheWrongKindAreRefused)
{
    std::string utf16le = "\xFF\xFE", utf16be = "\xFE\xFF";
    for (char c : std::string("\r\n<Html><body>Sign in</body></html>")) utf16le += std::string{c, 0};
    for (char c : std::string("<script>location='/login'</script>")) utf16be += std::string{0, c};
    const std::string zip = stored_zip("kestrl.cty", "K1ABC\r\n");
    std::string damaged = zip;
    damaged[30 + 10] = 'X';  // in the member's data
    const char* const page = "it is a web page";
    // clang-format off
    const struct { int slot; std::string body; const char* why; } rows[] = {
        {kSlotWpx, "\xEF\xBB\xBF \r\n\t<!doctype HTML>\n<p>Sign in", page},
        {kSlotWpx, "<?xml version=\"1.0\"?>\n<!DOCTYPE html PUBLIC \"-//W3C//DTD XHTML 1.0 Strict//EN\" \"x.dtd\">\n"
                   "<html xmlns=\"http://www.w3.org/1999/xhtml\">", page},
        {kSlotWpx, "<!-- portal -->\n<HTML lang=en>", page},
        {kSlotWpx, "<!DOCTYPE html>", page},
        {kSlotIota, "<head><title>Error</title></head>", page},
        {kSlotIota, utf16le, page},
        {kSlotIota, "Not found", "it is not an XML file"},
        {kSlotNodes, "<meta http-equiv=\"refresh\" content=\"0; url=http://portal.example/\">", page},
        {kSlotNodes, "K1ABC,dx.example:23\r\n  <p>Moved, here</p>\r\n", "it holds markup, not a node list"},
        {kSlotNodesKeepAlive, "VERSION,1\r\nhttp://portal.example/,x\r\nNo nodes today\r\n", "it holds no node line"},
        {kSlotSuperCheck, utf16be, page},
        {kSlotSuperCheck, "1 K1ABC\r\n2 W1" + std::string(1, '\0') + "W\r\n\t<div>K1ABC</div>\r\n", "it holds markup, not a list"},
        {kSlotSuperCheck, "K1ABC\r\nW1AW\r\n", "it holds no valid callsign"},  // not its form
        {kSlotLotw, "<frameset><frame src=\"/login\"></frameset>", page},
        {kSlotEqsl, "List of AG members\r\n#none\r\n", "it holds no valid callsign"},
        {kSlotCwOps, "<NOSCRIPT>Enable scripts</NOSCRIPT>", page},
        {kSlotOqrs, "\xEF\xBB\xBF<link rel=stylesheet href=a.css>\r\nK1ABC\r\n", page},
        {kSlotCalendarSource, "<title>Back soon</title>", "it is not a JSON array"},
        {kSlotCalendarSource, "[1,2,{\"start\":\"2025-01-01\"}]", "it holds no calendar event"},
        {kSlotCountry, "<style>body{}</style>", "it is not a zip archive"},
        {kSlotAwards, zip.substr(0, zip.size() - 30), "it is not a zip archive"},
        {kSlotClubLog, damaged, "a member of the archive is damaged"},
    };
    // clang-format on
    for (const auto& row : rows) {
        write_file("UPDATE/download", row.body);
        std::string why;
        EXPECT_FALSE(download_check(row.slot)("UPDATE/download", &why)) << row.slot << " " << row.body;
        EXPECT_EQ(why, row.why) << row.slot << " " << row.body;
    }
    const struct {
        int slot;
        std::string body;
    } good[] = {
        {kSlotWpx, "K1ABC <html>"},
        {kSlotWpx, "<htm"},
        {kSlotWpx, "\xEF\xBB<html>"},
        {kSlotIota, "\xEF\xBB\xBF<?xml version=\"1.0\"?>\n<!-- list -->\n<!DOCTYPE iota>\n<iota><island/></iota>"},
        {kSlotSuperCheck, "# K1ABC <b>\r\n1 K1ABC\r\n"},
        {kSlotCwOps, "\"Call\",\"Name\"\r\nK1ABC,Joe <b>\r\n"},
        {kSlotCalendarSource, "[7,{\"start\":\"2025-01-01\",\"end\":\"2025-01-02\",\"text\":\"<b>3Y0J</b>\"}]"},
        {kSlotCountry, zip}};
    for (const auto& row : good) {
        write_file("UPDATE/download", row.body);
        std::string why;
        EXPECT_TRUE(download_check(row.slot)("UPDATE/download", &why)) << row.slot << " " << row.body << ": " << why;
    }
}

// A check must never refuse a good file: every file of the sample mirror, and every
// published list kept beside the sources, passes the check of its source.
TEST_F(DownloadChecks, EverySampleAndPublishedFilePasses)
{
    ASSERT_TRUE(make_sample_data("sample", 500));
    int checked = 0;
    for (int slot = 0; slot < kSlotCount; ++slot) {
        const DataSource& source = catalogue.slot[slot];
        if (!source.remotePath) continue;
        const std::string path = std::string("sample/mirror/") + source.host + "/" + source.remotePath;
        if (!path_exists(path)) continue;
        std::string why;
        EXPECT_TRUE(download_check(slot)(path.c_str(), &why)) << path << ": " << why;
        ++checked;
    }
    EXPECT_GE(checked, 14);

    const char* dir = std::getenv("KSTLUPD_REALDATA");
    const std::string real = dir && *dir ? dir : KSTLUPD_SOURCE_DIR "/../shared/realdata";
    // Super Check Partial publishes its list with a number before each callsign.
    // clang-format off
    const struct { const char* name; int slot; bool numbered = false; bool passes = true; } published[] = {
        {"MASTER.SCP.2019-10-02.crlf.txt", kSlotSuperCheck, true}, {"MASTER.SCP.2022-06-03.crlf.txt", kSlotSuperCheck, true},
        {"clublog.scp.2022-12.crlf.txt", kSlotSuperCheck, true}, {"AGMemberList.2019-10-20.crlf.txt", kSlotEqsl},
        {"lotw1.2019-10.crlf.txt", kSlotLotw}, {"lotw-user-activity.2020-09-20.head2MB.csv", kSlotLotw},
        {"cwops-callhistory.2024-01-26.csv", kSlotCwOps}, {"cwops-roster.2014-12.crlf.csv", kSlotCwOps},
        {"cwops-roster.2011.cr-only.csv", kSlotCwOps}, {"dxcluster-nodes.2025-11.crlf.txt", kSlotNodes},
        // A roster with semicolons for commas: the membership reader takes no callsign
        // from it either, so it could only empty the membership file.
        {"cwops-members.2019-10.semicolon.txt", kSlotCwOps, false, false}};
    // clang-format on
    for (const auto& file : published) {
        std::string text = read_file(real + "/" + file.name);
        if (text.empty()) GTEST_SKIP() << "shared sample data not found";
        std::string numbered;
        for (size_t from = 0, end; file.numbered && from < text.size(); from = end)
            numbered += "1 " + text.substr(from, (end = std::min(text.find('\n', from), text.size() - 1) + 1) - from);
        write_file("UPDATE/published", file.numbered ? numbered : text);
        std::string why;
        EXPECT_EQ(download_check(file.slot)("UPDATE/published", &why), file.passes) << file.name << ": " << why;
    }
}

}  // namespace
