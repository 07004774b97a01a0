// The state of a network test: the application fixture, a loopback server with TLS,
// the test CA trusted, a recorded progress bar and an owner window to pass on.
#pragma once

#include <string>
#include <vector>

#include "catalogue/data_source.h"
#include "net/http_fetch.h"
#include "support/app_fixture.h"
#include "support/http_server.h"
#include "support/scoped_env.h"

class NetTest : public AppTest {
protected:
    void SetUp() override;
    void TearDown() override;

    // A session through the test server as proxy (or through `proxy` when given).
    InetHandle* proxied_session();
    InetHandle* session_with(const char* proxy);

    HttpServer server{true};
    ScopedEnv trust_test_ca{"SSL_CERT_FILE", test_ca_file().c_str()};
    ScopedEnv no_env_proxy{"http_proxy", nullptr};
    ScopedEnv no_env_tls_proxy{"https_proxy", nullptr};
    ScopedEnv no_connect_to{"KSTLUPD_TEST_CONNECT_TO", nullptr};
    std::vector<InetHandle*> sessions;
    Window* owner = nullptr;
};

// Positions the progress bar was set to during the current test.
std::vector<int>& recorded_progress();

// The text with CR LF line ends read as LF (the log may be written either way).
std::string without_cr(std::string text);

DataSource make_source(const char* host, const char* remotePath, int secure = 0);
