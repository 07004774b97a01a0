// Times mergeNodeList on node lists far larger than the published ones, to show the
// merge stays near n log n: a user file of N nodes against a download of N nodes that
// share three quarters of their callsigns; then downloads without line feeds.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "base/config.h"
#include "bench_support.h"
#include "nodes/node_merge.h"

namespace {

void write_list(const std::string& path, int count, int first, const char* host)
{
    std::ofstream out(path, std::ios::binary);
    for (int i = 0; i < count; ++i) {
        int n = (first + i) * 7919 % 10000019;
        out << "N" << n << "-" << (i % 9) << "," << host << n << ".example:7300|k\r\n";
    }
    out << "VERSION,bench\r\n";
}

}  // namespace

int main()
{
    const std::string root = enter_scratch_folder();
    if (root.empty()) return 1;
    g_config.autoMode = 1;

    DataSource source;
    source.downloadPath = "UPDATE\\KESTRL.TCP";
    source.targetPath = "SAVE\\KESTRL.TCP";
    for (int count : {1000, 10000, 100000}) {
        write_list("UPDATE/KESTRL.TCP", count, count / 4, "new");
        double best = 1e9;
        int written = 0;
        for (int run = 0; run < 3; ++run) {
            write_list("SAVE/KESTRL.TCP", count, 0, "old");
            auto start = std::chrono::steady_clock::now();
            written = mergeNodeList(nullptr, source);
            best = std::min(best, milliseconds_since(start));
        }
        std::printf("%7d nodes each: %9.2f ms (best of 3), %d lines written\n", count, best, written);
    }
    // A download without a single line feed is cut into pieces; the time must grow
    // with the size, not with its square.
    for (int megabytes : {2, 8, 32}) {
        std::ofstream("UPDATE/KESTRL.TCP", std::ios::binary) << "N," << std::string(size_t(megabytes) << 20, 'x');
        write_list("SAVE/KESTRL.TCP", 1000, 0, "old");
        auto start = std::chrono::steady_clock::now();
        (void)mergeNodeList(nullptr, source);
        std::printf("%4d MB on one line: %9.2f ms\n", megabytes, milliseconds_since(start));
    }
    return leave_scratch_folder(root) ? 0 : 1;
}
