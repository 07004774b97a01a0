// Time and memory of building the membership file from five lists of 200,000 lines
// and the master callsign file from two lists of 500,000 lines, beside the time of
// "LC_ALL=C sort -u" over the same lines into a file synced to disk, as the converter
// writes its file, for shuffled and for sorted lists. Each is run several times,
// alternating, and the best and the median are shown: the machine may be shared, and
// the best is the least disturbed.
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <sys/resource.h>
#include <vector>

#include "base/config.h"
#include "bench_support.h"
#include "calls/master_file.h"
#include "calls/membership_file.h"
#include "catalogue/catalogue.h"
#include "catalogue/selections.h"

namespace fs = std::filesystem;

namespace {

constexpr int kMemberLines = 200000;
constexpr int kMasterLines = 500000;
// Distinct callsigns the lists draw from, so that the lists overlap.
constexpr uint32_t kUniverse = 700000;

uint64_t g_state = 0x9E3779B97F4A7C15ull;

uint32_t next_random()
{
    g_state ^= g_state << 13;
    g_state ^= g_state >> 7;
    g_state ^= g_state << 17;
    return static_cast<uint32_t>(g_state >> 16);
}

// A callsign of the usual shape (one or two prefix letters, a digit, one to three
// letters) made from a number, the same number always giving the same callsign.
std::string callsign_for(uint32_t n)
{
    uint64_t h = (n + 1) * 0x9E3779B97F4A7C15ull;
    h ^= h >> 29;
    std::string call;
    call += static_cast<char>('A' + (h % 25) + (h % 25 >= 16));  // no 'Q' first
    h /= 25;
    if (h % 3) call += static_cast<char>('A' + h % 26);
    h /= 26;
    call += static_cast<char>('0' + h % 10);
    h /= 10;
    int letters = 1 + static_cast<int>(h % 3);
    h /= 3;
    for (int i = 0; i < letters; ++i, h /= 26) call += static_cast<char>('A' + h % 26);
    return call + std::to_string(n / 26 / 26 % 10);  // keeps the universe distinct
}

// One list line: mostly plain callsigns, some with a suffix or in lower case, a few
// that no rule accepts.
std::string list_line(bool csv)
{
    uint32_t pick = next_random();
    std::string call = callsign_for(pick % kUniverse);
    switch (pick >> 24 & 31) {
    case 0: call = "SWL-" + std::to_string(pick % 100000); break;
    case 1: call += "/P"; break;
    case 2: call += "/MM"; break;
    case 3:
        for (char& c : call) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
        break;
    default: break;
    }
    if (csv) call += ",Name,1234,Some Town";
    return call;
}

void write_list(const std::string& path, int lines, const char* header, bool csv, bool second_token)
{
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) {
        std::perror(path.c_str());
        std::exit(1);
    }
    if (header) std::fprintf(f, "%s\r\n", header);
    for (int i = 0; i < lines; ++i) {
        std::string line = list_line(csv);
        if (second_token) std::fprintf(f, "%d %s\r\n", i, line.c_str());
        else std::fprintf(f, "%s\r\n", line.c_str());
    }
    std::fclose(f);
}

// Processor seconds (user + system) of this process or of its finished children: on
// a shared machine these vary far less than the wall-clock times.
double cpu_seconds(int who)
{
    rusage usage{};
    getrusage(who, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

struct Timing {
    double wall = 0;
    double cpu = 0;
};

Timing time_sort(const std::string& files)
{
    double cpu = cpu_seconds(RUSAGE_CHILDREN);
    auto start = std::chrono::steady_clock::now();
    // Like the converter, sort writes its result into a file and makes it durable.
    std::string command = "LC_ALL=C sort -u " + files + " -o sorted.txt && sync sorted.txt";
    if (std::system(command.c_str()) != 0) std::fprintf(stderr, "sort failed\n");
    return {seconds_since(start), cpu_seconds(RUSAGE_CHILDREN) - cpu};
}

template <typename Work>
Timing time_own(Work work)
{
    double cpu = cpu_seconds(RUSAGE_SELF);
    auto start = std::chrono::steady_clock::now();
    work();
    return {seconds_since(start), cpu_seconds(RUSAGE_SELF) - cpu};
}

constexpr int kRepeats = 5;

// The best (least disturbed) and the median of the runs.
struct Figures {
    Timing best;
    Timing median;
};

Figures figures(std::vector<Timing> runs)
{
    Figures f;
    auto pick = [&](double Timing::*field) {
        std::vector<double> values;
        for (const Timing& t : runs) values.push_back(t.*field);
        std::sort(values.begin(), values.end());
        f.best.*field = values.front();
        f.median.*field = values[values.size() / 2];
    };
    pick(&Timing::wall);
    pick(&Timing::cpu);
    return f;
}

void print_line(const char* what, int lists, int lines, const std::vector<Timing>& own_runs,
                const std::vector<Timing>& sort_runs, int ok, const char* file)
{
    Figures own = figures(own_runs);
    Figures sort = figures(sort_runs);
    std::printf("%-16s %d x %d lines, %s, %ju bytes\n", what, lists, lines, ok ? "written" : "FAILED",
                static_cast<uintmax_t>(fs::file_size(file)));
    std::printf("    best   %.3f s wall, %.3f s cpu; sort -u %.3f s wall, %.3f s cpu; ratio %.2f wall, %.2f cpu\n",
                own.best.wall, own.best.cpu, sort.best.wall, sort.best.cpu, own.best.wall / sort.best.wall,
                own.best.cpu / sort.best.cpu);
    std::printf("    median %.3f s wall, %.3f s cpu; sort -u %.3f s wall, %.3f s cpu; ratio %.2f wall, %.2f cpu\n",
                own.median.wall, own.median.cpu, sort.median.wall, sort.median.cpu, own.median.wall / sort.median.wall,
                own.median.cpu / sort.median.cpu);
}

// Published lists come sorted, which keeps the tree's working path in the cache;
// the shuffled round is the worst case.
void sort_lists_in_place()
{
    const char* commands[] = {
        "LC_ALL=C sort -o UPDATE/AGMemberList.txt UPDATE/AGMemberList.txt",
        "LC_ALL=C sort -o UPDATE/lotw1.txt UPDATE/lotw1.txt",
        "LC_ALL=C sort -o UPDATE/OQRS.txt UPDATE/OQRS.txt",
        "LC_ALL=C sort -o UPDATE/CWOPS_csv2.txt UPDATE/CWOPS_csv2.txt",
        "LC_ALL=C sort -o member.txt member.txt",
        "LC_ALL=C sort -o UPDATE/clublog.scp UPDATE/clublog.scp",
        "LC_ALL=C sort -k2,2 -o UPDATE/MASTER.LIS UPDATE/MASTER.LIS",
    };
    for (const char* command : commands) {
        if (std::system(command) != 0) std::fprintf(stderr, "%s failed\n", command);
    }
}

int run_round(const char* label, const Catalogue& catalogue, const Selections& selections)
{
    uint32_t errors = 0;
    int member_ok = 1;
    int master_ok = 1;
    std::vector<Timing> member, master, member_sort, master_sort;
    double member_peak = 0;
    for (int run = 0; run < kRepeats; ++run) {
        member.push_back(time_own(
            [&] { member_ok &= writeMembershipFile(nullptr, kSlotMembership, catalogue, selections, &errors); }));
        member_peak = peak_mb();
        master.push_back(
            time_own([&] { master_ok &= writeMasterFile(nullptr, kSlotMaster, catalogue, selections, &errors); }));
        member_sort.push_back(
            time_sort("UPDATE/AGMemberList.txt UPDATE/lotw1.txt UPDATE/OQRS.txt UPDATE/CWOPS_csv2.txt member.txt"));
        master_sort.push_back(time_sort("UPDATE/clublog.scp UPDATE/MASTER.LIS"));
    }
    const double master_peak = peak_mb();

    std::printf("%s lists, %d runs each\n", label, kRepeats);
    print_line("  membership file:", 5, kMemberLines, member, member_sort, member_ok, "SAVE/members.dat");
    print_line("  master file:", 2, kMasterLines, master, master_sort, master_ok, "SAVE/mstrcals.dat");
    std::printf("  peak resident memory so far: %.1f MB after membership, %.1f MB after master\n", member_peak,
                master_peak);
    return member_ok && master_ok;
}

}  // namespace

int main()
{
    const std::string folder = enter_scratch_folder();
    if (folder.empty()) return 1;

    write_list("UPDATE/AGMemberList.txt", kMemberLines, "List of AG members as of 20-Oct-2019 17:00 UTC", false, false);
    write_list("UPDATE/lotw1.txt", kMemberLines, nullptr, false, false);
    write_list("UPDATE/OQRS.txt", kMemberLines, "# OQRS", false, false);
    write_list("UPDATE/CWOPS_csv2.txt", kMemberLines, "\"Call\",\"Name\",\"Number\",\"Location\"", true, false);
    write_list("member.txt", kMemberLines, nullptr, false, false);
    // The archive is absent, so the Club Log list is read as extracted by an earlier run.
    write_list("UPDATE/clublog.scp", kMasterLines, nullptr, false, false);
    write_list("UPDATE/MASTER.LIS", kMasterLines, nullptr, false, true);

    Catalogue catalogue;
    build_catalogue(&catalogue, "9.0.0.1", 10);
    Selections selections;
    const char ids[] = {'E', 'L', 'O', 'C', 'U'};
    for (int i = 0; i < 5; ++i) selections.sel[21 + i] = static_cast<uint8_t>(ids[i]);
    selections.sel[kSlotClubLog] = 1;
    selections.sel[kSlotSuperCheck] = 1;

    std::printf("peak resident memory before: %.1f MB\n", peak_mb());
    int ok = run_round("shuffled", catalogue, selections);
    sort_lists_in_place();
    ok = run_round("sorted (as published)", catalogue, selections) && ok;

    if (!leave_scratch_folder(folder)) std::perror("chdir");
    return ok ? 0 : 1;
}
