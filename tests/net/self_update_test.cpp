// The offer of the updater's own newer program file: when it is made, what each
// answer leaves on disk, and that a failed download never costs the running file.
#include <gtest/gtest.h>

#include <cstdio>
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
    // Serves the new program file dated `remote_time` and runs the check.
    int check(int64_t remote_time, unsigned flags = 0)
    {
        server.add("/kestrl/updater/download/kstlupd.exe", "new program", remote_time, 200, flags);
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
    EXPECT_NE(server.requests()[0].headers.find("If-Modified-Since: " + http_date_text(kLocalTime + 60)), std::string::npos);

    // No program file of that name here (started under another name).
    std::remove("kstlupd.exe");
    EXPECT_EQ(check(kServerTime), 0);
    EXPECT_EQ(dialogs.shown.size(), 4u);
}

TEST_F(NetSelfUpdate, YesInstallsTheNewFileAndKeepsTheOldOneAsBackup)
{
    dialogs.answers = {kIdYes, kIdNo};
    EXPECT_EQ(check(kServerTime), 0);
    EXPECT_EQ(read_file("kstlupd.exe"), "new program");
    EXPECT_EQ(mtime_of("kstlupd.exe"), kServerTime);
    EXPECT_EQ(read_file("kstlupd.~xe"), "old program");
    EXPECT_FALSE(path_exists("kstlupd.exe.~kstlupd"));
    ASSERT_EQ(dialogs.shown.size(), 2u);
    EXPECT_EQ(dialogs.shown[1].title, "Restart");
    EXPECT_EQ(without_cr(log_text()), std::string(kOffer) + " [YES]\n" + kRestart + " [NO]\n");

    // A newer one again, and a restart: the backup is replaced, the program ends.
    dialogs.answers = {kIdYes, kIdYes};
    EXPECT_EQ(check(kServerTime + 3600), 1);
    EXPECT_EQ(read_file("kstlupd.~xe"), "new program");
    EXPECT_EQ(mtime_of("kstlupd.exe"), kServerTime + 3600);
}
