#include "support/mirror_server.h"

#include <cstdio>
#include <cstdlib>

#include "support/temp_folder.h"

namespace {

std::string script(const char* name) { return std::string(KSTLUPD_SOURCE_DIR) + "/scripts/" + name; }

}  // namespace

MirrorServer::MirrorServer(const std::string& mirror, const std::string& state_folder) : state(state_folder)
{
    const std::string command = script("mirror_server.sh") + " start '" + mirror + "' '" + state + "'";
    FILE* out = ::popen(command.c_str(), "r");
    if (!out) return;
    char line[64] = {};
    if (!std::fgets(line, sizeof line, out) || std::sscanf(line, "%d %d", &port, &tls_port) != 2) port = 0;
    if (::pclose(out) != 0) port = 0;
}

MirrorServer::~MirrorServer()
{
    const std::string command = script("mirror_server.sh") + " stop '" + state + "'";
    if (std::system(command.c_str()) != 0) { /* already gone */
    }
}

CachingProxy::CachingProxy(const std::string& state_folder, int server_port, const std::string& user,
                           const std::string& password)
    : state(state_folder)
{
    std::string command = script("caching_proxy.sh") + " start '" + state + "' " + std::to_string(server_port);
    if (!user.empty()) command += " '" + user + "' '" + password + "'";
    command += " 2>/dev/null";
    FILE* out = ::popen(command.c_str(), "r");
    if (!out) return;
    char line[32] = {};
    if (!std::fgets(line, sizeof line, out) || std::sscanf(line, "%d", &port) != 1) port = 0;
    if (::pclose(out) != 0) port = 0;
}

CachingProxy::~CachingProxy()
{
    if (std::system((script("caching_proxy.sh") + " stop '" + state + "'").c_str()) != 0) { /* already gone */
    }
}

std::string MirrorServer::access_log() const { return read_file(state + "/access.log"); }

bool make_sample_data(const std::string& out, int calls)
{
    const std::string command =
        "python3 " + script("make_sample_data.py") + " '" + out + "' --calls " + std::to_string(calls) + " >/dev/null";
    return std::system(command.c_str()) == 0;
}
