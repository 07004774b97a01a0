// The calendar check against the loopback server: fetched on every run into the
// staging folder, moved into UPDATE only when its content changed.
#include <algorithm>
#include <cstdio>
#include <ctime>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "calendar/calendar_download.h"
#include "catalogue/catalogue.h"
#include "net/net_fixture.h"

namespace {

std::string g_app_data;
std::vector<std::string> g_status_lines;
std::vector<InetHandle*> g_closed;
void (*g_real_close)(InetHandle*) = nullptr;

int test_app_data(std::string* out)
{
    *out = g_app_data;
    return 1;
}

int no_app_data(std::string*)
{
    return 0;
}

void record_status(Window*, const char* text, int index)
{
    g_status_lines.push_back(std::to_string(index) + " " + text);
}

void record_close(InetHandle* handle)
{
    g_closed.push_back(handle);
    g_real_close(handle);
}

const std::string kCalendar =
    R"([{"start":"2022-06-24","end":"2022-06-30","text":"3Y0J Bouvet"},)"
    R"({"start":"2022-07-01","end":"2022-07-09","text":"VP8 South Orkney"}])";
const std::string kCalendarRespelled =
    "[ {\"start\": \"2022-06-24\", \"end\": \"2022-06-30\", \"text\": \"3Y0J\\u0020Bouvet\"},\r\n"
    "  {\"start\": \"2022-07-01\", \"end\": \"2022-07-09\", \"text\": \"VP8 South Orkney\"} ]\r\n";
constexpr int64_t kOldCopyTime = 1600000000;

class CalendarDownload : public NetTest {
protected:
    void SetUp() override
    {
        NetTest::SetUp();
        g_app_data = "appdata/share";  // missing, like the data folder of a fresh account
        g_status_lines.clear();
        g_closed.clear();
        g_real_close = g_platform.inet_close;
        g_platform.app_data_folder = test_app_data;
        g_platform.status_insert = record_status;
        g_platform.inet_close = record_close;
        g_config.hostVersion = "8.6.0.1";
        g_config.masterSlot = 10;
        build_catalogue(&catalogue);
        source = &catalogue.slot[kSlotCalendarSource];
        make_dir("UPDATE");
        session = proxied_session();
        ASSERT_NE(session, nullptr);
    }

    // Serves `body` as the calendar and runs the check on a fresh request.
    int download(const std::string& body)
    {
        server.add("/kestrl.php", body, 0, 200, kServeNoLastModified);
        request = openRequest(owner, session, *source);
        EXPECT_NE(request, nullptr);
        if (!request) return -1;
        return download_calendar(owner, request, source);
    }

    void keep_old_copy(const std::string& body)
    {
        write_file("UPDATE/kestrl.php", body);
        set_mtime("UPDATE/kestrl.php", kOldCopyTime);
    }

    void expect_request_closed_once()
    {
        EXPECT_EQ(std::count(g_closed.begin(), g_closed.end(), request), 1);
    }

    const std::string staged = "appdata/share/KESTRL/kestrl.php";
    Catalogue catalogue;
    DataSource* source = nullptr;
    InetHandle* session = nullptr;
    InetHandle* request = nullptr;
};

}  // namespace

TEST_F(CalendarDownload, FirstRunMovesTheDocumentIntoUpdate)
{
    int64_t before = int64_t(std::time(nullptr));
    EXPECT_EQ(download(kCalendar), 1);
    int64_t after = int64_t(std::time(nullptr));
    expect_request_closed_once();

    EXPECT_EQ(read_file("UPDATE/kestrl.php"), kCalendar);
    EXPECT_FALSE(path_exists(staged)) << "moved, not copied";
    EXPECT_TRUE(path_exists("appdata/share/KESTRL"));
    // The fetch time stands in for the missing server date.
    EXPECT_GE(source->remoteTime, before);
    EXPECT_LE(source->remoteTime, after);
    EXPECT_EQ(mtime_of("UPDATE/kestrl.php"), source->remoteTime);
    EXPECT_EQ(source->remoteSize, 16384u);

    EXPECT_EQ(g_status_lines, (std::vector<std::string>{"-1 Downloading:  425 DX Calendar"}));
    EXPECT_EQ(log_text(), "") << "the progress line is not logged";
    EXPECT_TRUE(dialogs.shown.empty());
    auto seen = server.requests();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].target, "http://www.425dxn.org/kestrl.php");
}

TEST_F(CalendarDownload, SameCalendarLeavesTheCopyAlone)
{
    g_config.debug = 1;
    keep_old_copy(kCalendar);
    source->localSize = uint32_t(kCalendar.size());
    EXPECT_EQ(download(kCalendarRespelled), 0);
    expect_request_closed_once();
    EXPECT_EQ(read_file("UPDATE/kestrl.php"), kCalendar);
    EXPECT_EQ(mtime_of("UPDATE/kestrl.php"), kOldCopyTime);
    EXPECT_EQ(read_file(staged), kCalendarRespelled) << "stays staged until the next run overwrites it";
    EXPECT_EQ(source->remoteSize, kCalendar.size());
    EXPECT_EQ(without_cr(log_text()), "\nDEBUG:\tcalendars are the same, no update needed.\n\n");

    // The next run overwrites the staged copy.
    EXPECT_EQ(download(kCalendar), 0);
    EXPECT_EQ(read_file(staged), kCalendar);
    EXPECT_TRUE(dialogs.shown.empty());
}

TEST_F(CalendarDownload, ChangedCalendarReplacesTheCopy)
{
    g_config.debug = 1;
    keep_old_copy(kCalendar);
    const std::string reordered =
        R"([{"start":"2022-07-01","end":"2022-07-09","text":"VP8 South Orkney"},)"
        R"({"start":"2022-06-24","end":"2022-06-30","text":"3Y0J Bouvet"}])";
    EXPECT_EQ(download(reordered), 1);
    expect_request_closed_once();
    EXPECT_EQ(read_file("UPDATE/kestrl.php"), reordered);
    EXPECT_NE(mtime_of("UPDATE/kestrl.php"), kOldCopyTime);
    EXPECT_FALSE(path_exists(staged));
    EXPECT_EQ(without_cr(log_text()), "DEBUG:\tcalendars are different, update is needed.\n");
    EXPECT_TRUE(dialogs.shown.empty());
}

TEST_F(CalendarDownload, HtmlPageInsteadOfJsonIsReportedAndReplacesTheCopy)
{
    keep_old_copy(kCalendar);
    const std::string page = "<html><head><title>Maintenance</title></head><body>Back soon</body></html>";
    EXPECT_EQ(download(page), 1);
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].text, "appdata/share\\KESTRL\\kestrl.php is not a JSON file");
    EXPECT_EQ(dialogs.shown[0].title, "Not JSON");
    EXPECT_EQ(read_file("UPDATE/kestrl.php"), page);

    // And back to a real calendar: the broken copy counts as changed too.
    dialogs.shown.clear();
    EXPECT_EQ(download(kCalendar), 1);
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].text, "UPDATE\\kestrl.php is not a JSON file");
    EXPECT_EQ(read_file("UPDATE/kestrl.php"), kCalendar);
}

TEST_F(CalendarDownload, AutoModeShowsNoProgressLine)
{
    g_config.autoMode = 1;
    EXPECT_EQ(download(kCalendar), 1);
    EXPECT_TRUE(g_status_lines.empty());
    EXPECT_EQ(read_file("UPDATE/kestrl.php"), kCalendar);
}

TEST_F(CalendarDownload, NoDataFolderOrStagingFolderFetchesNothing)
{
    g_platform.app_data_folder = no_app_data;
    keep_old_copy(kCalendar);
    EXPECT_EQ(download("[]"), 0);
    expect_request_closed_once();
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].text, "Could not get path to APPDATA");
    EXPECT_EQ(dialogs.shown[0].title, "APPDATA");
    EXPECT_EQ(dialogs.shown[0].style, kMbIconError | kMbTopmost);
    EXPECT_EQ(log_text(), "ERROR:\tCould not get path to APPDATA\n");
    EXPECT_TRUE(g_status_lines.empty());

    // A file where the data folder should be: the staging folder cannot be made.
    g_platform.app_data_folder = test_app_data;
    g_app_data = "blocked";
    write_file("blocked", "not a folder");
    g_closed.clear();
    EXPECT_EQ(download("[]"), 0);
    expect_request_closed_once();
    EXPECT_EQ(read_file("UPDATE/kestrl.php"), kCalendar);
    EXPECT_TRUE(g_status_lines.empty());
}

TEST_F(CalendarDownload, FailedFetchOrMoveKeepsTheCopy)
{
    keep_old_copy(kCalendar);
    server.add("/kestrl.php", "[" + std::string(5000, ' ') + "]", 0, 200, kServeNoLastModified | kServeCutShort);
    request = openRequest(owner, session, *source);
    ASSERT_NE(request, nullptr);
    EXPECT_EQ(download_calendar(owner, request, source), 0);
    expect_request_closed_once();
    EXPECT_EQ(dialogs.shown.size(), 1u) << "reported by the fetch";
    EXPECT_EQ(read_file("UPDATE/kestrl.php"), kCalendar);
    EXPECT_EQ(mtime_of("UPDATE/kestrl.php"), kOldCopyTime);

    // UPDATE gone: the move fails and is reported.
    std::remove("UPDATE/kestrl.php");
    std::remove("UPDATE");
    dialogs.shown.clear();
    EXPECT_EQ(download(kCalendar), 0);
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].title, "MoveFileEx");
}
