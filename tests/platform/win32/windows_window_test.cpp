// The Windows build's windows under a real window system: the program runs in a
// temporary logging-program folder; the test reads its windows back with window
// messages, clicks as a user would and lets it update one source from a loopback
// server.
#include <gtest/gtest.h>

#include <windows.h>
#include <winsock2.h>
#include <commctrl.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "catalogue/data_source.h"
#include "support/temp_folder.h"
#include "ui/control_ids.h"

namespace {

constexpr const char* kWpx = "K1ABC 1234\r\nW2XYZ 999\r\n";

// Every request on 127.0.0.1 gets the WPX roll with a fixed time, the updater's own
// file as older than any copy, or 404.
struct LoopbackServer {
    SOCKET listener = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    int port = 0;
    std::thread thread;
    LoopbackServer()
    {
        sockaddr_in address{AF_INET, 0, {}, {}};
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        int length = sizeof address;
        bind(listener, reinterpret_cast<sockaddr*>(&address), length);
        listen(listener, 8);
        getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length);
        port = ntohs(address.sin_port);
        thread = std::thread([this] {
            for (SOCKET client; (client = accept(listener, nullptr, nullptr)) != INVALID_SOCKET; closesocket(client)) {
                std::string request, status = "404 Not Found", body, time;
                char buffer[2048];
                for (int n; request.find("\r\n\r\n") == std::string::npos && (n = recv(client, buffer, 2048, 0)) > 0;)
                    request.append(buffer, size_t(n));
                const std::string line = request.substr(0, request.find("\r\n"));
                if (line.find("/KESTRL.WPX ") != std::string::npos)
                    status = "200 OK", body = kWpx, time = "Fri, 03 Nov 2023 08:26:40 GMT";
                if (line.find("/kstlupd.exe ") != std::string::npos)
                    status = "200 OK", body = "x", time = "Mon, 01 Jan 1990 00:00:00 GMT";
                const std::string response =
                    "HTTP/1.1 " + status + "\r\nContent-Length: " + std::to_string(body.size()) +
                    (time.empty() ? "" : "\r\nLast-Modified: ") + time + "\r\nConnection: close\r\n\r\n" + body;
                send(client, response.data(), int(response.size()), 0);
            }
        });
    }
    ~LoopbackServer()
    {
        closesocket(listener);
        thread.join();
    }
};

bool wait_for(const std::function<bool()>& done, int seconds = 20)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (!done())
        if (std::chrono::steady_clock::now() > end) return false;
        else Sleep(50);
    return true;
}

HWND wait_window(const char* title)
{
    HWND found = nullptr;
    wait_for([&] { return (found = FindWindowA(nullptr, title)) && IsWindowVisible(found); });
    return found;
}

// Read across processes with the wide messages: Wine hands a narrow reader the wide
// characters unconverted.
std::string text_of(HWND control, UINT message = WM_GETTEXT, WPARAM index = 0)
{
    wchar_t wide[512] = L"";
    if (message == LB_GETTEXT && SendMessageW(control, LB_GETTEXTLEN, index, 0) >= 512) return "(too long)";
    SendMessageW(control, message, message == LB_GETTEXT ? index : 512, reinterpret_cast<LPARAM>(wide));
    char text[1024] = "";
    WideCharToMultiByte(CP_UTF8, 0, wide, -1, text, sizeof text, nullptr, nullptr);
    return text;
}

HWND control(HWND window, int id)
{
    return id ? GetDlgItem(window, id) : FindWindowExA(window, nullptr, PROGRESS_CLASSA, nullptr);
}

struct Control {
    int id;
    const char* cls;
    DWORD style;  // besides WS_CHILD | WS_VISIBLE
    const char* text;
    RECT rect;  // x, y, width, height in client coordinates
};

void expect_controls(HWND window, const std::vector<Control>& table)
{
    for (const Control& c : table) {
        SCOPED_TRACE(c.id);
        HWND h = control(window, c.id);
        ASSERT_TRUE(h);
        char cls[64] = "";
        GetClassNameA(h, cls, sizeof cls);
        EXPECT_STRCASEEQ(cls, c.cls);
        EXPECT_EQ(GetDlgCtrlID(h), c.id);
        const DWORD style = c.style | WS_CHILD | WS_VISIBLE;
        EXPECT_EQ(DWORD(GetWindowLongA(h, GWL_STYLE)) & style, style);
        EXPECT_EQ(text_of(h), c.text);
        RECT r;
        GetWindowRect(h, &r);
        MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&r), 2);
        LONG height = r.bottom - r.top;
        if (!strcmp(c.cls, "LISTBOX")) {  // rounded down to whole rows
            const LONG row = LONG(SendMessageA(h, LB_GETITEMHEIGHT, 0, 0));
            RECT inside;
            GetClientRect(h, &inside);
            EXPECT_EQ(inside.bottom % row, 0);
            if (height <= c.rect.bottom && height > c.rect.bottom - row) height = c.rect.bottom;
        }
        EXPECT_EQ(std::vector<LONG>({r.left, r.top, r.right - r.left, height}),
                  std::vector<LONG>({c.rect.left, c.rect.top, c.rect.right, c.rect.bottom}));
    }
}

void click(HWND window, int id) { PostMessageA(control(window, id), BM_CLICK, 0, 0); }

LRESULT checked(HWND window, int id) { return SendMessageA(control(window, id), BM_GETCHECK, 0, 0); }

// Answers the program's message boxes with OK, as a user reading them would, until
// the one titled `last`, which gets `button`. False when that one never came.
bool answer_boxes_until(DWORD process, const char* last, int button)
{
    bool answered = false;
    return wait_for(
        [&] {
            std::pair<DWORD, HWND> search{process, nullptr};
            EnumWindows(
                [](HWND w, LPARAM p) {
                    auto* s = reinterpret_cast<std::pair<DWORD, HWND>*>(p);
                    DWORD owner = 0;
                    char cls[16] = "";
                    GetWindowThreadProcessId(w, &owner);
                    GetClassNameA(w, cls, sizeof cls);
                    if (owner == s->first && IsWindowVisible(w) && !strcmp(cls, "#32770")) s->second = w;
                    return s->second ? FALSE : TRUE;
                },
                reinterpret_cast<LPARAM>(&search));
            if (!search.second) return answered;
            char title[128] = "";
            GetWindowTextA(search.second, title, sizeof title);
            answered = !strcmp(title, last);
            SendMessageA(search.second, WM_COMMAND, answered ? button : IDOK, 0);
            return false;
        },
        60);
}

// The check box or field of a slot.
constexpr int box(int slot) { return kControlIdBase + slot; }

constexpr DWORD kAuto = BS_AUTOCHECKBOX, kCheck = BS_CHECKBOX, kPush = BS_PUSHBUTTON;

}  // namespace

TEST(WindowsWindows, ControlsSettingsWindowsAndAnUpdateRun)
{
    // Under Wine, windows need an X display; the test command provides one.
    if (GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version") && !getenv("DISPLAY"))
        GTEST_SKIP() << "no X display for Wine's windows";
    namespace fs = std::filesystem;
    char self[MAX_PATH];
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    const fs::path folder = fs::temp_directory_path() / ("kstlupd-windows-" + std::to_string(GetCurrentProcessId()));
    std::error_code ignored;
    fs::remove_all(folder, ignored);  // a process id comes again in a later run
    fs::create_directories(folder / "SAVE");
    fs::create_directories(folder / "IMPORT");
    ASSERT_TRUE(fs::copy_file(fs::path(self).parent_path() / "kstlupd.exe", folder / "kstlupd.exe", ignored));
    WSADATA wsa;
    WSAStartup(MAKEWORD(2, 2), &wsa);
    LoopbackServer server;
    std::string command =
        "kstlupd.exe -debug -nocheck -version 8.5.0.39 -proxy 127.0.0.1:" + std::to_string(server.port);
    STARTUPINFOA start{};
    start.cb = sizeof start;
    PROCESS_INFORMATION process{};
    ASSERT_TRUE(CreateProcessA((folder / "kstlupd.exe").string().c_str(), command.data(), nullptr, nullptr, FALSE, 0,
                               nullptr, folder.string().c_str(), &start, &process));

    HWND main = wait_window("KESTRL Data Updater - Version 9.6");
    ASSERT_TRUE(main);
    char cls[64] = "";
    GetClassNameA(main, cls, sizeof cls);
    EXPECT_STREQ(cls, "KESTRL Data Updater");
    RECT frame;
    GetWindowRect(main, &frame);
    EXPECT_EQ(frame.right - frame.left, 590);
    EXPECT_EQ(frame.bottom - frame.top, 480);
    expect_controls(
        main, {
                  {box(kSlotAwards), "BUTTON", kAuto, "Custom Awards (AWD)", {20, 20, 150, 20}},
                  {box(kSlotCalendar), "BUTTON", kCheck, "Calendar (CAL)", {20, 40, 150, 20}},
                  {box(kSlotCountry), "BUTTON", kAuto, "Country File (CTY)", {20, 60, 150, 20}},
                  {box(kSlotIota), "BUTTON", kAuto, "IOTA Islands (XML)", {170, 20, 160, 20}},
                  {box(kSlotMaster), "BUTTON", kCheck, "Master Callsigns (MAS1)", {170, 40, 160, 20}},
                  {box(kSlotMembership), "BUTTON", kCheck, "Membership List (MAS2)", {170, 60, 160, 20}},
                  {box(kSlotNodes), "BUTTON", kAuto, "DX Cluster Nodes (TCP)", {330, 20, 180, 20}},
                  {box(kSlotNodesKeepAlive), "BUTTON", kAuto, "DX Cluster Nodes (with keep-alive)", {330, 40, 220, 20}},
                  {box(kSlotWpx), "BUTTON", kAuto, "CQ WPX Honor Roll (WPX)", {330, 60, 180, 20}},
                  {kIdUpdate, "BUTTON", kPush, "Update", {20, 90, 80, 25}},
                  {kIdReset, "BUTTON", kPush, "Reset", {120, 90, 80, 25}},
                  {kIdHelp, "BUTTON", kPush, "Help", {220, 90, 80, 25}},
                  {kIdAbout, "BUTTON", kPush, "About", {320, 90, 80, 25}},
                  {kIdExit, "BUTTON", kPush, "Exit", {420, 90, 80, 25}},
                  {0, "msctls_progress32", PBS_SMOOTH, "", {20, 130, 530, 17}},
                  // The list box shows its scroll bars' styles only while it needs them.
                  {kIdStatusList, "LISTBOX", LBS_NOSEL | WS_BORDER, "", {20, 225, 530, 180}},
              });
    EXPECT_TRUE(GetWindowLongA(control(main, kIdStatusList), GWL_EXSTYLE) & WS_EX_CLIENTEDGE);
    EXPECT_FALSE(GetWindowLongA(control(main, kIdStatusList), GWL_STYLE) & LBS_NOINTEGRALHEIGHT);
    EXPECT_FALSE(IsWindowEnabled(control(main, box(kSlotIota))));  // IOTA is not offered

    // The node lists exclude each other; Clear and OK in a settings window take the
    // mark off its item. Only WPX is left selected.
    click(main, box(kSlotNodesKeepAlive));
    EXPECT_TRUE(wait_for([&] { return checked(main, box(kSlotNodesKeepAlive)) && !checked(main, box(kSlotNodes)); }));
    for (int id : {box(kSlotAwards), box(kSlotCountry), box(kSlotNodesKeepAlive)}) click(main, id);
    struct Settings {
        int box;
        const char* title;
        int ok;
        std::vector<Control> controls;
    };
    // clang-format off
    const Settings settings[] = {
        {box(kSlotCalendar),
         "Calendar (CAL)",
         kIdCalendarOk,
         {{box(kSlotCalendarSource), "BUTTON", kAuto, "425 DX Calendar", {20, 20, 200, 20}},
          {kIdCalendarCancel, "BUTTON", kPush, "Cancel", {160, 60, 60, 20}}}},
        {box(kSlotMaster),
         "Master Callsigns (MAS1)",
         kIdMasterOk,
         {{box(kSlotSuperCheck), "BUTTON", kAuto, "Super Check Partial", {20, 40, 200, 20}}}},
        // An edit control keeps its border as an edge of its own, without WS_BORDER.
        {box(kSlotMembership),
         "Membership List (MAS2)",
         kIdMemberOk,
         {{box(kSlotEqsl), "Edit", WS_TABSTOP | ES_CENTER | ES_UPPERCASE, "E", {20, 20, 30, 20}},
          {kLabelIdBase + kSlotCustomList, "Static", SS_LEFT, "Custom", {70, 140, 200, 20}},
          {kIdMemberClear, "BUTTON", kPush, "Clear", {90, 180, 60, 20}}}},
    };
    // clang-format on
    for (const Settings& s : settings) {
        SCOPED_TRACE(s.title);
        click(main, s.box);
        HWND window = wait_window(s.title);
        ASSERT_TRUE(window);
        if (s.ok == kIdCalendarOk) {  // Escape is Cancel: the window closes; open it again
            PostMessageA(window, WM_KEYDOWN, VK_ESCAPE, 0);
            EXPECT_TRUE(wait_for([&] { return !IsWindow(window); }));
            click(main, s.box);
            ASSERT_TRUE(window = wait_window(s.title));
        }
        EXPECT_TRUE(wait_for([&] { return !IsWindowEnabled(main); }));
        expect_controls(window, s.controls);
        if (s.ok == kIdMemberOk) {
            EXPECT_EQ(SendMessageA(control(window, box(kSlotEqsl)), EM_GETLIMITTEXT, 0, 0), 1);
        }
        click(window, s.ok + 1);  // Clear
        click(window, s.ok);
        EXPECT_TRUE(wait_for([&] { return !IsWindow(window) && IsWindowEnabled(main); }));
        EXPECT_EQ(checked(main, s.box), 0);
    }

    click(main, kIdUpdate);
    EXPECT_TRUE(answer_boxes_until(process.dwProcessId, "Update finished", IDOK));
    EXPECT_TRUE(wait_for([&] { return IsWindowEnabled(control(main, kIdUpdate)) != FALSE; }));
    HWND list = control(main, kIdStatusList);
    std::vector<std::string> lines(size_t(SendMessageA(list, LB_GETCOUNT, 0, 0)));
    for (size_t i = 0; i < lines.size(); ++i) lines[i] = text_of(list, LB_GETTEXT, i);
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines[0], "Updated:  CQ WPX Honor Roll (WPX) -- 03-Nov-2023 08:26");
    EXPECT_NE(std::find(lines.begin(), lines.end(), std::string(56, '-')), lines.end());
    EXPECT_EQ(read_file((folder / "SAVE" / "KESTRL.WPX").string()), kWpx);

    click(main, kIdExit);
    EXPECT_TRUE(answer_boxes_until(process.dwProcessId, "KESTRL Data Updater", IDYES));
    EXPECT_EQ(WaitForSingleObject(process.hProcess, 10000), WAIT_OBJECT_0);
    DWORD code = 1;
    GetExitCodeProcess(process.hProcess, &code);
    EXPECT_EQ(code, 0u);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    EXPECT_EQ(read_file((folder / "kstlupd.ini").string()).size(), 109u);
    fs::remove_all(folder, ignored);
}
