// The offer of the updater's own newer program file: when it is made, what each
// answer leaves on disk, and that a failed download never costs the running file.
#include <gtest/gtest.h>

#include <cstdio>
#include <ctime>
#include <string>

#include "catalogue/hosts.h"
#include "net/net_fixture.h"
#include "net/self_update.h"

namespace {

constexpr int64_t kLocalTime = 1698990000;
// Fri, 03 Nov 2023 08:26:40 GMT: a one-digit day shows the padding of "%e".
constexpr int64_t kServerTime = 1699000000;
constexpr const char* kOffer =
    "There is a new version of the KESTRL Data Updater\ndated  3-Nov-2023. Do you want to download it?";
constexpr const char* kRestart = "Do you want to restart using the new version?";

// A stand-in program built for the tests (tests/support/test_programs).
std::string program(const std::string& name) { return read_file(std::string(KSTLUPD_TEST_PROGRAMS) + "/" + name); }

class NetSelfUpdate : public NetTest {
protected:
    void SetUp() override
    {
        NetTest::SetUp();
        write_file("kstlupd.exe", "old program");
        set_mtime("kstlupd.exe", kLocalTime);
        updater.host = kHostUpdater;
        updater.remotePath = "kestrl/updater/download/kstlupd.exe";
        updater.targetPath = "kstlupd.exe";
    }
    // Serves `body` as the new program file dated `remote_time` and runs the check.
    int check(int64_t remote_time, unsigned flags = 0, const std::string& body = program("kstlupd_9_7.exe"))
    {
        server.add("/kestrl/updater/download/kstlupd.exe", body, remote_time, 200, flags);
        return checkSelfUpdate(nullptr, via_server, &updater);
    }

    DataSource updater;
};

}  // namespace

TEST_F(NetSelfUpdate, DeclinedFailedOrImpossibleUpdatesChangeNothing)
{
    // Not more than a minute newer, or no date on the server's copy: no offer.
    EXPECT_EQ(check(kLocalTime + 60), 0);
    EXPECT_EQ(check(kServerTime, kServeNoLastModified), 0);
    EXPECT_TRUE(dialogs.shown.empty());

    // No; Cancel, which ends the program; Yes to a download that is cut short.
    dialogs.answers = {kIdNo, kIdCancel, kIdYes, kIdYes};
    EXPECT_EQ(check(kServerTime), 0);
    EXPECT_EQ(check(kServerTime), 1);
    EXPECT_EQ(check(kServerTime, kServeCutShort), 0);
    ASSERT_EQ(dialogs.shown.size(), 4u);
    EXPECT_EQ(dialogs.shown[0].title, "New version");
    EXPECT_EQ(dialogs.shown[0].style, kMbYesNoCancel | kMbIconQuestion | kMbTopmost);
    EXPECT_EQ(dialogs.shown[3].title, "Internet error");
    EXPECT_EQ(read_file("kstlupd.exe"), "old program");
    EXPECT_EQ(mtime_of("kstlupd.exe"), kLocalTime);
    EXPECT_FALSE(path_exists("kstlupd.~xe"));
    EXPECT_FALSE(path_exists("kstlupd.exe.~kstlupd"));
    // The texts of the offer and the answers, and no restart question.
    const std::string log = without_cr(log_text());
    EXPECT_EQ(log.rfind(std::string(kOffer) + " [NO]\n" + kOffer + " [CANCEL]\n" + kOffer + " [YES]\n", 0), 0u) << log;
    EXPECT_EQ(log.find(kRestart), std::string::npos);
    // One request per check, asking for a file over a minute newer; only Yes fetches it.
    EXPECT_EQ(server.requests().size(), 6u);
    EXPECT_NE(server.requests()[0].headers.find("If-Modified-Since: " + http_date_text(kLocalTime + 60)),
              std::string::npos);

    // No program file of that name here (started under another name).
    std::remove("kstlupd.exe");
    EXPECT_EQ(check(kServerTime), 0);
    EXPECT_EQ(dialogs.shown.size(), 4u);
}

TEST_F(NetSelfUpdate, YesInstallsTheNewFileAndKeepsTheOldOneAsBackup)
{
    dialogs.answers = {kIdYes, kIdNo};
    EXPECT_EQ(check(kServerTime), 0);
    EXPECT_EQ(read_file("kstlupd.exe"), program("kstlupd_9_7.exe"));
    EXPECT_EQ(mtime_of("kstlupd.exe"), kServerTime);
    EXPECT_EQ(read_file("kstlupd.~xe"), "old program");
    EXPECT_FALSE(path_exists("kstlupd.exe.~kstlupd"));
    ASSERT_EQ(dialogs.shown.size(), 2u);
    EXPECT_EQ(dialogs.shown[1].title, "Restart");
    EXPECT_EQ(without_cr(log_text()), std::string(kOffer) + " [YES]\n" + kRestart + " [NO]\n");

    // A newer one again, and a restart: the backup is replaced, the program ends.
    dialogs.answers = {kIdYes, kIdYes};
    EXPECT_EQ(check(kServerTime + 3600, 0, program("kstlupd_9_8.exe")), 1);
    EXPECT_EQ(read_file("kstlupd.~xe"), program("kstlupd_9_7.exe"));
    EXPECT_EQ(mtime_of("kstlupd.exe"), kServerTime + 3600);
}

TEST_F(NetSelfUpdate, OnlyANewerKstlupdProgramIsInstalled)
{
    struct Case {
        const char* installed;  // stand-in program in place of kstlupd.exe, or none
        std::string body;
        const char* why;
        const char* title = "New version";
    };
    const std::string refused = "The file received for kstlupd.exe is not a newer KESTRL Data Updater: ";
    // clang-format off
    const Case cases[] = {
        {nullptr, "#!/bin/sh\nrm -rf ~\n", "it is not a Windows program"},
        {nullptr, std::string(4096, '\0'), "it is not a Windows program"},
        {nullptr, program("other_9_7.exe"), "it is another program (\"kestrl\", \"kestrl.exe\")"},
        {nullptr, program("no_version.exe"), "it has no version information"},
        {nullptr, program("kstlupd_9_5.exe"), "its version 9.5.0.0 is older than the running 9.6"},
        {nullptr, program("console_9_7.exe"), "it is not a windowed program (subsystem 3)"},
        {nullptr, program("dll_9_7.exe"), "it is a DLL, not a program"},
        {"kstlupd_9_8.exe", program("kstlupd_9_7.exe"), "its version 9.7.0.0 is older than the installed 9.8.0.0"},
        // This build cannot judge a signature, so a signed program is never given up.
        {"signed_9_7.exe", program("kstlupd_9_8.exe"), "it is not signed, and the installed program is"},
    };
    // clang-format on
    for (const Case& c : cases) {
        const std::string old_program = c.installed ? program(c.installed) : "old program";
        write_file("kstlupd.exe", old_program);
        set_mtime("kstlupd.exe", kLocalTime);
        write_file("kstlupd.~xe", "backup");
        const size_t from = log_text().size();
        dialogs.answers = {kIdYes};
        dialogs.shown.clear();
        EXPECT_EQ(check(kServerTime, 0, c.body), 0) << c.why;
        EXPECT_EQ(read_file("kstlupd.exe"), old_program) << c.why;
        EXPECT_EQ(read_file("kstlupd.~xe"), "backup") << c.why;
        EXPECT_FALSE(path_exists("kstlupd.exe.~kstlupd")) << c.why;
        const std::string log = log_text().substr(from);
        const std::string line = c.title == std::string("New version") ? refused + c.why : c.why;
        EXPECT_NE(log.find("\nERROR:\t" + line + "\n"), std::string::npos) << log;
        EXPECT_EQ(log.find("ERROR:"), log.rfind("ERROR:")) << log;
        ASSERT_EQ(dialogs.shown.size(), 2u) << c.why;
        EXPECT_EQ(dialogs.shown[1].title, c.title);
    }

    // A signed copy may follow a signed one here (its signer is judged on Windows).
    dialogs.answers = {kIdYes, kIdNo};
    EXPECT_EQ(check(kServerTime, 0, program("signed_9_8.exe")), 0);
    EXPECT_EQ(read_file("kstlupd.exe"), program("signed_9_8.exe"));

    // A date more than a day ahead of this clock is no offer.
    set_mtime("kstlupd.exe", kLocalTime);
    dialogs.shown.clear();
    EXPECT_EQ(check(int64_t(std::time(nullptr)) + 86400 + 600), 0);
    EXPECT_TRUE(dialogs.shown.empty());
}

TEST_F(NetSelfUpdate, AnUpdateKilledBetweenItsRenamesIsRepaired)
{
    // Killed after the old file became the backup: the received file, if it passes,
    // takes its place; otherwise the previous program comes back.
    for (const bool genuine : {true, false}) {
        std::remove("kstlupd.exe");
        const std::string received = genuine ? program("kstlupd_9_7.exe") : std::string("<html></html>");
        write_file("kstlupd.exe.~kstlupd", received);
        write_file("kstlupd.~xe", program("kstlupd_9_6.exe"));
        EXPECT_EQ(check(kLocalTime), 0);  // no offer
        EXPECT_EQ(read_file("kstlupd.exe"), genuine ? received : program("kstlupd_9_6.exe")) << genuine;
        EXPECT_FALSE(path_exists("kstlupd.exe.~kstlupd")) << genuine;
    }
}
