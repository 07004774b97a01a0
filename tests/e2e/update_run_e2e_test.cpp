// Whole unattended runs of the real program in a sample logging-program folder,
// against nginx on loopback serving a sample mirror, reached through -proxy.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <map>
#include <random>
#include <set>
#include <sstream>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "support/mirror_server.h"
#include "support/program_run.h"
#include "support/temp_folder.h"

namespace {

namespace fs = std::filesystem;

const std::string kSep(56, '-');

// Every file below `root` by relative path, but the logs and the program's output.
std::map<std::string, std::string> snapshot(const std::string& root)
{
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        const std::string name = fs::relative(entry.path(), root).string();
        if (entry.is_regular_file() && name != "kstlupd.log" && name != "kstlupd.old.log" && name != "program.out")
            files[name] = read_file(entry.path().string());
    }
    return files;
}

class UpdateRunEndToEnd : public ::testing::Test {
protected:
    void SetUp() override
    {
        // A folder name with non-ASCII letters, as a user profile often has.
        sample = folder.path + "/s\xc3\xa4mple";
        ASSERT_TRUE(make_sample_data(sample, 3000));
        server = std::make_unique<MirrorServer>(sample + "/mirror", folder.path + "/nginx");
        ASSERT_NE(server->port, 0) << "nginx did not start";
        kestrl = sample + "/kestrl";
    }
    // One unattended run, on a terminal (script's) or through a pipe; returns the log.
    std::string run(std::vector<std::string> extra = {}, bool terminal = false)
    {
        std::vector<std::string> args{"-auto", "-nocheck", "-debug", "-proxy",
                                      proxy_arg.empty() ? "127.0.0.1:" + std::to_string(server->port) : proxy_arg};
        args.insert(args.end(), extra.begin(), extra.end());
        std::string command = KSTLUPD_BINARY;
        for (const std::string& a : args) command += " " + a;
        if (terminal) args = {"script", "-qec", command, "/dev/null"};
        ProgramRun r = run_binary(terminal ? "/usr/bin/env" : KSTLUPD_BINARY, args, kestrl,
                                  {{"XDG_DATA_HOME", folder.path + "/xdg"}});
        EXPECT_EQ(r.exit_status, 0);
        EXPECT_FALSE(r.timed_out);
        std::string log = read_file(kestrl + "/kstlupd.log");
        std::erase(log, '\r');  // the Windows build writes CR LF
        return log;
    }
    std::string file(const std::string& name) { return read_file(kestrl + "/" + name); }
    // A copy of the logging-program folder beside it, with its times and the run's
    // application-data folder (NAME.xdg).
    std::string copy_of_kestrl(const std::string& name)
    {
        const std::string copy = folder.path + "/" + name;
        EXPECT_EQ(std::system(("cp -a '" + kestrl + "' '" + copy + "' && { [ ! -d '" + folder.path +
                               "/xdg' ] || cp -a '" + folder.path + "/xdg' '" + copy + ".xdg'; }")
                                  .c_str()),
                  0);
        return copy;
    }
    // Serves a newer mirror, its files dated a day later, in place of the sample's.
    void serve_newer_mirror()
    {
        ASSERT_EQ(std::system(("python3 " KSTLUPD_SOURCE_DIR "/scripts/make_sample_data.py '" + folder.path +
                               "/newer' --calls 3000 --seed 74 >/dev/null")
                                  .c_str()),
                  0);
        for (const auto& entry : fs::recursive_directory_iterator(folder.path + "/newer/mirror"))
            if (entry.is_regular_file()) set_mtime(entry.path().string(), 1764000000 + 86400);
        // The calendar's copy carries our clock's time of its fetch, and the server is
        // asked what changed since a day before it: a changed calendar dated earlier
        // than that (a day after the other files, more than a year ago) would be
        // answered "not modified" by one run, yet fetched by another whose copy is
        // older (a run killed inside the calendar check).
        set_mtime(folder.path + "/newer/mirror/www.425dxn.org/kestrl.php", std::time(nullptr));
        fs::rename(sample + "/mirror", folder.path + "/older");
        fs::rename(folder.path + "/newer/mirror", sample + "/mirror");
    }

    TempFolder folder;
    std::unique_ptr<MirrorServer> server;
    std::string sample;
    std::string kestrl;
    std::string proxy_arg;  // the -proxy of the runs when not the server itself
};

TEST_F(UpdateRunEndToEnd, FirstRunInstallsEverythingSecondRunFetchesNothing)
{
    const std::string first = run({}, true);
    // On the terminal: the result lines as they come, each download's progress drawn
    // in place, each error on one line, and the summary.
    const std::string shown = file("program.out");
    for (const std::string& line : std::vector<std::string>{
             "Downloaded:  Custom Awards (AWD) -- 24-Nov-2025 16:00\r\n", "\rDownloading:  Country File (CTY)  100%  ",
             "Club Log -- Internet Error\r\n", kSep + "\r\nUpdated:  Custom Awards (AWD)\r\n",
             "\r\nInternet error: ", "Update finished: 7 files were updated. There was one error.\r\n"})
        EXPECT_NE(shown.find(line), std::string::npos) << line << "\n" << shown;
    // Download results, then a blank line, the separator and a blank line, then installs.
    // (Club Log fails: nginx tunnels no TLS.)
    for (const char* line :
         {"Downloaded:  Custom Awards (AWD) -- 24-Nov-2025 16:00\n", "Downloaded:  425 DX Calendar\n",
          "Downloaded:  Country File (CTY) -- 24-Nov-2025 16:00\n", "Club Log -- Internet Error\n",
          "Downloaded:  Super Check Partial -- 24-Nov-2025 16:00\n", "Downloaded:  eQSL -- 24-Nov-2025 16:00\n",
          "ERROR:\tHttpSendRequest failed, HTTP status = 400\nhttp://cdn.clublog.org/clublog.scp.zip\nThe proxy "
          "server refused the secure connection (HTTP status 400)\nClub Log -- Internet Error\n"})
        EXPECT_NE(first.find(line), std::string::npos) << line;
    EXPECT_EQ(first.find("IOTA Islands (XML) --"), std::string::npos);  // not selected, not required
    const std::string installs = "\n\n" + kSep + "\n\nUpdated:  Custom Awards (AWD)\n";
    const size_t at = first.find(installs);
    ASSERT_NE(at, std::string::npos) << first;
    const std::string tail = first.substr(at);
    // clang-format off
    const char* const order[] = {
        "Updated:  Custom Awards (AWD)\n", "Updated:  Calendar (CAL)\n",
        "Updated:  Country File (CTY) -- 24-Nov-2025 16:00\n", "Updated:  Master Callsigns (MAS1)\n",
        "Updated:  Membership List (MAS2)\n", "Updated:  DX Cluster Nodes (TCP) -- 24-Nov-2025 16:00\n",
        "Updated:  CQ WPX Honor Roll (WPX) -- 24-Nov-2025 16:00\n"};
    // clang-format on
    size_t pos = 0;
    for (const auto& line : order) {
        size_t found = tail.find(line, pos);
        EXPECT_NE(found, std::string::npos) << line;
        if (found != std::string::npos) pos = found;
    }
    EXPECT_NE(first.find("INFO:\t7 files were updated.\nThere was one error.\n"), std::string::npos);
    const std::string separator = "\n\n" + kSep + "\n\n";
    EXPECT_TRUE(first.find(separator) == at && first.rfind(separator) == at);  // the only one

    // What was installed.
    EXPECT_EQ(file("SAVE/kestrl.awd").rfind("AWARD,", 0), 0u);
    EXPECT_EQ(file("SAVE/kestrl.cty").rfind("Sample Country:", 0), 0u);
    EXPECT_EQ(file("IMPORT/adif.pmp").rfind("K 291\r\n", 0), 0u);
    EXPECT_EQ(file("SAVE/KESTRL.CAL").rfind("CALB", 0), 0u);
    EXPECT_EQ(file("KESTRL.MAS1").rfind("KSTLMAS1\x0c", 0), 0u);
    EXPECT_NE(file("KESTRL.MAS2").find("MEMBERA"), std::string::npos);
    const std::string nodes = file("SAVE/KESTRL.TCP");
    EXPECT_EQ(nodes.rfind("K1TTT,", 0), 0u);  // the favourite stays first
    EXPECT_NE(nodes.find("MYLOCAL1,192.168.1.20:7300\r\n"), std::string::npos);
    EXPECT_NE(nodes.find("\r\nVERSION,2025-11-20\r\n"), std::string::npos);
    EXPECT_EQ(file("BACKUP/KESTRL.TCP"), "K1TTT,dxc.k1ttt.example:7373\r\nMYLOCAL1,192.168.1.20:7300\r\n"
                                         "LOCAL,127.0.0.1:7300\r\nVERSION,2025-01-01\r\n");
    EXPECT_EQ(mtime_of(kestrl + "/UPDATE/kestrl_cty.zip"), 1764000000);

    // Second run: every copy is current; nothing is fetched or installed.
    write_file(server->state + "/access.log", "");
    const std::string second = run();
    // Headers only, over one kept-alive connection: every source answered 304, but
    // the calendar, which is fetched whole every time and found the same.
    std::istringstream requests(server->access_log());
    std::set<std::string> connections;
    size_t unchanged = 0;
    for (std::string line, host, method, uri, status, bytes, connection; std::getline(requests, line);) {
        if (!(std::istringstream(line) >> host >> method >> uri >> status >> bytes >> connection)) continue;
        connections.insert(connection);
        if (uri.ends_with("kestrl.php")) {
            EXPECT_EQ(status, "200") << line;
            continue;
        }
        EXPECT_EQ(status, "304") << line;
        EXPECT_LE(std::stoi(bytes), 1024) << line;
        ++unchanged;
    }
    EXPECT_EQ(unchanged, 8u);
    // Wine's WinINet opens a new proxy connection for each request.
    if (!std::getenv("KSTLUPD_E2E_WINE_EXE")) {
        EXPECT_EQ(connections.size(), 1u) << server->access_log();
    }
    EXPECT_EQ(second.find("Downloaded:"), std::string::npos) << second;
    EXPECT_EQ(second.find("Updated:"), std::string::npos);
    EXPECT_NE(second.find("Country File (CTY) -- 24-Nov-2025 16:00\n"), std::string::npos);
    EXPECT_NE(second.find("INFO:\tNo files were updated.\nThere was one error.\n"), std::string::npos);
    EXPECT_EQ(second.find("\n\n" + kSep + "\n\n"), std::string::npos);
    // Through a pipe only a failed run says anything: its failures and the summary.
    std::string said = file("program.out");
    std::erase(said, '\r');
    EXPECT_EQ(said.rfind("ERROR:\t", 0), 0u) << said;
    const std::string summary = "\nClub Log -- Internet Error\nINFO:\tNo files were updated.\nThere was one error.\n";
    EXPECT_TRUE(said.ends_with(summary)) << said;
    // A run killed after its installs but before it recorded them (every copy still
    // marked) installs again: each target holds those bytes already, so nothing is
    // backed up, and BACKUP keeps what the first run replaced.
    const std::map<std::string, std::string> backups = snapshot(kestrl + "/BACKUP");
    for (const auto& entry : fs::directory_iterator(kestrl + "/UPDATE"))
        write_file(entry.path().string() + ".~notinstalled", "");
    const std::string repeated = run();
    EXPECT_NE(repeated.find("Updated:  CQ WPX Honor Roll (WPX) -- 24-Nov-2025 16:00\n"), std::string::npos);
    EXPECT_TRUE(snapshot(kestrl + "/BACKUP") == backups);
    EXPECT_FALSE(path_exists(kestrl + "/UPDATE/KESTRL.WPX.~notinstalled"));
    // A run that went well (Club Log reached as on the Internet: TLS to the mirror,
    // not through the proxy that tunnels none) says nothing.
    if (!std::getenv("KSTLUPD_E2E_WINE_EXE")) {
        const std::string pairs = folder.path + "/connect-to";
        ASSERT_EQ(std::system(("'" KSTLUPD_SOURCE_DIR "/scripts/mirror_server.sh' connect-to '" + server->state +
                               "' >'" + pairs + "'")
                                  .c_str()),
                  0);
        std::string connect_to = read_file(pairs);
        connect_to.erase(connect_to.find('\n'));
        std::vector<std::pair<std::string, std::string>> env{{"XDG_DATA_HOME", folder.path + "/xdg"},
                                                             {"KSTLUPD_TEST_CONNECT_TO", connect_to},
                                                             {"SSL_CERT_FILE", server->state + "/ca.pem"}};
        for (const char* proxy : {"http_proxy", "https_proxy", "HTTP_PROXY", "HTTPS_PROXY", "ALL_PROXY", "all_proxy"})
            env.emplace_back(proxy, "");
        const ProgramRun quiet = run_binary(KSTLUPD_HOOKS_BINARY, {"-auto", "-nocheck"}, kestrl, env);
        EXPECT_EQ(quiet.exit_status, 0);
        EXPECT_NE(file("kstlupd.log").find("INFO:\tOne file was updated.\n\n-"), std::string::npos)
            << file("kstlupd.log");
        EXPECT_EQ(file("program.out"), "");
    }
}

// A FIFO where a file is read would stop a run for ever, and a link planted at a
// temporary name would have the run change what it points at.
TEST_F(UpdateRunEndToEnd, FifosAreRefusedAndPlantedLinksLeadNowhere)
{
    for (const char* name : {"kstlupd.ini", "SAVE/KESTRL.WPX", "SAVE/KESTRL.TCP"}) {
        const std::string path = kestrl + "/" + name;
        std::remove(path.c_str());
        ASSERT_EQ(::mkfifo(path.c_str(), 0644), 0) << name;
        set_mtime(path, 1500000000);  // older than the mirror's copies: they are fetched
    }
    const std::string outside = folder.path + "/outside";
    write_file(outside, "not yours");
    ::chmod(outside.c_str(), 0444);
    for (const char* name : {"SAVE/kestrl.cty.~kstlupd", "kstlupd.ini.~kstlupd"})
        fs::create_symlink(outside, kestrl + "/" + name);

    const std::string log = run();
    EXPECT_NE(log.find("ERROR:\tError opening kstlupd.ini:\nNot a regular file\n"), std::string::npos) << log;
    // Wine shows a FIFO as no file at all: there is nothing to back up, and the
    // installing copy cannot replace it.
    const char* wine = std::getenv("KSTLUPD_E2E_WINE_EXE");
    for (const std::string name : {"KESTRL.TCP", "KESTRL.WPX"}) {
        const std::string error = wine && *wine
                                      ? "Can't copy UPDATE\\" + name + " to SAVE\\" + name + "\nError Code = 5"
                                      : "Can't backup SAVE\\" + name + " to BACKUP\\" + name + "\nError Code = 222";
        EXPECT_NE(log.find("ERROR:\t" + error + "\n"), std::string::npos) << name << "\n" << log;
    }
    EXPECT_EQ(read_file(outside), "not yours");
    EXPECT_EQ(fs::status(outside).permissions(), fs::perms(0444));
}

constexpr int64_t kServerTime = 1764000000, kDay = 86400;

// Two versions of a plain file in two runs: each installed one carries the server's
// date and the backup holds the version it replaced, with its date. An archive whose
// member could not be written to a read-only SAVE is not counted as installed: the
// next run fetches it again and installs it. A missing target is fetched again though
// its copy is current, and -reset fetches everything again.
TEST_F(UpdateRunEndToEnd, InstallsCarryTheServersDateKeepTheReplacedVersionAndFailuresAreRetried)
{
    const std::string wpx = sample + "/mirror/updates.kstlupd.example/kestrl/WPX/KESTRL.WPX";
    const std::string cty = sample + "/mirror/www.country-files.com/kestrl/download/kestrl_cty.zip";
    const std::string save = kestrl + "/SAVE", stage = folder.path + "/cty";
    run();
    const std::string wpx1 = file("SAVE/KESTRL.WPX"), cty1 = file("SAVE/kestrl.cty");
    EXPECT_EQ(mtime_of(save + "/KESTRL.WPX"), kServerTime);

    write_file(wpx, "W1AW 2\r\n");
    set_mtime(wpx, kServerTime + kDay);
    make_dir(stage);
    write_file(stage + "/kestrl.cty", "New Country:  14:\r\n");
    write_file(stage + "/adif.pmp", "K 291\r\nNEW 1\r\n");
    ASSERT_EQ(
        std::system(("cd '" + stage + "' && rm '" + cty + "' && zip -q -X '" + cty + "' kestrl.cty adif.pmp").c_str()),
        0);
    set_mtime(cty, kServerTime + kDay);
    const bool bound = ::mount(save.c_str(), save.c_str(), nullptr, MS_BIND, nullptr) == 0;
    if (bound && ::mount(nullptr, save.c_str(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr) == 0) {
        const std::string failed = run();
        ::umount2(save.c_str(), MNT_DETACH);
        EXPECT_NE(
            failed.find("ERROR:\tCan't extract kestrl.cty from UPDATE\\kestrl_cty.zip: can't write SAVE\\kestrl.cty\n"),
            std::string::npos)
            << failed;
        EXPECT_EQ(failed.find("Updated:"), std::string::npos) << failed;
        EXPECT_EQ(file("IMPORT/adif.pmp"), "K 291\r\nNEW 1\r\n");  // the other member is still written
        EXPECT_EQ(file("SAVE/kestrl.cty"), cty1);
        EXPECT_EQ(file("SAVE/KESTRL.WPX"), wpx1);
    } else {
        if (bound) ::umount2(save.c_str(), MNT_DETACH);
        std::printf("SAVE cannot be made read-only here (needs root): that run is left out\n");
    }

    const std::string second = run();
    EXPECT_NE(second.find("Updated:  Country File (CTY) -- 25-Nov-2025 16:00\n"), std::string::npos) << second;
    EXPECT_EQ(file("SAVE/kestrl.cty"), "New Country:  14:\r\n");
    EXPECT_EQ(file("BACKUP/kestrl.cty"), cty1);
    EXPECT_EQ(file("SAVE/KESTRL.WPX"), "W1AW 2\r\n");
    EXPECT_EQ(mtime_of(save + "/KESTRL.WPX"), kServerTime + kDay);
    EXPECT_EQ(file("BACKUP/KESTRL.WPX"), wpx1);
    EXPECT_EQ(mtime_of(kestrl + "/BACKUP/KESTRL.WPX"), kServerTime);
    EXPECT_FALSE(path_exists(kestrl + "/UPDATE/KESTRL.WPX.~notinstalled"));

    std::remove((save + "/KESTRL.WPX").c_str());
    const std::string again = run();
    EXPECT_NE(again.find("Downloaded:  CQ WPX Honor Roll (WPX) -- 25-Nov-2025 16:00\n"), std::string::npos) << again;
    EXPECT_NE(again.find("INFO:\tOne file was updated.\nThere was one error.\n"), std::string::npos);
    EXPECT_EQ(file("SAVE/KESTRL.WPX"), "W1AW 2\r\n");
    const std::string reset = run({"-reset"});
    EXPECT_NE(reset.find("Downloaded:  Country File (CTY) -- 25-Nov-2025 16:00\n"), std::string::npos) << reset;
    EXPECT_NE(reset.find("Downloaded:  Super Check Partial -- 24-Nov-2025 16:00\n"), std::string::npos);
    EXPECT_NE(reset.find("DEBUG:\tDeleting UPDATE\\kestrl_cty.zip (Country File (CTY))\n"), std::string::npos);
    EXPECT_TRUE(path_exists(kestrl + "/member.txt"));
}

// Behind a caching proxy (squid) that wants a login, and a server that compresses
// everything (nginx with gzip): the login given with -proxy is used and never
// logged, the files come whole, and a changed file is seen by the next run, not
// when the proxy's copy grows old.
TEST_F(UpdateRunEndToEnd, ThroughACachingProxyCompressedFilesComeWholeAndChangesAtOnce)
{
    make_dir(folder.path + "/gzip");
    write_file(folder.path + "/gzip/locations.conf", "gzip on; gzip_types *; gzip_proxied any; gzip_min_length 1;\n");
    server = std::make_unique<MirrorServer>(sample + "/mirror", folder.path + "/gzip");
    ASSERT_NE(server->port, 0) << "nginx did not start";
    CachingProxy squid(folder.path + "/squid", server->port, "kst", "se:cr@t");
    if (squid.port == 0) GTEST_SKIP() << "squid could not be started";
    proxy_arg = "127.0.0.1:" + std::to_string(squid.port);
    const std::string refused = run();
    EXPECT_NE(refused.find("ERROR:\tHttpSendRequest failed, HTTP status = 407\nhttp://www.country-files.com/kestrl/"
                           "download/kestrl_cty.zip\nThe proxy server asks for a user name and password"),
              std::string::npos)
        << refused;
    proxy_arg = "http://kst:se%3Acr%40t@" + proxy_arg;
    const std::string wpx = sample + "/mirror/updates.kstlupd.example/kestrl/WPX/KESTRL.WPX";
    const std::string first = run();
    EXPECT_EQ(file("SAVE/KESTRL.WPX"), read_file(wpx));
    EXPECT_NE(first.find("Updated:  CQ WPX Honor Roll (WPX) -- 24-Nov-2025 16:00\n"), std::string::npos) << first;
    EXPECT_NE(first.find("Updated:  DX Cluster Nodes (TCP) -- 24-Nov-2025 16:00\n"), std::string::npos) << first;
    EXPECT_EQ(first.find("encod"), std::string::npos) << first;
    EXPECT_TRUE(first.find("se%3Acr") == std::string::npos && first.find("se:cr") == std::string::npos) << first;

    std::string changed;
    for (int i = 0; i < 4000; ++i) changed += "W" + std::to_string(i) + "AW 2\r\n";
    write_file(wpx, changed);
    set_mtime(wpx, kServerTime + kDay);
    const std::string second = run();
    EXPECT_NE(second.find("Updated:  CQ WPX Honor Roll (WPX) -- 25-Nov-2025 16:00\n"), std::string::npos) << second;
    // The server itself sent the new file, compressed.
    std::istringstream requests(server->access_log());
    std::string last;
    for (std::string line; std::getline(requests, line);)
        if (line.find("KESTRL.WPX 200 ") != std::string::npos) last = line;
    ASSERT_NE(last, "") << server->access_log();
    EXPECT_LT(std::stoul("0" + last.substr(last.find(" 200 ") + 5)), changed.size() / 4) << last;
    EXPECT_TRUE(file("SAVE/KESTRL.WPX") == changed);
}

// Sign-in and portal pages in place of a callsign list, a membership list, a node list
// and the WPX file, and a calendar without one event, are refused as they arrive:
// nothing in UPDATE or installed changes, each is one error, and each stays due.
TEST_F(UpdateRunEndToEnd, APageReplacesNothing)
{
    const std::string mirror = sample + "/mirror/";
    const std::string scp = mirror + "www.supercheckpartial.com/MASTER.LIS";
    run();
    const std::map<std::string, std::string> before = snapshot(kestrl);
    std::string utf16 = "\xFF\xFE";
    for (char c : std::string("\r\n<html><body>Sign in</body></html>")) utf16 += std::string{c, '\0'};
    const std::pair<std::string, std::string> pages[] = {
        {scp, "<head><title>Sign in</title></head>\r\n<body><form action=\"/login\">Call: <input></form></body>\r\n"},
        {mirror + "www.eqsl.cc/qslcard/DownloadedFiles/AGMemberList.txt", utf16},
        {mirror + "nodes.dxcluster.example/telnet/KESTRL.TCP",
         "<!-- portal -->\r\n<meta http-equiv=\"refresh\" content=\"0; url=http://portal.example/\">\r\n"},
        {mirror + "updates.kstlupd.example/kestrl/WPX/KESTRL.WPX",
         "<?xml version=\"1.0\"?>\r\n<!DOCTYPE html PUBLIC \"-//W3C//DTD XHTML 1.0 Strict//EN\" \"x.dtd\">\r\n"
         "<html><body>Sign in</body></html>\r\n"},
        {mirror + "www.425dxn.org/kestrl.php", "[1,2,3]"}};
    for (const auto& [path, body] : pages) {
        write_file(path, body);
        set_mtime(path, kServerTime + kDay);
    }
    const std::string refused = run();
    for (const char* line : {"ERROR:\tThe download of Super Check Partial was refused: it is a web page\n",
                             "ERROR:\tThe download of eQSL was refused: it is a web page\n",
                             "ERROR:\tThe download of DX Cluster Nodes (TCP) was refused: it is a web page\n",
                             "ERROR:\tThe download of CQ WPX Honor Roll (WPX) was refused: it is a web page\n",
                             "ERROR:\tThe download of 425 DX Calendar was refused: it holds no calendar event\n",
                             "INFO:\tNo files were updated.\nThere were 6 errors.\n"})  // and Club Log: no TLS
        EXPECT_NE(refused.find(line), std::string::npos) << line << refused;
    EXPECT_EQ(snapshot(kestrl), before);
    EXPECT_EQ(mtime_of(kestrl + "/UPDATE/MASTER.LIS"), kServerTime);
    // Still due: the next run fetches it again.
    EXPECT_NE(run().find("The download of Super Check Partial was refused"), std::string::npos);
}

// Killed with SIGKILL at random moments spread over a run that installs a newer
// mirror, a copy of the folder holds every file whole, old or new, and the next run
// finishes the job: every file as after an uninterrupted run, no temporary file left.
TEST_F(UpdateRunEndToEnd, KilledRunsLeaveWholeFilesAndTheNextRunFinishes)
{
    run();
    const auto old_files = snapshot(kestrl);
    serve_newer_mirror();

    const std::vector<std::string> args{"-auto", "-nocheck", "-proxy", "127.0.0.1:" + std::to_string(server->port)};
    auto run_copy = [&](const std::string& name, double seconds) {
        const std::string copy = copy_of_kestrl(name);
        return run_binary(KSTLUPD_BINARY, args, copy, {{"XDG_DATA_HOME", copy + ".xdg"}}, seconds);
    };
    const auto start = std::chrono::steady_clock::now();
    ASSERT_FALSE(run_copy("whole", 60).timed_out);
    const double length = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const auto new_files = snapshot(folder.path + "/whole");
    ASSERT_TRUE(new_files.at("SAVE/KESTRL.WPX") != old_files.at("SAVE/KESTRL.WPX"));
    ASSERT_TRUE(new_files.at("SAVE/KESTRL.CAL") != old_files.at("SAVE/KESTRL.CAL"));

    std::mt19937 random(std::random_device{}());
    const int kills = 4;
    // First, made by hand, what a kill inside the calendar check leaves (its marker
    // written, the answer not yet in): random kills seldom hit that short a moment.
    for (int i = -1; i < kills; ++i) {
        const double moment = length * (i + std::uniform_real_distribution<>(0, 1)(random)) / kills;
        const std::string name = i < 0 ? "killed in the calendar check" : "killed" + std::to_string(i);
        SCOPED_TRACE(i < 0 ? name : name + " at " + std::to_string(moment) + " s of " + std::to_string(length) + " s");
        if (i < 0)
            write_file(copy_of_kestrl(name) + "/UPDATE/kestrl.php.~notinstalled", "fetched, not yet installed\r\n");
        else run_copy(name, moment);
        for (const auto& [file, bytes] : snapshot(folder.path + "/" + name)) {
            if (file.ends_with(".~kstlupd") || file.ends_with(".~notinstalled")) continue;
            const bool as_old = old_files.count(file) && old_files.at(file) == bytes;
            const bool as_new = new_files.count(file) && new_files.at(file) == bytes;
            EXPECT_TRUE(as_old || as_new) << file << " is neither its old nor its new content";
        }
        EXPECT_EQ(run_binary(KSTLUPD_BINARY, args, folder.path + "/" + name,
                             {{"XDG_DATA_HOME", folder.path + "/" + name + ".xdg"}})
                      .exit_status,
                  0);
        // A backup may then hold the new version: an install the kill cut off before
        // it counted is made again, and backs up what it had already put in place.
        const auto after = snapshot(folder.path + "/" + name);
        for (const auto& [file, bytes] : new_files)
            EXPECT_TRUE(after.count(file) && (after.at(file) == bytes || file.rfind("BACKUP/", 0) == 0)) << file;
        for (const auto& [file, bytes] : after) EXPECT_TRUE(new_files.count(file)) << file << " is left over";
    }
}

// The Linux program and the Windows program under Wine (another Linux run where the
// Windows build is not under test) on one folder at once, started together or one
// while the other holds the folder: one run does the work, the other is refused
// before it touches anything, and the folder ends as after the first run alone.
TEST_F(UpdateRunEndToEnd, RunsOfBothBuildsInOneFolderTakeTurns)
{
    run();
    serve_newer_mirror();
    // The calendar served slowly: a run lasts a few seconds, longer than Wine takes
    // to start a program.
    make_dir(folder.path + "/slow");
    write_file(folder.path + "/slow/locations.conf", "location = /kestrl.php { limit_rate 6k; }\n");
    MirrorServer slow(sample + "/mirror", folder.path + "/slow");
    ASSERT_NE(slow.port, 0);
    // The second is the Windows program when it stands in for KSTLUPD_BINARY.
    const std::string linux_program = fs::path(KSTLUPD_BINARY).parent_path().string() + "/./kstlupd";
    const std::string programs[2] = {linux_program, KSTLUPD_BINARY};
    auto args = [](int port) {
        return std::vector<std::string>{"-auto", "-nocheck", "-proxy", "127.0.0.1:" + std::to_string(port)};
    };
    std::map<std::string, std::string> alone[2];
    for (int b : {0, 1}) {
        const std::string copy = copy_of_kestrl("alone" + std::to_string(b));
        EXPECT_EQ(run_binary(programs[b], args(server->port), copy, {{"XDG_DATA_HOME", copy + ".xdg"}}).exit_status, 0);
        alone[b] = snapshot(copy);
    }
    ASSERT_NE(alone[0].at("SAVE/KESTRL.WPX"), snapshot(kestrl).at("SAVE/KESTRL.WPX"));

    // clang-format off
    const struct { int first; bool once_held; } tries[] = {{0, false}, {1, false}, {1, true}};
    // clang-format on
    for (size_t i = 0; i < std::size(tries); ++i) {
        const int first = tries[i].first;
        SCOPED_TRACE("try " + std::to_string(i));
        const std::string copy = copy_of_kestrl("pair" + std::to_string(i));
        pid_t pid[2];
        auto start = [&](int b) {
            pid[b] = start_binary(programs[b], args(slow.port), copy, {{"XDG_DATA_HOME", copy + ".xdg"}},
                                  copy + ".out" + std::to_string(b));
        };
        // The log is made once the run lock is held.
        fs::remove(copy + "/kstlupd.log");
        start(first);
        for (int wait = 0; tries[i].once_held && wait < 3000 && !path_exists(copy + "/kstlupd.log"); ++wait)
            ::usleep(10000);
        start(1 - first);
        const int status[2] = {wait_child(pid[0], 120, false), wait_child(pid[1], 120, false)};
        const int ran = status[0] == 0 ? 0 : 1;
        EXPECT_EQ(std::multiset<int>(status, status + 2), (std::multiset<int>{0, 255}));
        EXPECT_TRUE(!tries[i].once_held || ran == first);
        const std::string refused = read_file(copy + ".out" + std::to_string(1 - ran));
        EXPECT_NE(refused.find("File Open: Error opening kstlupd.log: Permission denied"), std::string::npos)
            << refused;
        const std::string log = read_file(copy + "/kstlupd.log");
        EXPECT_EQ(log.find("started on"), log.rfind("started on")) << log;
        EXPECT_TRUE(snapshot(copy) == alone[ran]);
    }
}

}  // namespace
