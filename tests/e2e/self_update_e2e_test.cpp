// The real program at start-up against the loopback server as its proxy: a newer
// updater on the server, which a build without an update key never offers, and a
// server that is down.
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <string>

#include "support/http_server.h"
#include "support/program_run.h"
#include "support/temp_folder.h"

namespace {

constexpr int64_t kOldTime = 1690000000;

// An unattended run, which must end normally, in a fresh logging-program folder whose
// program file is older than the server's, through `proxy_port`; `check` then looks
// at the folder. Its log, LF only.
std::string unattended_run(int proxy_port, const std::function<void()>& prepare = {},
                           const std::function<void()>& check = {})
{
    TempFolder folder;
    make_dir("SAVE");
    make_dir("IMPORT");
    write_file("kstlupd.exe", "running updater");
    set_mtime("kstlupd.exe", kOldTime);
    if (prepare) prepare();
    ProgramRun run =
        run_binary(KSTLUPD_BINARY,
                   {"-auto", "-nocheck", "-version", "8.5.0.39", "-proxy", "127.0.0.1:" + std::to_string(proxy_port)},
                   folder.path, {{"http_proxy", ""}, {"https_proxy", ""}});
    EXPECT_EQ(run.exit_status, 0) << read_file("program.out");
    std::string log = read_file("kstlupd.log");
    std::erase(log, '\r');
    EXPECT_NE(log.find("finished on "), std::string::npos) << log;
    if (check) check();
    return log;
}

}  // namespace

TEST(E2eSelfUpdate, UnattendedRunWithoutAnUpdateKeyOffersNothingOrReportsAServerDownAndGoesOn)
{
    HttpServer server;
    server.add("/kestrl/updater/download/kstlupd.exe", "newer updater", 1699000000);  // 3-Nov-2023
    std::string log = unattended_run(server.port());
    EXPECT_NE(log.find("INFO:\tA newer KESTRL Data Updater dated  3-Nov-2023 is on the server, but this build has no "
                       "update key to check it with\n"),
              std::string::npos)
        << log;
    EXPECT_EQ(log.find("Do you want to download it?"), std::string::npos) << log;
    std::string target = server.requests().at(0).target;
    if (target.starts_with("http://updates.kstlupd.example:80/")) target.erase(30, 3);  // WinINet names the port
    EXPECT_EQ(target, "http://updates.kstlupd.example/kestrl/updater/download/kstlupd.exe");

    const int dead = refused_port();
    log = unattended_run(dead);
    EXPECT_NE(
        log.find("ERROR:\tHttpSendRequest failed, error = 12029\nThe attempt to connect to the server failed.\n"
                 "http://updates.kstlupd.example/kestrl/updater/download/kstlupd.exe\nThe proxy server 127.0.0.1:" +
                 std::to_string(dead) + " could not be reached\n"),
        std::string::npos)
        << log;
}

TEST(E2eSelfUpdate, AnUpdateKilledBetweenItsRenamesIsRepairedAtTheNextStart)
{
    // kstlupd.exe already became the backup; the received program waits beside it,
    // without its signature: the previous program comes back.
    HttpServer server;
    const std::string received = read_file(KSTLUPD_TEST_PROGRAMS "/kstlupd_9_7.exe");
    unattended_run(
        server.port(),
        [&] {
            std::rename("kstlupd.exe", "kstlupd.~xe");
            write_file("kstlupd.exe.~kstlupd", received);
        },
        [&] {
            EXPECT_EQ(read_file("kstlupd.exe"), "running updater");
            EXPECT_FALSE(path_exists("kstlupd.~xe"));
            EXPECT_FALSE(path_exists("kstlupd.exe.~kstlupd"));
        });
}

// The dates of HTTP's two obsolete forms, and a gzip body with its Content-Length,
// as the program's own HTTP client reads them; the caches on the way are asked to
// check with the server.
TEST(E2eHttp, ServerDatesInEveryFormAndAGzipBody)
{
    HttpServer server;
    std::string wpx;
    for (int i = 0; i < 3000; ++i) wpx += "K" + std::to_string(i) + "XYZ,1,2\r\n";
    // {body, last_modified, status, flags, location, last_modified_text, encoding}
    server.add("/kestrl/updater/download/kstlupd.exe",
               {"newer updater", 1698998400, 200, 0, "", "Friday, 03-Nov-23 08:00:00 GMT", ""});
    server.add("/kestrl/WPX/KESTRL.WPX",
               {compressed(wpx, 31), 1700000000, 200, 0, "", "Tue Nov 14 22:13:20 2023", "gzip"});
    std::string installed;
    const std::string log = unattended_run(server.port(), {}, [&] { installed = read_file("SAVE/KESTRL.WPX"); });
    EXPECT_NE(log.find("dated  3-Nov-2023 is on the server"), std::string::npos) << log;
    EXPECT_NE(log.find("Downloaded:  CQ WPX Honor Roll (WPX) -- 14-Nov-2023 22:13\n"), std::string::npos) << log;
    EXPECT_TRUE(installed == wpx) << installed.size();
    for (const ReceivedRequest& r : server.requests())
        EXPECT_TRUE(!r.target.ends_with("KESTRL.WPX") ||
                    (r.headers.find("gzip, deflate\r\n") != std::string::npos &&
                     r.headers.find("Cache-Control: no-cache\r\n") != std::string::npos))
            << r.headers;
}
