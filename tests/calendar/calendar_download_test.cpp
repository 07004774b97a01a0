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
#include "support/fake_status_list.h"

namespace {

std::string g_app_data;
std::vector<InetHandle*> g_closed;
void (*g_real_close)(InetHandle*) = nullptr;

const std::string kCalendar = R"([{"start":"2022-06-24","end":"2022-06-30","text":"3Y0J Bouvet"}])";
const std::string kStaged = "appdata/share/KESTRL/kestrl.php";
constexpr int64_t kOldCopyTime = 1600000000;

class CalendarDownload : public NetTest {
protected:
    void SetUp() override
    {
        NetTest::SetUp();
        g_app_data = "appdata/share";  // missing, like the data folder of a fresh account
        g_real_close = g_platform.inet_close;
        g_platform.app_data_folder = [](std::string* out) { *out = g_app_data; return 1; };
        g_platform.inet_close = [](InetHandle* handle) { g_closed.push_back(handle); g_real_close(handle); };
        install_fake_status_list(&status);
        build_catalogue(&catalogue);
        source = &catalogue.slot[kSlotCalendarSource];
        make_dir("UPDATE");
        write_file("UPDATE/kestrl.php", kCalendar);
        set_mtime("UPDATE/kestrl.php", kOldCopyTime);
    }

    // Serves `body` as the calendar and runs the check on a fresh request, which
    // must be closed exactly once whatever happens.
    int download(const std::string& body, unsigned flags = 0)
    {
        server.add("/kestrl.php", body, 0, 200, kServeNoLastModified | flags);
        InetHandle* request = openRequest(owner, proxied_session(), *source);
        g_closed.clear();
        int result = request ? download_calendar(owner, request, source) : -1;
        EXPECT_EQ(std::count(g_closed.begin(), g_closed.end(), request), 1);
        return result;
    }

    FakeStatusList status;
    Catalogue catalogue;
    DataSource* source = nullptr;
};

}  // namespace

TEST_F(CalendarDownload, FirstRunMovesTheDocumentIntoUpdate)
{
    std::remove("UPDATE/kestrl.php");
    int64_t before = int64_t(std::time(nullptr));
    EXPECT_EQ(download(kCalendar), 1);
    EXPECT_EQ(read_file("UPDATE/kestrl.php"), kCalendar);
    EXPECT_FALSE(path_exists(kStaged)) << "moved, not copied";
    // The fetch time stands in for the missing server date.
    EXPECT_GE(source->remoteTime, before);
    EXPECT_LE(source->remoteTime, int64_t(std::time(nullptr)));
    EXPECT_EQ(mtime_of("UPDATE/kestrl.php"), source->remoteTime);
    EXPECT_EQ(source->remoteSize, 16384u);
    EXPECT_EQ(status.lines, (std::vector<std::string>{"Downloading:  425 DX Calendar"}));
    EXPECT_EQ(log_text(), "");
    EXPECT_TRUE(dialogs.shown.empty());
}

TEST_F(CalendarDownload, SameCalendarLeavesTheCopyAloneOtherContentReplacesIt)
{
    g_config.debug = 1;
    source->localSize = uint32_t(kCalendar.size());
    const std::string respelled = "[ {\"start\": \"2022-06-24\", \"end\":\"2022-06-30\",\r\n\"text\":\"3Y0J\\u0020Bouvet\"}]";
    EXPECT_EQ(download(respelled), 0);
    EXPECT_EQ(read_file("UPDATE/kestrl.php"), kCalendar);
    EXPECT_EQ(mtime_of("UPDATE/kestrl.php"), kOldCopyTime);
    EXPECT_EQ(read_file(kStaged), respelled) << "stays staged until the next run overwrites it";
    EXPECT_EQ(source->remoteSize, kCalendar.size());
    const std::string same = "\nDEBUG:\tcalendars are the same, no update needed.\n\n";
    EXPECT_EQ(without_cr(log_text()), same);

    // An HTML page is reported and replaces the copy; so does a calendar after it.
    const std::string page = "<html><body>Back soon</body></html>";
    EXPECT_EQ(download(page), 1);
    EXPECT_EQ(read_file("UPDATE/kestrl.php"), page);
    EXPECT_EQ(download(kCalendar), 1);
    EXPECT_EQ(read_file("UPDATE/kestrl.php"), kCalendar);
    EXPECT_FALSE(path_exists(kStaged));
    const std::string different = "DEBUG:\tcalendars are different, update is needed.\n";
    EXPECT_EQ(without_cr(log_text()), same + "ERROR:\tappdata/share\\KESTRL\\kestrl.php is not a JSON file\n" + different +
                                          "ERROR:\tUPDATE\\kestrl.php is not a JSON file\n" + different);
    EXPECT_EQ(dialogs.shown.size(), 2u);
}

TEST_F(CalendarDownload, FailuresKeepTheCopyAndAreReported)
{
    g_platform.app_data_folder = [](std::string*) { return 0; };
    EXPECT_EQ(download("[]"), 0);
    EXPECT_EQ(log_text(), "ERROR:\tCould not get path to APPDATA\n");
    EXPECT_EQ(dialogs.shown.back().title, "APPDATA");
    // A file where the data folder should be: the staging folder cannot be made.
    g_platform.app_data_folder = [](std::string* out) { *out = "blocked"; return 1; };
    write_file("blocked", "not a folder");
    EXPECT_EQ(download("[]"), 0);
    EXPECT_TRUE(status.lines.empty()) << "nothing fetched";

    g_platform.app_data_folder = [](std::string* out) { *out = g_app_data; return 1; };
    EXPECT_EQ(download("[" + std::string(5000, ' ') + "]", kServeCutShort), 0);
    EXPECT_EQ(read_file("UPDATE/kestrl.php"), kCalendar);
    EXPECT_EQ(mtime_of("UPDATE/kestrl.php"), kOldCopyTime);
    // UPDATE gone: the move fails.
    std::remove("UPDATE/kestrl.php");
    std::remove("UPDATE");
    EXPECT_EQ(download(kCalendar), 0);
    ASSERT_EQ(dialogs.shown.size(), 4u) << "each failure reported once";
    EXPECT_EQ(dialogs.shown[3].title, "MoveFileEx");
}
