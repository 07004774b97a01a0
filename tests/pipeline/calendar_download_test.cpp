// The calendar check against the loopback server: fetched on every run into the
// staging folder, moved into UPDATE only when its content changed.
#include <algorithm>
#include <cstdio>
#include <ctime>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "catalogue/catalogue.h"
#include "net/net_fixture.h"
#include "pipeline/calendar_download.h"
#include "support/fake_status_list.h"

namespace {

std::vector<InetHandle*> g_closed;

const std::string kCalendar = R"([{"start":"2022-06-24","end":"2022-06-30","text":"3Y0J Bouvet"}])";
const std::string kStaged = "appdata/share/KESTRL/kestrl.php";
constexpr int64_t kOldCopyTime = 1600000000;

class CalendarDownload : public NetTest {
protected:
    void SetUp() override
    {
        NetTest::SetUp();
        // Missing, like the data folder of a fresh account.
        g_platform.app_data_folder = [](std::string* out) {
            *out = "appdata/share";
            return 1;
        };
        g_platform.inet_close = [](InetHandle* handle) {
            g_closed.push_back(handle);
            native_platform().inet_close(handle);
        };
        install_fake_status_list(&status);
        build_catalogue(&catalogue, g_config.hostVersion, g_config.masterSlot);
        make_dir("UPDATE");
    }

    // Serves `body` as the calendar and runs the check on a fresh request, which
    // must be closed exactly once whatever happens.
    int download(const std::string& body, unsigned flags = 0)
    {
        server.add("/kestrl.php", body, 0, 200, kServeNoLastModified | flags);
        InetHandle* request = openRequest(owner, proxied_session(), source);
        g_closed.clear();
        int result = request ? download_calendar(owner, request, &source) : -1;
        EXPECT_EQ(std::count(g_closed.begin(), g_closed.end(), request), 1);
        return result;
    }

    FakeStatusList status;
    Catalogue catalogue;
    DataSource& source = catalogue.slot[kSlotCalendarSource];
};

}  // namespace

TEST_F(CalendarDownload, NewCalendarIsMovedIntoUpdateTheSameOneLeftStagedFailuresChangeNothing)
{
    g_config.debug = 1;
    int64_t before = int64_t(std::time(nullptr));
    EXPECT_EQ(download(kCalendar), 1);
    EXPECT_EQ(read_file("UPDATE/kestrl.php"), kCalendar);
    EXPECT_FALSE(path_exists(kStaged)) << "moved, not copied";
    // The fetch time stands in for the missing server date, and dates the copy.
    EXPECT_GE(source.remoteTime, before);
    EXPECT_EQ(mtime_of("UPDATE/kestrl.php"), source.remoteTime);
    EXPECT_EQ(status.lines, (std::vector<std::string>{"Downloading:  425 DX Calendar"}));

    set_mtime("UPDATE/kestrl.php", kOldCopyTime);
    const std::string respelled = "[ {\"start\": \"2022-06-24\", \"end\":\"2022-06-30\",\r\n"
                                  "\"text\":\"3Y0J\\u0020Bouvet\"}]";
    EXPECT_EQ(download(respelled), 0);
    EXPECT_EQ(read_file("UPDATE/kestrl.php"), kCalendar);
    EXPECT_EQ(mtime_of("UPDATE/kestrl.php"), kOldCopyTime);
    EXPECT_EQ(read_file(kStaged), respelled) << "stays staged until the next run overwrites it";
    EXPECT_EQ(status.lines.size(), 1u) << "an unchanged calendar leaves no progress line";

    // An HTML page is reported and never replaces the copy; nor does a copy that is
    // not JSON stop a good calendar.
    EXPECT_EQ(download("<html><body>Back soon</body></html>"), -1);
    EXPECT_EQ(read_file("UPDATE/kestrl.php"), kCalendar);
    EXPECT_EQ(read_file(kStaged), respelled);
    write_file("UPDATE/kestrl.php", "<html>");
    EXPECT_EQ(download(kCalendar), 1);
    EXPECT_EQ(read_file("UPDATE/kestrl.php"), kCalendar);
    EXPECT_EQ(without_cr(log_text()), "\nDEBUG:\tcalendars are the same, no update needed.\n\n"
                                      "ERROR:\tThe download of 425 DX Calendar was refused: it is not a JSON array\n"
                                      "http://www.425dxn.org/kestrl.php\n"
                                      "ERROR:\tUPDATE\\kestrl.php is not a JSON file\n"
                                      "DEBUG:\tcalendars are different, update is needed.\n");
    EXPECT_EQ(dialogs.shown.size(), 2u);
    EXPECT_EQ(status.lines, std::vector<std::string>(2, "Downloading:  425 DX Calendar"));

    // Failures keep the copy and are reported, each once.
    set_mtime("UPDATE/kestrl.php", kOldCopyTime);
    EXPECT_EQ(download("[" + std::string(5000, ' ') + "]", kServeCutShort), -1);
    EXPECT_EQ(read_file("UPDATE/kestrl.php"), kCalendar);
    EXPECT_EQ(mtime_of("UPDATE/kestrl.php"), kOldCopyTime);
    // UPDATE gone: the move fails.
    std::remove("UPDATE/kestrl.php");
    std::remove("UPDATE");
    EXPECT_EQ(download(kCalendar), -1);
    EXPECT_EQ(dialogs.shown.back().title, "MoveFileEx");
    g_platform.app_data_folder = [](std::string*) { return 0; };
    EXPECT_EQ(download("[]"), -1);
    EXPECT_EQ(dialogs.shown.back().text, "Could not get path to APPDATA");
    EXPECT_EQ(dialogs.shown.size(), 5u);
}
