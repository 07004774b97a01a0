// The real program at start-up against the loopback server as its proxy: the offer of
// a newer updater in an unattended run, and a server that is down.
#include <gtest/gtest.h>

#include <string>

#include "support/http_server.h"
#include "support/program_run.h"
#include "support/temp_folder.h"

namespace {

constexpr int64_t kOldTime = 1690000000;
constexpr int64_t kNewTime = 1699000000;  // 3-Nov-2023

std::string text_of(const std::string& path)
{
    std::string text;
    for (char c : read_file(path))
        if (c != '\r') text += c;
    return text;
}

void make_logging_program_folder()
{
    make_dir("SAVE");
    make_dir("IMPORT");
    write_file("kstlupd.exe", "running updater");
    set_mtime("kstlupd.exe", kOldTime);
}

ProgramRun run_updater(const TempFolder& folder, int proxy_port)
{
    return run_binary(KSTLUPD_BINARY,
                      {"-auto", "-nocheck", "-version", "8.5.0.39", "-proxy", "127.0.0.1:" + std::to_string(proxy_port)},
                      folder.path, {{"http_proxy", ""}, {"https_proxy", ""}, {"KSTLUPD_TEST_CONNECT_TO", ""}});
}

}  // namespace

TEST(E2eSelfUpdate, UnattendedRunDeclinesTheNewVersionAndGoesOn)
{
    TempFolder folder;
    make_logging_program_folder();
    HttpServer server;
    server.add("/kestrl/updater/download/kstlupd.exe", "newer updater", kNewTime);

    ProgramRun run = run_updater(folder, server.port());
    ASSERT_FALSE(run.timed_out);
    EXPECT_EQ(run.exit_status, 0) << text_of("program.out");
    const std::string log = text_of("kstlupd.log");
    EXPECT_NE(log.find("\nThere is a new version of the KESTRL Data Updater\ndated  3-Nov-2023. Do you want to "
                       "download it? [NO]\n"),
              std::string::npos)
        << log;
    EXPECT_NE(log.find("KESTRL Data Updater ver. 9.6 finished on "), std::string::npos) << log;
    EXPECT_EQ(read_file("kstlupd.exe"), "running updater");
    EXPECT_EQ(mtime_of("kstlupd.exe"), kOldTime);
    EXPECT_FALSE(path_exists("kstlupd.~xe"));

    auto seen = server.requests();
    ASSERT_FALSE(seen.empty());
    EXPECT_EQ(seen[0].target, "http://updates.kstlupd.example/kestrl/updater/download/kstlupd.exe");
}

TEST(E2eSelfUpdate, ServerDownIsAnInternetErrorAndTheRunGoesOn)
{
    TempFolder folder;
    make_logging_program_folder();

    ProgramRun run = run_updater(folder, refused_port());
    ASSERT_FALSE(run.timed_out);
    EXPECT_EQ(run.exit_status, 0) << text_of("program.out");
    const std::string log = text_of("kstlupd.log");
    EXPECT_NE(log.find("ERROR:\tHttpSendRequest failed, error = 12029\nThe attempt to connect to the server failed.\n"
                       "http://updates.kstlupd.example/kestrl/updater/download/kstlupd.exe\n"),
              std::string::npos)
        << log;
    EXPECT_EQ(log.find("There is a new version"), std::string::npos) << log;
    EXPECT_NE(log.find("finished on "), std::string::npos) << log;
    EXPECT_EQ(read_file("kstlupd.exe"), "running updater");
}
