// Benchmark: a 30 MB download from a loopback server through fetchToFile and through
// the curl command-line tool, in the same run; prints both times and their ratio.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "base/config.h"
#include "bench_support.h"
#include "net/http_fetch.h"
#include "platform/platform.h"
#include "support/http_server.h"

namespace fs = std::filesystem;

namespace {

constexpr size_t kSize = 30u * 1024 * 1024;
constexpr int kRounds = 5;

// One download through the program's client; the time or a negative value on failure.
double fetch_with_client(InetHandle* session)
{
    DataSource source;
    source.host = "bench.example";
    source.remotePath = "big.bin";
    const auto start = std::chrono::steady_clock::now();
    InetHandle* request = openRequest(nullptr, session, source);
    if (!request) return -1;
    const int dated = queryRemoteInfo(nullptr, request, &source);
    const int fetched = fetchToFile(nullptr, request, source, "client.bin", source.remoteTime);
    closeRequest(request);
    const double t = seconds_since(start);
    std::error_code ec;
    return dated && fetched && fs::file_size("client.bin", ec) == kSize ? t : -1;
}

double fetch_with_tool(int port)
{
    const std::string command =
        "curl -s -f --noproxy '' -x 127.0.0.1:" + std::to_string(port) + " -o tool.bin http://bench.example/big.bin";
    const auto start = std::chrono::steady_clock::now();
    const int rc = std::system(command.c_str());
    const double t = seconds_since(start);
    std::error_code ec;
    return rc == 0 && fs::file_size("tool.bin", ec) == kSize ? t : -1;
}

}  // namespace

int main()
{
    g_platform = native_platform();
    const std::string folder = enter_scratch_folder();
    if (folder.empty()) return 1;

    std::string body(kSize, '\0');
    for (size_t i = 0; i < kSize; ++i) body[i] = char(i * 2654435761u >> 13);
    int status = 0;
    {
        HttpServer server;
        server.add("/big.bin", std::move(body), 1700000000);
        const std::string proxy = "127.0.0.1:" + std::to_string(server.port());
        InetHandle* session = openSession(proxy.c_str());

        // The client's file is flushed to the disk before it replaces the old one; the
        // curl tool does not do that, so the client is also timed without the flush.
        const Platform real = g_platform;
        double best_client = 1e9, best_unsynced = 1e9, best_tool = 1e9;
        for (int round = 0; round < kRounds; ++round) {
            g_platform = real;
            const double c = fetch_with_client(session);
            g_platform.sync_file = [](FILE*) { return 1; };
            const double u = fetch_with_client(session);
            g_platform = real;
            const double t = fetch_with_tool(server.port());
            if (c < 0 || u < 0 || t < 0) {
                std::fprintf(stderr, "fetch_bench: a download failed (client %.3f, %.3f, curl %.3f)\n", c, u, t);
                status = 1;
                break;
            }
            best_client = std::min(best_client, c);
            best_unsynced = std::min(best_unsynced, u);
            best_tool = std::min(best_tool, t);
        }
        closeSession(session);
        if (status == 0) {
            std::printf("30 MB over loopback, best of %d rounds\n", kRounds);
            std::printf("  fetchToFile           : %8.1f ms  (%.0f MB/s)\n", best_client * 1000, 30 / best_client);
            std::printf("  fetchToFile, no flush : %8.1f ms  (%.0f MB/s)\n", best_unsynced * 1000, 30 / best_unsynced);
            std::printf("  curl tool             : %8.1f ms  (%.0f MB/s)\n", best_tool * 1000, 30 / best_tool);
            std::printf("  ratio fetchToFile / curl: %.2f (without the flush: %.2f)\n", best_client / best_tool,
                        best_unsynced / best_tool);
        }
    }
    if (!leave_scratch_folder(folder)) status = 1;
    return status;
}
