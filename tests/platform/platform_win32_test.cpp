// The Windows table against the real system (under Wine), beyond the contract both
// tables share (platform_contract_test.cpp): names with non-ASCII letters, a version resource made by windres, the
// process list, WinINet against real sockets and nginx, and the swap of a running
// program file by the self-update.
#include <gtest/gtest.h>

#include <windows.h>
#include <winsock2.h>
#include <schannel.h>
#include <wincrypt.h>
#include <wininet.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <thread>

#include "app/host_checks.h"
#include "files/file_ops.h"
#include "net/http_fetch.h"
#include "net/self_update.h"
#include "platform/win32/platform_win32.h"
#include "platform/win32/text_win32.h"
#include "support/app_fixture.h"
#include "support/scoped_env.h"

namespace {

using Win32Seam = AppTest;

std::string own_program()
{
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    return narrow(path);
}

// The fixture's nginx: plain HTTP (also as a proxy) and HTTPS with an untrusted
// test authority.
void server_ports(int* http, int* https)
{
    const char* state = std::getenv("KSTLUPD_TEST_SERVERS");
    std::ifstream in(std::string("Z:") + (state ? state : "") + "/nginx/ports");
    *http = *https = 0;
    in >> *http >> *https;
}

// A stand-in program of the test build (tests/support/test_programs).
std::string test_program(const std::string& name) { return std::string(KSTLUPD_TEST_PROGRAMS) + "/" + name; }

// The test authority that signed the stand-in programs, trusted by this prefix.
bool trust_test_root()
{
    std::ifstream in(test_program("root.cer"), std::ios::binary);
    const std::string der{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    HCERTSTORE store = CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0, CERT_SYSTEM_STORE_LOCAL_MACHINE, L"Root");
    if (!store || der.empty()) return false;
    const BOOL added =
        CertAddEncodedCertificateToStore(store, X509_ASN_ENCODING, reinterpret_cast<const BYTE*>(der.data()),
                                         DWORD(der.size()), CERT_STORE_ADD_REPLACE_EXISTING, nullptr);
    CertCloseStore(store, 0);
    return added != FALSE;
}

// A process running a copy of this test program under `name`, until killed.
PROCESS_INFORMATION start_copy(const char* name)
{
    PROCESS_INFORMATION process{};
    if (!CopyFileW(widen(own_program().c_str()).c_str(), widen(name).c_str(), FALSE)) return process;
    std::wstring command = widen(name) + L" --gtest_also_run_disabled_tests --gtest_filter=*DISABLED_StayAlive";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process);
    return process;
}

void stop(PROCESS_INFORMATION* process)
{
    if (!process->hProcess) return;
    TerminateProcess(process->hProcess, 0);
    WaitForSingleObject(process->hProcess, 5000);
    CloseHandle(process->hProcess);
    CloseHandle(process->hThread);
}

// A loopback socket that takes connections and never answers; 0 when none.
SOCKET silent_listener(int* port)
{
    WSADATA wsa;
    if (WSAStartup(MAKEWORD(2, 2), &wsa) != 0) return INVALID_SOCKET;
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int size = sizeof address;
    if (bind(s, reinterpret_cast<sockaddr*>(&address), size) != 0 || listen(s, 8) != 0 ||
        getsockname(s, reinterpret_cast<sockaddr*>(&address), &size) != 0)
        return INVALID_SOCKET;
    *port = ntohs(address.sin_port);
    return s;
}

}  // namespace

// Started by the tests as a stand-in for a running program, and by their fixture with
// the X display to hold Wine's desktop for the whole run (desktop.held says it does).
// Wine's desktop comes up with the window system of the first program that needs it:
// held from the start, it never comes up under an end-to-end run's program, which has
// no display, and the window tests always get windows.
TEST(Win32Helper, DISABLED_StayAlive)
{
    if (CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr))
        std::ofstream("desktop.held") << "held\n";
    Sleep(4 * 3600 * 1000);
}

TEST(Win32CommandLine, TheTextAfterTheProgramNameAsTyped)
{
    EXPECT_EQ(win32_command_text(L"\"C:\\Program Files\\k.exe\"  -proxy \"a b\"") + "|" +
                  win32_command_text(L"\"C:\\k.exe\"-auto") + "|" + win32_command_text(L"k.exe\t-auto  -debug ") + "|" +
                  win32_command_text(L"k.exe -proxy \u00F6"),
              "-proxy \"a b\"|-auto|-auto  -debug |-proxy \xC3\xB6");
    EXPECT_EQ(win32_command_text(L"kstlupd") + win32_command_text(L"\"C:\\k.exe") + win32_command_text(nullptr), "");
}

TEST_F(Win32Seam, FileCallsKeepNonAsciiNames)
{
    const Platform& p = g_platform;
    // UTF-8 names reach the system as the same letters, not as the code page's guess.
    const std::string unicode_folder = "\xc3\x9cnic\xc3\xb8"
                                       "de \xe2\x9c\x93";  // "Ünicøde ✓"
    ASSERT_EQ(p.create_directory(unicode_folder.c_str()), 1);
    EXPECT_NE(GetFileAttributesW(L"\u00dcnic\u00f8de \u2713"), INVALID_FILE_ATTRIBUTES);
    const std::string file = unicode_folder + "\\f\xc3\xa9.txt";
    FILE* out = p.open_file(file.c_str(), "wb");
    ASSERT_NE(out, nullptr);
    std::fclose(out);
    EXPECT_EQ(p.copy_file(file.c_str(), (unicode_folder + "\\copy").c_str(), 0), 1);
    std::vector<std::string> names;
    ASSERT_EQ(p.list_folder(unicode_folder.c_str(), &names), 1);
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"copy", "f\xc3\xa9.txt"}));
}

TEST_F(Win32Seam, VersionResourceAndARunningLoggingProgram)
{
    FixedFileInfo info;
    ASSERT_EQ(g_platform.file_version(own_program().c_str(), &info), 1);  // windres' VERSIONINFO
    EXPECT_EQ(info.signature, 0xFEEF04BDu);
    EXPECT_EQ(info.file_version_ms, (9u << 16) | 6u);
    EXPECT_EQ(info.file_version_ls, 0u);
    ASSERT_TRUE(std::ofstream("plain.exe") << "no resources");
    EXPECT_EQ(g_platform.file_version("plain.exe", &info), 0);
    EXPECT_EQ(g_platform.file_version("missing.exe", &info), 0);

    std::string app_data;
    EXPECT_EQ(g_platform.app_data_folder(&app_data), 1);
    FileStatus folder_status;
    EXPECT_EQ(g_platform.file_status(app_data.c_str(), &folder_status), 1) << app_data;
    EXPECT_TRUE(folder_status.is_directory);

    // The program's own folder, made the working folder, holds the program.
    std::string own_folder;
    ASSERT_EQ(g_platform.program_folder(&own_folder), 1);
    wchar_t here[MAX_PATH] = {};
    ASSERT_NE(GetCurrentDirectoryW(MAX_PATH, here), 0u);
    ASSERT_EQ(g_platform.change_folder(own_folder.c_str()), 1) << own_folder;
    const std::string program = own_program();
    EXPECT_EQ(g_platform.file_status(program.substr(program.find_last_of('\\') + 1).c_str(), &folder_status), 1)
        << own_folder;
    ASSERT_TRUE(SetCurrentDirectoryW(here));

    EXPECT_EQ(host_running(), 0);
    PROCESS_INFORMATION process = start_copy("kestrl.exe");
    ASSERT_NE(process.hProcess, nullptr);
    int seen = 0;
    for (int i = 0; i < 300 && !seen; ++i) {
        seen = host_running();
        if (!seen) Sleep(10);
    }
    stop(&process);
    EXPECT_EQ(seen, 1);
}

TEST_F(Win32Seam, InternetFailuresGiveWinInetCodesAndRedirectsKeepTls)
{
    int http = 0, https = 0;
    server_ports(&http, &https);
    ASSERT_NE(http, 0) << "the fixture's nginx is not running";
    int silent_port = 0;
    SOCKET silent = silent_listener(&silent_port);
    ASSERT_NE(silent, INVALID_SOCKET);
    _putenv("http_proxy=");
    _putenv("KSTLUPD_TEST_STALL_SECONDS=2");
    int dead_port = 0, trickle_port = 0;
    closesocket(silent_listener(&dead_port));
    // A server that sends a header line every quarter second, never the blank line.
    const SOCKET trickle = silent_listener(&trickle_port);
    std::thread trickler([trickle] {
        const SOCKET c = accept(trickle, nullptr, nullptr);
        for (int i = 0; i < 40 && send(c, i ? "X-Slow: a\r\n" : "HTTP/1.1 200 OK\r\n", i ? 11 : 17, 0) > 0; ++i)
            Sleep(250);
        closesocket(c);
    });

    const Platform& p = g_platform;
    const std::string nginx = "127.0.0.1:" + std::to_string(http);
    const std::string stall = "127.0.0.1:" + std::to_string(silent_port);
    const std::string dead = "127.0.0.1:" + std::to_string(dead_port);
    // Sends one GET; returns the request when it was sent, else null with the code.
    // `ignore` accepts, for this request only, what the fixture's authority lacks.
    auto send = [&](const std::string& proxy, const char* host, int port, const char* path, int secure, uint32_t* code,
                    DWORD ignore = 0) -> InetHandle* {
        InetHandle* session = p.inet_open_session("WinInetGet/0.1", proxy.c_str());
        InetHandle* request = p.inet_open_request(p.inet_connect(session, host, port), "GET", path, secure);
        if (request && ignore)
            InternetSetOptionA(HINTERNET(request), INTERNET_OPTION_SECURITY_FLAGS, &ignore, sizeof ignore);
        if (request && p.inet_send_request(request, nullptr)) return request;
        *code = p.inet_last_error();
        if (request) p.inet_close(request);
        p.inet_close(session);
        return nullptr;
    };
    // clang-format off
    const struct {
        const char* what;
        std::string proxy;
        const char* host;
        int port;
        int secure;
        uint32_t code;
    } rows[] = {
        {"dead proxy", dead, "localhost", 80, 0, 12029},
        {"unresolvable name", "", "no-such-host.invalid", 80, 0, 12007},
        {"silent server", stall, "localhost", 80, 0, 12002},
        {"trickled headers", "127.0.0.1:" + std::to_string(trickle_port), "localhost", 80, 0, 12002},
        // Also where WinINet asks about revocation before the issuer (Wine).
        {"untrusted certificate", "", "localhost", https, 1, 12045},
    };
    // clang-format on
    for (const auto& row : rows) {
        uint32_t code = 0;
        EXPECT_EQ(send(row.proxy, row.host, row.port, "body.txt", row.secure, &code), nullptr) << row.what;
        EXPECT_EQ(code, row.code) << row.what;
    }
    closesocket(silent);
    closesocket(trickle);
    trickler.join();

    // A 404 has no Last-Modified; a file has it, its length and its bytes.
    uint32_t code = 0;
    char text[64] = {};
    uint32_t len = sizeof text;
    InetHandle* missing = send(nginx, "localhost", 80, "missing.txt", 0, &code);
    ASSERT_NE(missing, nullptr) << code;
    EXPECT_EQ(p.inet_query_header(missing, InetHeader::LastModified, text, &len), 0);
    EXPECT_EQ(p.inet_last_error(), 12150u);
    EXPECT_EQ(len, 0u);
    p.inet_close(missing);

    InetHandle* found = send(nginx, "localhost", 80, "body.txt", 0, &code);
    ASSERT_NE(found, nullptr) << code;
    len = sizeof text;
    ASSERT_EQ(p.inet_query_header(found, InetHeader::StatusCode, text, &len), 1);
    EXPECT_STREQ(text, "200");
    len = 4;
    EXPECT_EQ(p.inet_query_header(found, InetHeader::LastModified, text, &len), 0);
    EXPECT_EQ(p.inet_last_error(), 122u);
    EXPECT_EQ(len, 30u);
    ASSERT_EQ(p.inet_query_header(found, InetHeader::LastModified, text, &len), 1);
    EXPECT_STREQ(text, "Mon, 24 Nov 2025 16:00:00 GMT");
    std::string body;
    uint32_t available = 0, got = 0;
    while (p.inet_query_data_available(found, &available) && available > 0 &&
           p.inet_read(found, text, std::min<uint32_t>(available, sizeof text), &got) && got > 0)
        body.append(text, got);
    EXPECT_EQ(body, "seam test body\n");
    p.inet_close(found);

    // A plain request follows a redirect to plain HTTP and gets its body; a secure
    // one does not leave TLS.
    InetHandle* plain = send("", "localhost", http, "to-http.txt", 0, &code);
    ASSERT_NE(plain, nullptr) << code;
    std::memset(text, 0, sizeof text);
    ASSERT_TRUE(p.inet_query_data_available(plain, &available) && p.inet_read(plain, text, sizeof text - 1, &got));
    EXPECT_STREQ(text, "seam test body\n");
    p.inet_close(plain);
    EXPECT_EQ(send("", "localhost", https, "to-http.txt", 1, &code,
                   SECURITY_FLAG_IGNORE_UNKNOWN_CA | SECURITY_FLAG_IGNORE_REVOCATION),
              nullptr);
    EXPECT_EQ(code, 12156u);
    // A server's own refusal over TLS is no proxy's refusal of the tunnel.
    InetHandle* refused = send("", "localhost", https, "missing.txt", 1, &code,
                               SECURITY_FLAG_IGNORE_UNKNOWN_CA | SECURITY_FLAG_IGNORE_REVOCATION);
    ASSERT_NE(refused, nullptr) << code;
    len = sizeof text;
    EXPECT_EQ(p.inet_query_header(refused, InetHeader::TunnelStatus, text, &len), 0);
    p.inet_close(refused);
}

// A server that speaks only TLS 1.0 is refused as a TLS failure wherever WinINet can
// be told or asked the version; Wine 8's can be neither.
TEST_F(Win32Seam, TlsBefore12IsRefused)
{
    const char* state = std::getenv("KSTLUPD_TEST_SERVERS");
    std::ifstream in(std::string("Z:") + (state ? state : "") + "/tls1.port");
    int port = 0;
    in >> port;
    ASSERT_NE(port, 0) << "the fixture's TLS 1.0 server is not running";
    const Platform& p = g_platform;
    InetHandle* session = p.inet_open_session("WinInetGet/0.1", "");
    DWORD protocols = SP_PROT_TLS1_2_CLIENT;
    const bool told = InternetSetOptionA(HINTERNET(session), 151, &protocols, sizeof protocols);
    InetHandle* request = p.inet_open_request(p.inet_connect(session, "localhost", port), "GET", "/", 1);
    ASSERT_NE(request, nullptr);
    DWORD ignore = SECURITY_FLAG_IGNORE_UNKNOWN_CA | SECURITY_FLAG_IGNORE_REVOCATION;
    InternetSetOptionA(HINTERNET(request), INTERNET_OPTION_SECURITY_FLAGS, &ignore, sizeof ignore);
    const int sent = p.inet_send_request(request, nullptr);
    const uint32_t code = p.inet_last_error();
    p.inet_close(request);
    p.inet_close(session);
    if (sent && !told) GTEST_SKIP() << "this WinINet can neither be told nor asked the TLS version (Wine 8)";
    EXPECT_EQ(sent, 0);
    EXPECT_EQ(code, 12157u);
}

TEST_F(Win32Seam, ADllPlantedBesideTheProgramIsNotLoaded)
{
    for (const char* name : {"SAVE", "IMPORT"}) ASSERT_EQ(g_platform.create_directory(name), 1);
    ASSERT_TRUE(CopyFileW(widen("Z:" KSTLUPD_PROGRAM).c_str(), L"kstlupd.exe", FALSE));
    ASSERT_TRUE(CopyFileW(widen("Z:" KSTLUPD_PLANTED_DLL).c_str(), L"wininet.dll", FALSE));
    // The planted DLL does leave its marker where it is loaded.
    ASSERT_TRUE(CopyFileW(L"wininet.dll", L"planted.dll", FALSE));
    HMODULE planted = LoadLibraryW((std::filesystem::current_path() / "planted.dll").c_str());
    ASSERT_NE(planted, nullptr);
    FreeLibrary(planted);
    ASSERT_TRUE(DeleteFileW(L"planted-dll-loaded"));

    // Wine prefers its own wininet.dll unless told to take one found on disk first, as
    // Windows does (cmake/wine_run.sh tells it). The program opens its Internet
    // session, then stops at the missing logging program, with the system's DLL.
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    std::wstring command = L"kstlupd.exe -auto";
    ASSERT_TRUE(CreateProcessW(L"kstlupd.exe", command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                               &process));
    if (WaitForSingleObject(process.hProcess, 60000) != WAIT_OBJECT_0) {
        ADD_FAILURE() << "kstlupd.exe did not end";
        TerminateProcess(process.hProcess, 0);
    }
    DWORD status = 0;
    GetExitCodeProcess(process.hProcess, &status);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
    EXPECT_EQ(status, DWORD(-1));
    EXPECT_NE(read_file("kstlupd.log").find("Can't find KESTRL.EXE"), std::string::npos) << read_file("kstlupd.log");
    EXPECT_EQ(GetFileAttributesW(L"planted-dll-loaded"), INVALID_FILE_ATTRIBUTES);
}

TEST_F(Win32Seam, SelfUpdateSwapsTheFileOfARunningProgram)
{
    int http = 0, https = 0;
    server_ports(&http, &https);
    ASSERT_NE(http, 0) << "the fixture's nginx is not running";
    // The fixture's nginx serves a genuine newer program, dated as its file.
    const char* state = std::getenv("KSTLUPD_TEST_SERVERS");
    const std::string served = std::string("Z:") + (state ? state : "") +
                               "/mirror/updates.kstlupd.example/kestrl/updater/download/kstlupd.exe";
    // Each with the signature the tests' throwaway key made.
    const auto serve = [&](const char* name, int64_t time) {
        for (const std::string suffix : {"", ".minisig"})
            ASSERT_TRUE(CopyFileW(widen(test_program(name + suffix).c_str()).c_str(),
                                  widen((served + suffix).c_str()).c_str(), FALSE));
        ASSERT_EQ(g_platform.set_file_times(served.c_str(), time, time, time), 1);
    };
    serve("kstlupd_9_7.exe", 1699000000);
    PROCESS_INFORMATION process = start_copy("kstlupd.exe");
    ASSERT_NE(process.hProcess, nullptr);
    FileStatus before;
    ASSERT_EQ(g_platform.file_status("kstlupd.exe", &before), 1);
    ASSERT_EQ(g_platform.set_file_times("kstlupd.exe", 1690000000, 1690000000, 1690000000), 1);

    InetHandle* session = openSession(("127.0.0.1:" + std::to_string(http)).c_str());
    DataSource source;
    source.title = "KESTRL Data Updater";
    source.host = "updates.kstlupd.example";
    source.remotePath = "kestrl/updater/download/kstlupd.exe";
    source.targetPath = "kstlupd.exe";
    // Without an update key this build offers nothing.
    EXPECT_EQ(checkSelfUpdate(nullptr, session, &source), 0);
    EXPECT_TRUE(dialogs.shown.empty());
    EXPECT_NE(log_text().find("this build has no update key to check it with\n"), std::string::npos);
    const std::string pub = read_file(test_program("update.pub"));
    const std::string key = pub.substr(pub.find('\n') + 1, 56);
    ScopedEnv keys("KSTLUPD_TEST_UPDATE_KEYS", key.c_str());
    dialogs.answers = {kIdYes, kIdNo};  // download it, do not restart
    EXPECT_EQ(checkSelfUpdate(nullptr, session, &source), 0);
    closeSession(session);

    EXPECT_EQ(WaitForSingleObject(process.hProcess, 0), DWORD(WAIT_TIMEOUT));  // still running
    stop(&process);
    EXPECT_TRUE(read_file("kstlupd.exe") == read_file(test_program("kstlupd_9_7.exe"))) << log_text();
    FileStatus backup;
    ASSERT_EQ(g_platform.file_status("kstlupd.~xe", &backup), 1);
    EXPECT_EQ(backup.size, before.size);
    EXPECT_EQ(dialogs.shown.size(), 2u);

    // A console build of the same program, newer still and signed, is refused and removed.
    serve("console_9_7.exe", 1699000000 + 3600);
    session = openSession(("127.0.0.1:" + std::to_string(http)).c_str());
    dialogs.answers = {kIdYes};
    EXPECT_EQ(checkSelfUpdate(nullptr, session, &source), 0);
    closeSession(session);
    EXPECT_EQ(read_file("kstlupd.exe"), read_file(test_program("kstlupd_9_7.exe")));
    EXPECT_FALSE(fileExists("kstlupd.exe.~kstlupd"));
    ASSERT_EQ(g_platform.file_status("kstlupd.~xe", &backup), 1);
    EXPECT_EQ(backup.size, before.size);
    EXPECT_NE(
        log_text().find("ERROR:\tThe file received for kstlupd.exe is not a newer KESTRL Data Updater: it is not a "
                        "windowed program (subsystem 3)\n"),
        std::string::npos);
}

TEST_F(Win32Seam, ProgramImageJudgesHeadersVersionAndSignatures)
{
    ASSERT_TRUE(trust_test_root());
    // This test program itself: a console program with the updater's version block.
    ProgramImage image;
    ASSERT_EQ(g_platform.program_image(nullptr, &image), 1);
    EXPECT_EQ(image.subsystem, 3);
    EXPECT_EQ(image.internal_name, "kstlupd");
    EXPECT_EQ(g_platform.program_image("no such program.exe", &image), 0);

    // A signed running program takes only a trusted file of its own signer.
    const std::string running = test_program("signed_9_7.exe");
    write_file("page.html", "<html><body>Moved</body></html>\n");
    write_file("script.cmd", "@del /q *.*\r\n");
    // Each refusal turns on one thing the system's reader gives; the last row on all.
    const std::pair<std::string, const char*> cases[] = {
        {"page.html", "it is not a Windows program"},
        {"script.cmd", "it is not a Windows program"},
        {test_program("other_9_7.exe"), "it is another program (\"kestrl\", \"kestrl.exe\")"},
        {test_program("tables_other_9_7.exe"), "it is another program (\"kestrl\", \"kestrl.exe\")"},
        {test_program("no_version.exe"), "it has no version information"},
        {test_program("kstlupd_9_5.exe"), "its version 9.5.0.0 is older than the running 9.6"},
        {test_program("dll_9_7.exe"), "it is a DLL, not a program"},
        {test_program("console_9_7.exe"), "it is not a windowed program (subsystem 3)"},
        {test_program("kstlupd_9_8.exe"), "it is not signed, and the running program is"},
        {test_program("other_signer_9_8.exe"), "it is signed by another signer"},
        {test_program("tampered_9_8.exe"), "its signature is not valid or not trusted"},
        {test_program("signed_9_8.exe"), ""},
    };
    for (const auto& [file, why] : cases)
        EXPECT_EQ(newProgramRefusal(file.c_str(), nullptr, running.c_str()), why) << file;
    // Names copied into certificates of one's own: refused as untrusted (Windows) or,
    // where the root is not judged (Wine), by the signer's key.
    EXPECT_NE(newProgramRefusal(test_program("forged_9_8.exe").c_str(), nullptr, running.c_str()), "");
    // An unsigned running program (this one) asks for no signature; of two string
    // tables, the one the Translation names counts.
    for (const char* file : {"kstlupd_9_8.exe", "tables_9_7.exe"})
        EXPECT_EQ(newProgramRefusal(test_program(file).c_str(), nullptr, nullptr), "") << file;
}
