// The state of a network test: the application fixture, a loopback server with TLS,
// the test CA trusted, a recorded progress bar and an owner window to pass on.
#pragma once

#include <string>
#include <vector>

#include "base/run_view.h"
#include "net/http_fetch.h"
#include "support/app_fixture.h"
#include "support/http_server.h"
#include "support/scoped_env.h"

// Positions the progress bar was set to during the current test.
inline std::vector<int> g_progress;

// The text with CR LF line ends read as LF (the log may be written either way).
inline std::string without_cr(std::string text)
{
    std::erase(text, '\r');
    return text;
}

class NetTest : public AppTest {
protected:
    void SetUp() override
    {
        AppTest::SetUp();
        g_progress.clear();
        g_run_view.progress_set = [](AppWindow*, int percent) { g_progress.push_back(percent); };
        via_server = proxied_session();
    }
    void TearDown() override
    {
        for (InetHandle* s : sessions) closeSession(s);
        AppTest::TearDown();
    }
    // A session through `proxy`, closed after the test.
    InetHandle* session_with(const std::string& proxy)
    {
        sessions.push_back(openSession(proxy.c_str()));
        return sessions.back();
    }
    InetHandle* proxied_session() { return session_with("127.0.0.1:" + std::to_string(server.port())); }

    // A GET for http(s)://www.country-files.com/<path> (set in `source`) through
    // via_server, conditional when `since` is not 0, then queryRemoteInfo's result;
    // with a `dest`, fetchToFile's result instead (-2 when there was no date). -1 when
    // the request failed.
    int fetch(DataSource* source, const char* path, const char* dest = nullptr, int secure = 0, int64_t since = 0)
    {
        source->host = "www.country-files.com";
        source->remotePath = path;
        source->secure = uint8_t(secure);
        InetHandle* request = openRequest(owner, via_server, *source, since);
        if (!request) return -1;
        int result = queryRemoteInfo(owner, request, source);
        if (dest) result = result ? fetchToFile(owner, request, *source, dest, source->remoteTime, check) : -2;
        closeRequest(request);
        return result;
    }

    HttpServer server;
    DownloadCheck check;  // what fetch() hands the fetch
    ScopedEnv no_connect_to{"KSTLUPD_TEST_CONNECT_TO", nullptr};
    std::vector<InetHandle*> sessions;
    InetHandle* via_server = nullptr;  // the test server as proxy unless a test chose another
    int owner_window = 0;
    AppWindow* owner = reinterpret_cast<AppWindow*>(&owner_window);
};
