#include "net/net_fixture.h"

namespace {

std::vector<int> g_progress;
int g_owner_window = 0;

void record_progress(Window*, int percent)
{
    g_progress.push_back(percent);
}

}  // namespace

std::vector<int>& recorded_progress()
{
    return g_progress;
}

void NetTest::SetUp()
{
    AppTest::SetUp();
    g_progress.clear();
    g_platform.progress_set = record_progress;
    owner = reinterpret_cast<Window*>(&g_owner_window);
}

void NetTest::TearDown()
{
    for (InetHandle* s : sessions) closeSession(s);
    AppTest::TearDown();
}

InetHandle* NetTest::session_with(const char* proxy)
{
    InetHandle* s = openSession(proxy);
    if (s) sessions.push_back(s);
    return s;
}

InetHandle* NetTest::proxied_session()
{
    std::string proxy = "127.0.0.1:" + std::to_string(server.port());
    return session_with(proxy.c_str());
}

DataSource make_source(const char* host, const char* remotePath, int secure)
{
    DataSource s;
    s.title = "Test source";
    s.host = host;
    s.remotePath = remotePath;
    s.secure = uint8_t(secure);
    return s;
}

std::string without_cr(std::string text)
{
    std::string out;
    for (char c : text)
        if (c != '\r') out += c;
    return out;
}
