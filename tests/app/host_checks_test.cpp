#include "app/host_checks.h"

#include <csignal>
#include <filesystem>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include "support/app_fixture.h"
#include "support/pe_builder.h"

extern char** environ;

namespace {

using HostChecks = AppTest;

TEST_F(HostChecks, VersionRulesCompareText)
{
    // A longer text sorts after its prefix; 10 sorts before 7.
    // clang-format off
    const struct { const char* version; int refused; uint32_t masterSlot; } rows[] = {
        {"8.5.0.39", 0, 10}, {"8.5.0.38", 0, 10}, {"8.4.9.9", 0, 10}, {"7.06", 0, 10}, {"7.05", 0, 9},
        {"8.5.0.100", 0, 10}, {"10.0.0.0", 0, 9}, {"8.5.0.4", 1, 10}, {"9.0.0.1", 1, 10}, {"8.5.0.39.1", 1, 10},
    };
    // clang-format on
    for (const auto& row : rows) {
        Config c;
        c.hostVersion = row.version;
        choose_master_slot(&c);
        EXPECT_EQ(version_refused(row.version), row.refused) << row.version;
        EXPECT_EQ(c.masterSlot, row.masterSlot) << row.version;
    }
}

TEST_F(HostChecks, VersionFromTheProgramsVersionResource)
{
    EXPECT_EQ(get_host_version(&g_config), 0);  // no kestrl.exe at all
    PeOptions bad;
    bad.signature = 0x12345678;
    PeOptions good;  // 8.5.0.39
    for (const PeOptions* o : {&bad, &good}) {
        const auto image = build_pe(*o);
        write_file("kestrl.exe", std::string(image.begin(), image.end()));
        EXPECT_EQ(get_host_version(&g_config), o == &good ? 1 : 0);
    }
    EXPECT_EQ(g_config.hostVersion, "8.5.0.39");
    EXPECT_EQ(log_text(), "\nKESTRL version is 8.5.0.39\n\n");
    // A version from the command line is taken without reading the program.
    std::remove("kestrl.exe");
    g_config.hostVersion = "8.4.0.1";
    EXPECT_EQ(get_host_version(&g_config), 1);
    EXPECT_EQ(g_config.hostVersion, "8.4.0.1");
}

TEST_F(HostChecks, RunningCheckUsesProcessNamesCaseSensitively)
{
    static std::vector<std::string> names;
    g_platform.process_names = [](std::vector<std::string>* out) {
        *out = names;
        return 1;
    };
    names = {"bash", "KESTRL.EXE", "wineserver"};
    EXPECT_EQ(host_running(), 0);
    names = {"bash", "my-kestrl.exe"};
    EXPECT_EQ(host_running(), 1);
    g_platform.process_names = [](std::vector<std::string>*) { return 0; };
    EXPECT_EQ(host_running(), 1);  // no list: taken to be running
}

TEST_F(HostChecks, RealProcessNamedLikeTheLoggingProgramIsSeen)
{
    EXPECT_EQ(host_running(), 0);
    // A copy of sleep under a Windows-looking name, as a program under Wine shows.
    std::filesystem::copy_file("/bin/sleep", "kestrl.exe");
    ::chmod("kestrl.exe", 0755);
    const std::string path = folder.path + "/kestrl.exe";
    char* const argv[] = {const_cast<char*>(path.c_str()), const_cast<char*>("30"), nullptr};
    pid_t pid = 0;
    ASSERT_EQ(::posix_spawn(&pid, path.c_str(), nullptr, nullptr, argv, environ), 0);
    int seen = 0;
    for (int i = 0; i < 200 && !seen; ++i) {
        seen = host_running();
        if (!seen) ::usleep(10000);
    }
    ::kill(pid, SIGKILL);
    ::waitpid(pid, nullptr, 0);
    EXPECT_EQ(seen, 1);
}

}  // namespace
