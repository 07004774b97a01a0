// The Windows build's windows under a real window system: the program runs in a
// temporary logging-program folder and the test reads its windows back with window
// messages, clicks as a user would, and lets it update one source from a loopback
// server.
#include <gtest/gtest.h>

#include <winsock2.h>
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr const char* kWpxBody = "K1ABC 1234\r\nW2XYZ 999\r\n";

// Answers every request on 127.0.0.1: the WPX roll with a fixed time, the updater's
// own file as older than any copy, 404 for the rest.
struct LoopbackServer {
    SOCKET listener = INVALID_SOCKET;
    int port = 0;
    std::thread thread;

    LoopbackServer()
    {
        WSADATA wsa;
        WSAStartup(MAKEWORD(2, 2), &wsa);
        listener = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        int length = sizeof address;
        bind(listener, reinterpret_cast<sockaddr*>(&address), length);
        listen(listener, 8);
        getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length);
        port = ntohs(address.sin_port);
        thread = std::thread([this] { serve(); });
    }
    ~LoopbackServer()
    {
        closesocket(listener);
        thread.join();
    }
    void serve()
    {
        for (SOCKET client; (client = accept(listener, nullptr, nullptr)) != INVALID_SOCKET; closesocket(client)) {
            std::string request;
            char buffer[2048];
            for (int n; request.find("\r\n\r\n") == std::string::npos &&
                        (n = recv(client, buffer, sizeof buffer, 0)) > 0;)
                request.append(buffer, size_t(n));
            const std::string target = request.substr(0, request.find("\r\n"));
            std::string response = "HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\nConnection: close\r\n\r\n";
            if (target.find("/kestrl/WPX/KESTRL.WPX ") != std::string::npos)
                response = "HTTP/1.1 200 OK\r\nLast-Modified: Fri, 03 Nov 2023 08:26:40 GMT\r\nContent-Length: " +
                           std::to_string(strlen(kWpxBody)) + "\r\nConnection: close\r\n\r\n" + kWpxBody;
            else if (target.find("/kstlupd.exe ") != std::string::npos)
                response = "HTTP/1.1 200 OK\r\nLast-Modified: Mon, 01 Jan 1990 00:00:00 GMT\r\nContent-Length: 1\r\n"
                           "Connection: close\r\n\r\nx";
            send(client, response.data(), int(response.size()), 0);
        }
    }
};

bool wait_for(const std::function<bool()>& done, int seconds = 20)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (!done()) {
        if (std::chrono::steady_clock::now() > end) return false;
        Sleep(50);
    }
    return true;
}

HWND wait_window(const char* title)
{
    HWND found = nullptr;
    wait_for([&] { return (found = FindWindowA(nullptr, title)) && IsWindowVisible(found); });
    return found;
}

// A control's text, read across processes with the wide message: Wine hands the
// narrow one the wide characters unconverted.
std::string text_of(HWND control, UINT message = WM_GETTEXT, WPARAM index = 0)
{
    wchar_t wide[512] = L"";
    const bool list = message == LB_GETTEXT;
    if (list && SendMessageW(control, LB_GETTEXTLEN, index, 0) >= 512) return "(too long)";
    SendMessageW(control, message, list ? index : 512, reinterpret_cast<LPARAM>(wide));
    char text[1024] = "";
    WideCharToMultiByte(CP_UTF8, 0, wide, -1, text, sizeof text, nullptr, nullptr);
    return text;
}

struct Control {
    int id;
    const char* cls;
    DWORD style;  // class-specific style bits, WS_CHILD and WS_VISIBLE are always checked
    const char* text;
    RECT rect;    // x, y, width, height in client coordinates
};

HWND control(HWND window, int id)
{
    return id ? GetDlgItem(window, id) : FindWindowExA(window, nullptr, PROGRESS_CLASSA, nullptr);
}

// Class, id, style, text and client rectangle of each control, as a table.
void expect_controls(HWND window, const std::vector<Control>& table)
{
    for (const Control& c : table) {
        SCOPED_TRACE(c.id);
        HWND h = control(window, c.id);
        ASSERT_TRUE(h);
        char cls[64] = "";
        GetClassNameA(h, cls, sizeof cls);
        RECT r;
        GetWindowRect(h, &r);
        MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&r), 2);
        EXPECT_STRCASEEQ(cls, c.cls);
        EXPECT_EQ(GetDlgCtrlID(h), c.id);
        const DWORD style = DWORD(GetWindowLongA(h, GWL_STYLE));
        EXPECT_EQ(style & (c.style | WS_CHILD | WS_VISIBLE), c.style | WS_CHILD | WS_VISIBLE);
        EXPECT_EQ(text_of(h), c.text);
        EXPECT_EQ(r.left, c.rect.left);
        EXPECT_EQ(r.top, c.rect.top);
        EXPECT_EQ(r.right - r.left, c.rect.right);
        EXPECT_EQ(r.bottom - r.top, c.rect.bottom);
    }
}

void click(HWND window, int id)
{
    PostMessageA(control(window, id), BM_CLICK, 0, 0);
}

int checked(HWND window, int id)
{
    return int(SendMessageA(control(window, id), BM_GETCHECK, 0, 0));
}

std::vector<std::string> list_lines(HWND list)
{
    std::vector<std::string> lines;
    const int count = int(SendMessageA(list, LB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) lines.push_back(text_of(list, LB_GETTEXT, WPARAM(i)));
    return lines;
}

// Answers the program's message boxes with OK, as a user reading them would, until
// one titled `last` is up; that one gets `button`. False when it never came.
bool answer_boxes_until(DWORD process, const char* last, int button)
{
    struct Search {
        DWORD process;
        HWND box = nullptr;
    } search{process};
    bool answered = false;
    return wait_for(
        [&] {
            search.box = nullptr;
            EnumWindows(
                [](HWND w, LPARAM p) {
                    auto* s = reinterpret_cast<Search*>(p);
                    DWORD owner = 0;
                    char cls[16] = "";
                    GetWindowThreadProcessId(w, &owner);
                    GetClassNameA(w, cls, sizeof cls);
                    if (owner == s->process && IsWindowVisible(w) && !strcmp(cls, "#32770")) s->box = w;
                    return s->box ? FALSE : TRUE;
                },
                reinterpret_cast<LPARAM>(&search));
            if (!search.box) return answered;
            char title[128] = "";
            GetWindowTextA(search.box, title, sizeof title);
            answered = !strcmp(title, last);
            SendMessageA(search.box, WM_COMMAND, MAKEWPARAM(answered ? button : IDOK, BN_CLICKED), 0);
            return false;
        },
        60);
}

std::string file_text(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

constexpr DWORD kAuto = BS_AUTOCHECKBOX, kCheck = BS_CHECKBOX, kPush = BS_PUSHBUTTON;

}  // namespace

TEST(WindowsWindows, ControlsSettingsWindowsAndAnUpdateRun)
{
    // Under Wine, windows need an X display; the test command provides one.
    if (GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version") && !getenv("DISPLAY"))
        GTEST_SKIP() << "no X display for Wine's windows";
    char self[MAX_PATH];
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    const std::string built = std::string(self).substr(0, std::string(self).rfind('\\')) + "\\kstlupd.exe";
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    const std::string folder = std::string(temp) + "kstlupd-windows-" + std::to_string(GetCurrentProcessId());
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);  // a process id is used again by a later run
    for (const char* sub : {"", "\\SAVE", "\\IMPORT"}) CreateDirectoryA((folder + sub).c_str(), nullptr);
    const std::string program = folder + "\\kstlupd.exe";
    ASSERT_TRUE(CopyFileA(built.c_str(), program.c_str(), FALSE));
    LoopbackServer server;
    std::string command = "kstlupd.exe -debug -nocheck -version 8.5.0.39 -proxy 127.0.0.1:" + std::to_string(server.port);
    STARTUPINFOA start{};
    start.cb = sizeof start;
    PROCESS_INFORMATION process{};
    ASSERT_TRUE(CreateProcessA(program.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(),
                               &start, &process));

    HWND main = wait_window("KESTRL Data Updater - Version 9.6");
    ASSERT_TRUE(main);
    char cls[64] = "";
    GetClassNameA(main, cls, sizeof cls);
    EXPECT_STREQ(cls, "KESTRL Data Updater");
    RECT frame;
    GetWindowRect(main, &frame);
    EXPECT_EQ(frame.right - frame.left, 550);
    EXPECT_EQ(frame.bottom - frame.top, 480);
    expect_controls(main, {
        {1401, "BUTTON", kAuto, "Custom Awards (AWD)", {20, 20, 140, 20}},
        {1404, "BUTTON", kCheck, "Calendar (CAL)", {20, 40, 140, 20}},
        {1405, "BUTTON", kAuto, "Country File (CTY)", {20, 60, 140, 20}},
        {1407, "BUTTON", kAuto, "IOTA Islands (XML)", {160, 20, 160, 20}},
        {1410, "BUTTON", kCheck, "Master Callsigns (MAS1)", {160, 40, 160, 20}},
        {1411, "BUTTON", kCheck, "Membership List (MAS2)", {160, 60, 160, 20}},
        {1417, "BUTTON", kAuto, "DX Cluster Nodes (TCP)", {320, 20, 180, 20}},
        {1408, "BUTTON", kAuto, "DX Cluster Nodes (with keep-alive)", {320, 40, 200, 20}},
        {1418, "BUTTON", kAuto, "CQ WPX Honor Roll (WPX)", {320, 60, 180, 20}},
        {1005, "BUTTON", kPush, "Update", {20, 90, 80, 25}},
        {1004, "BUTTON", kPush, "Reset", {120, 90, 80, 25}},
        {1003, "BUTTON", kPush, "Help", {220, 90, 80, 25}},
        {1001, "BUTTON", kPush, "About", {320, 90, 80, 25}},
        {1002, "BUTTON", kPush, "Exit", {420, 90, 80, 25}},
        {0, "msctls_progress32", PBS_SMOOTH, "", {20, 130, 490, 17}},
        {1101, "LISTBOX", LBS_NOSEL | LBS_NOINTEGRALHEIGHT | WS_BORDER, "", {20, 225, 490, 180}},
    });
    EXPECT_TRUE(GetWindowLongA(control(main, 1101), GWL_EXSTYLE) & WS_EX_CLIENTEDGE);
    EXPECT_FALSE(IsWindowEnabled(control(main, 1407)));  // IOTA is not offered

    // The node lists exclude each other; the settings windows' Clear and OK take
    // the mark off their item, and only WPX is left to update.
    click(main, 1408);
    EXPECT_TRUE(wait_for([&] { return checked(main, 1408) && !checked(main, 1417); }));
    for (int id : {1401, 1405, 1408}) click(main, id);
    struct Settings {
        int box;
        const char* title;
        int ok;
        std::vector<Control> controls;
    };
    const Settings settings[] = {
        {1404, "Calendar (CAL)", 1800, {{1426, "BUTTON", kAuto, "425 DX Calendar", {20, 20, 200, 20}},
                                        {1802, "BUTTON", kPush, "Cancel", {160, 60, 60, 20}}}},
        {1410, "Master Callsigns (MAS1)", 1810, {{1420, "BUTTON", kAuto, "Super Check Partial", {20, 40, 200, 20}}}},
        {1411, "Membership List (MAS2)", 1820,
         {{1421, "Edit", WS_TABSTOP | ES_CENTER | ES_UPPERCASE, "E", {20, 20, 30, 20}},
          {1465, "Static", SS_LEFT, "Custom", {70, 140, 200, 20}},
          {1821, "BUTTON", kPush, "Clear", {90, 180, 60, 20}}}},
    };
    for (const Settings& s : settings) {
        SCOPED_TRACE(s.title);
        click(main, s.box);
        HWND window = wait_window(s.title);
        ASSERT_TRUE(window);
        EXPECT_TRUE(wait_for([&] { return !IsWindowEnabled(main); }));
        expect_controls(window, s.controls);
        if (s.ok == 1820) EXPECT_EQ(SendMessageA(control(window, 1421), EM_GETLIMITTEXT, 0, 0), 1);
        click(window, s.ok + 1);  // Clear
        click(window, s.ok);
        EXPECT_TRUE(wait_for([&] { return !IsWindow(window) && IsWindowEnabled(main); }));
        EXPECT_EQ(checked(main, s.box), 0);
    }

    click(main, 1005);
    EXPECT_TRUE(answer_boxes_until(process.dwProcessId, "Update finished", IDOK));
    EXPECT_TRUE(wait_for([&] { return IsWindowEnabled(control(main, 1005)) != FALSE; }));
    const std::vector<std::string> lines = list_lines(control(main, 1101));
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[0], "Updated:  CQ WPX Honor Roll (WPX) -- 03-Nov-2023 08:26");
    EXPECT_NE(std::find(lines.begin(), lines.end(), std::string(56, '-')), lines.end());
    EXPECT_EQ(file_text(folder + "\\SAVE\\KESTRL.WPX"), kWpxBody);

    click(main, 1002);
    EXPECT_TRUE(answer_boxes_until(process.dwProcessId, "KESTRL Data Updater", IDYES));
    EXPECT_EQ(WaitForSingleObject(process.hProcess, 10000), WAIT_OBJECT_0);
    DWORD code = 1;
    GetExitCodeProcess(process.hProcess, &code);
    EXPECT_EQ(code, 0u);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    EXPECT_EQ(file_text(folder + "\\kstlupd.ini").size(), 109u);
    std::filesystem::remove_all(folder, ignored);
}
