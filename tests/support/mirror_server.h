// A real web server (nginx) on loopback serving a sample mirror by host name, for
// end-to-end runs of the program through -proxy. Started by the constructor with
// scripts/mirror_server.sh, stopped by the destructor.
#pragma once

#include <string>

struct MirrorServer {
    std::string state;  // configuration, logs and pid file
    int port = 0;       // 0 when it could not be started
    int tls_port = 0;   // HTTPS with the authority state/ca.pem
    MirrorServer(const std::string& mirror, const std::string& state_folder);
    ~MirrorServer();
    MirrorServer(const MirrorServer&) = delete;
    MirrorServer& operator=(const MirrorServer&) = delete;
    // The access log: one line per request, "host method uri status bytes connection".
    std::string access_log() const;
};

// A caching proxy (squid, by scripts/caching_proxy.sh) on loopback that sends every
// request to the web server on `server_port` and keeps its answers in memory; with
// a `user`, only to who logs in with that name and `password`. Its port is 0 when
// it could not be started.
struct CachingProxy {
    std::string state;
    int port = 0;
    CachingProxy(const std::string& state_folder, int server_port, const std::string& user = "",
                 const std::string& password = "");
    ~CachingProxy();
    CachingProxy(const CachingProxy&) = delete;
    CachingProxy& operator=(const CachingProxy&) = delete;
};

// Generates the sample logging-program folder OUT/kestrl and mirror OUT/mirror with
// scripts/make_sample_data.py; true on success.
bool make_sample_data(const std::string& out, int calls);
