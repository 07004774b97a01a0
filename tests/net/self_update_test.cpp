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

// A stand-in program built for the tests (tests/support/test_programs), or its
// signature made with the tests' own key pair.
std::string program(const std::string& name) { return read_file(std::string(KSTLUPD_TEST_PROGRAMS) + "/" + name); }
std::string signature(const std::string& name) { return program(name + ".minisig"); }
// The public key of that pair, as a build is given it.
std::string test_key()
{
    const std::string pub = program("update.pub");
    const size_t line = pub.find('\n') + 1;
    return pub.substr(line, pub.find('\n', line) - line);
}

constexpr const char* kServed = "/kestrl/updater/download/kstlupd.exe";

// Between the offer and the download, the server's file comes to carry a date far
// ahead of this clock.
HttpServer* g_redated_server = nullptr;
int (*g_scripted_box)(const char*, const char*, unsigned) = nullptr;
int redating_box(const char* text, const char* title, unsigned style)
{
    g_redated_server->add(kServed, program("kstlupd_9_7.exe"), kEndOfYear9999 - 86400);
    return g_scripted_box(text, title, style);
}

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
    // Serves `body` as the new program file dated `remote_time`, with `sig` as its
    // signature (none when empty), and runs the check.
    int check(int64_t remote_time, unsigned flags = 0, const std::string& body = program("kstlupd_9_7.exe"),
              const std::string& sig = signature("kstlupd_9_7.exe"))
    {
        server.add(kServed, body, remote_time, 200, flags);
        server.add(std::string(kServed) + ".minisig", sig, remote_time, sig.empty() ? 404 : 200);
        return checkSelfUpdate(nullptr, via_server, &updater);
    }

    DataSource updater;
    const std::string key = test_key();
    ScopedEnv update_keys{"KSTLUPD_TEST_UPDATE_KEYS", key.c_str()};
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

    // A build without an update key makes no offer; it says once that there is one.
    {
        ScopedEnv no_key{"KSTLUPD_TEST_UPDATE_KEYS", nullptr};
        EXPECT_EQ(check(kServerTime), 0);
    }
    EXPECT_NE(log_text().find("\nINFO:\tA newer KESTRL Data Updater dated  3-Nov-2023 is on the server, but this build "
                              "has no update key to check it with\n"),
              std::string::npos);
    EXPECT_EQ(dialogs.shown.size(), 4u);

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
    EXPECT_EQ(check(kServerTime + 3600, 0, program("kstlupd_9_8.exe"), signature("kstlupd_9_8.exe")), 1);
    EXPECT_EQ(read_file("kstlupd.~xe"), program("kstlupd_9_7.exe"));
    EXPECT_EQ(mtime_of("kstlupd.exe"), kServerTime + 3600);
}

TEST_F(NetSelfUpdate, OnlyWhatThePublisherSignedIsInstalled)
{
    struct Case {
        const char* installed;  // stand-in program in place of kstlupd.exe, or none
        std::string body;
        std::string sig;
        const char* why;
        const char* title = "New version";
    };
    const std::string refused = "The file received for kstlupd.exe is not a newer KESTRL Data Updater: ";
    const std::string v97 = program("kstlupd_9_7.exe");
    // clang-format off
    const Case cases[] = {
        {nullptr, v97, "", "HttpSendRequest failed, HTTP status = 404", "Internet error"},
        {nullptr, v97 + "\n", signature("kstlupd_9_7.exe"), "its signature does not match it"},
        {nullptr, v97, signature("kstlupd_9_8.exe"), "its signature does not match it"},
        {nullptr, v97, program("other_key.minisig"), "it is signed with a key this program does not trust"},
        {nullptr, v97, program("comment.minisig"), "the trusted comment of its signature was altered"},
        {nullptr, v97, program("renamed.minisig"), "its signature is for another file (\"renamed.exe\")"},
        {nullptr, v97, program("legacy.minisig"), "its signature is not of the prehashed kind minisign makes"},
        {nullptr, v97, "untrusted comment: none\n" + v97.substr(0, 100), "its signature file is not a minisign signature"},
        // Signed, and still refused: older than what runs or is installed, or unsigned
        // by Authenticode where a signed program is installed (this build cannot judge
        // a signer, so it never gives one up).
        {nullptr, program("kstlupd_9_5.exe"), signature("kstlupd_9_5.exe"), "its version 9.5.0.0 is older than the running 9.6"},
        {"kstlupd_9_8.exe", v97, signature("kstlupd_9_7.exe"), "its version 9.7.0.0 is older than the installed 9.8.0.0"},
        {"signed_9_7.exe", program("kstlupd_9_8.exe"), signature("kstlupd_9_8.exe"), "it is not signed, and the installed program is"},
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
        EXPECT_EQ(check(kServerTime, 0, c.body, c.sig), 0) << c.why;
        EXPECT_EQ(read_file("kstlupd.exe"), old_program) << c.why;
        EXPECT_EQ(read_file("kstlupd.~xe"), "backup") << c.why;
        EXPECT_FALSE(path_exists("kstlupd.exe.~kstlupd")) << c.why;
        const std::string log = log_text().substr(from);
        const std::string line = c.title == std::string("New version") ? refused + c.why : c.why;
        EXPECT_NE(log.find("\nERROR:\t" + line), std::string::npos) << log;
        EXPECT_EQ(log.find("ERROR:"), log.rfind("ERROR:")) << log;
        ASSERT_EQ(dialogs.shown.size(), 2u) << c.why;
        EXPECT_EQ(dialogs.shown[1].title, c.title);
    }

    // A signed copy may follow a signed one here (its signer is judged on Windows).
    dialogs.answers = {kIdYes, kIdNo};
    EXPECT_EQ(check(kServerTime, 0, program("signed_9_8.exe"), signature("signed_9_8.exe")), 0);
    EXPECT_EQ(read_file("kstlupd.exe"), program("signed_9_8.exe"));

    // A date more than a day ahead of this clock is no offer, and a download that
    // comes with one after the offer is not installed.
    write_file("kstlupd.exe", "old program");
    set_mtime("kstlupd.exe", kLocalTime);
    dialogs.shown.clear();
    EXPECT_EQ(check(int64_t(std::time(nullptr)) + 86400 + 600), 0);
    EXPECT_TRUE(dialogs.shown.empty());
    g_redated_server = &server;
    g_scripted_box = g_platform.message_box;
    g_platform.message_box = redating_box;
    dialogs.answers = {kIdYes};
    EXPECT_EQ(check(kServerTime), 0);
    g_platform.message_box = g_scripted_box;
    EXPECT_EQ(read_file("kstlupd.exe"), "old program");
    EXPECT_FALSE(path_exists("kstlupd.exe.~kstlupd"));
    EXPECT_NE(log_text().find(refused + "its date 31-Dec-9999 lies ahead of this computer's clock\n"),
              std::string::npos);
}

// What the reader of the program file finds refuses a file that is not this windowed
// 64-bit program; of several string tables, the one the Translation names counts.
TEST_F(NetSelfUpdate, ProgramChecksRefuseOtherFiles)
{
    write_file("page.html", "#!/bin/sh\nrm -rf ~\n");
    write_file("zeros", std::string(4096, '\0'));
    const std::string dir = std::string(KSTLUPD_TEST_PROGRAMS) + "/";
    const std::pair<std::string, const char*> cases[] = {
        {"page.html", "it is not a Windows program"},
        {"zeros", "it is not a Windows program"},
        {dir + "other_9_7.exe", "it is another program (\"kestrl\", \"kestrl.exe\")"},
        {dir + "no_version.exe", "it has no version information"},
        {dir + "console_9_7.exe", "it is not a windowed program (subsystem 3)"},
        {dir + "dll_9_7.exe", "it is a DLL, not a program"},
        {dir + "tables_other_9_7.exe", "it is another program (\"kestrl\", \"kestrl.exe\")"},
        {dir + "tables_9_7.exe", ""},
        {dir + "kstlupd_9_8.exe", ""},
    };
    for (const auto& [file, why] : cases) EXPECT_EQ(newProgramRefusal(file.c_str(), nullptr, nullptr), why) << file;
}

TEST_F(NetSelfUpdate, AnUpdateKilledBetweenItsRenamesIsRepaired)
{
    // Killed after the old file became the backup: the received file has lost its
    // signature, so the previous program comes back and the new one is offered again.
    std::remove("kstlupd.exe");
    write_file("kstlupd.exe.~kstlupd", program("kstlupd_9_7.exe"));
    write_file("kstlupd.~xe", program("kstlupd_9_6.exe"));
    EXPECT_EQ(check(kLocalTime), 0);  // no offer
    EXPECT_EQ(read_file("kstlupd.exe"), program("kstlupd_9_6.exe"));
    EXPECT_FALSE(path_exists("kstlupd.exe.~kstlupd"));
}
