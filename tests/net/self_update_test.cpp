// The offer of the updater's own newer program file: when it is made, what each
// answer leaves on disk, and that a failed download never costs the running file.
#include <gtest/gtest.h>

#include <string>

#include "catalogue/hosts.h"
#include "net/net_fixture.h"
#include "net/self_update.h"

namespace {

constexpr int64_t kLocalTime = 1698990000;
// Fri, 03 Nov 2023 08:26:40 GMT: a one-digit day shows the padding of "%e".
constexpr int64_t kServerTime = 1699000000;
constexpr const char* kUpdaterPath = "/kestrl/updater/download/kstlupd.exe";
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
        updater = make_source(kHostUpdater, "kestrl/updater/download/kstlupd.exe");
        updater.title = "KESTRL Data Updater";
        updater.targetPath = "kstlupd.exe";
    }
    void offer(int64_t remote_time, unsigned flags = 0)
    {
        server.add(kUpdaterPath, "new program", remote_time, 200, flags);
    }
    int check()
    {
        return checkSelfUpdate(nullptr, session ? session : (session = proxied_session()), &updater);
    }
    void expect_unchanged()
    {
        EXPECT_EQ(read_file("kstlupd.exe"), "old program");
        EXPECT_EQ(mtime_of("kstlupd.exe"), kLocalTime);
        EXPECT_FALSE(path_exists("kstlupd.~xe"));
        EXPECT_FALSE(path_exists("kstlupd.exe.~new"));
        EXPECT_FALSE(path_exists("kstlupd.exe.~new.~new"));
    }

    DataSource updater;
    InetHandle* session = nullptr;
};

}  // namespace

TEST_F(NetSelfUpdate, OnlyACopyMoreThanAMinuteNewerIsOffered)
{
    offer(kLocalTime + 60);
    EXPECT_EQ(check(), 0);
    EXPECT_TRUE(dialogs.shown.empty());
    EXPECT_EQ(updater.localTime, kLocalTime);
    EXPECT_EQ(updater.localSize, 11u);

    offer(kServerTime);
    updater.localTime = 0;
    dialogs.answers = {kIdNo};
    EXPECT_EQ(check(), 0);
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].text, kOffer);
    EXPECT_EQ(dialogs.shown[0].title, "New version");
    EXPECT_EQ(dialogs.shown[0].style, kMbYesNoCancel | kMbIconQuestion | kMbTopmost);
    expect_unchanged();
    EXPECT_EQ(without_cr(log_text()), std::string(kOffer) + " [NO]\n");
    // One request per check: No fetches nothing more.
    EXPECT_EQ(server.requests().size(), 2u);
}

TEST_F(NetSelfUpdate, CancelEndsTheProgramWithNothingChanged)
{
    offer(kServerTime);
    dialogs.answers = {kIdCancel};
    EXPECT_EQ(check(), 1);
    expect_unchanged();
    EXPECT_EQ(without_cr(log_text()), std::string(kOffer) + " [CANCEL]\n");
}

TEST_F(NetSelfUpdate, YesInstallsTheNewFileAndKeepsTheOldOneAsBackup)
{
    offer(kServerTime);
    dialogs.answers = {kIdYes, kIdNo};
    EXPECT_EQ(check(), 0);
    EXPECT_EQ(read_file("kstlupd.exe"), "new program");
    EXPECT_EQ(mtime_of("kstlupd.exe"), kServerTime);
    EXPECT_EQ(read_file("kstlupd.~xe"), "old program");
    EXPECT_FALSE(path_exists("kstlupd.exe.~new"));
    ASSERT_EQ(dialogs.shown.size(), 2u);
    EXPECT_EQ(dialogs.shown[1].text, kRestart);
    EXPECT_EQ(dialogs.shown[1].title, "Restart");
    EXPECT_EQ(without_cr(log_text()), std::string(kOffer) + " [YES]\n" + kRestart + " [NO]\n");

    // The new file carries the server's time: the next start offers nothing.
    dialogs.shown.clear();
    EXPECT_EQ(check(), 0);
    EXPECT_TRUE(dialogs.shown.empty());

    // A newer one again, and a restart: the backup is replaced, the program ends.
    offer(kServerTime + 3600);
    dialogs.answers = {kIdYes, kIdYes};
    EXPECT_EQ(check(), 1);
    EXPECT_EQ(read_file("kstlupd.~xe"), "new program");
    EXPECT_EQ(mtime_of("kstlupd.exe"), kServerTime + 3600);
}

TEST_F(NetSelfUpdate, FailedDownloadLeavesTheRunningProgramFile)
{
    offer(kServerTime, kServeCutShort);
    dialogs.answers = {kIdYes, kIdYes};
    EXPECT_EQ(check(), 0);
    expect_unchanged();
    // The offer and the Internet error; no restart question.
    ASSERT_EQ(dialogs.shown.size(), 2u);
    EXPECT_EQ(dialogs.shown[1].title, "Internet error");
    EXPECT_EQ(without_cr(log_text()).find(kRestart), std::string::npos);
}

TEST_F(NetSelfUpdate, NothingToCompareMeansNoOffer)
{
    // No date on the server's copy.
    offer(kServerTime, kServeNoLastModified);
    EXPECT_EQ(check(), 0);
    // No program file of that name here (started under another name).
    offer(kServerTime);
    std::remove("kstlupd.exe");
    EXPECT_EQ(check(), 0);
    EXPECT_TRUE(dialogs.shown.empty());
    EXPECT_FALSE(path_exists("kstlupd.exe"));

    // The server cannot be reached: reported, and start-up goes on.
    session = session_with(("127.0.0.1:" + std::to_string(refused_port())).c_str());
    EXPECT_EQ(check(), 0);
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].text, "HttpSendRequest failed, error = 12029\nThe attempt to connect to the server "
                                     "failed.\nhttp://updates.kstlupd.example/kestrl/updater/download/kstlupd.exe");
}
