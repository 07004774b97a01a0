#include "calls/call_files.h"

#include <cstdlib>

#include "catalogue/catalogue.h"

void CallFilesTest::SetUp()
{
    AppTest::SetUp();
    g_config.hostVersion = "9.0.0.1";
    g_config.masterSlot = 10;
    build_catalogue(&catalogue);
    g_config.catalogue = &catalogue;
    g_config.selections = &selections;
    make_dir("SAVE");
    make_dir("UPDATE");
}

namespace {

FILE* (*g_real_open)(const char*, const char*) = nullptr;

FILE* open_full_disk(const char* path, const char* mode)
{
    if (mode[0] == 'w') return std::fopen("/dev/full", mode);
    return g_real_open(path, mode);
}

}  // namespace

void fill_disk_on_write()
{
    g_real_open = g_platform.open_file;
    g_platform.open_file = open_full_disk;
}

FILE* stream_of(const std::string& bytes)
{
    FILE* f = std::tmpfile();
    if (!f) std::abort();
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::rewind(f);
    return f;
}

MasterFile decode_master(const std::string& bytes)
{
    MasterFile out;
    if (bytes.size() < 10 || bytes.compare(0, 9, "KSTLMAS1\x0C") != 0 || static_cast<unsigned char>(bytes.back()) != 0xFF)
        return out;
    for (size_t i = 9; i + 1 < bytes.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(bytes[i]);
        if (c >= 0x80) {
            if (c == 0xFF) return out;
            out.calls.push_back(std::string(1, static_cast<char>(c & 0x7F)));
        } else {
            if (out.calls.empty()) return out;
            out.calls.back().push_back(static_cast<char>(c));
        }
    }
    out.well_formed = true;
    return out;
}

MembershipFile decode_membership(const std::string& bytes)
{
    MembershipFile out;
    if (bytes.size() < 12 || bytes.compare(0, 8, "\x07MEMBERA") != 0) return out;
    for (int i = 0; i < 4; ++i) out.declared |= unsigned(static_cast<unsigned char>(bytes[8 + i])) << (8 * i);
    size_t at = 12;
    while (at < bytes.size()) {
        size_t n = static_cast<unsigned char>(bytes[at++]);
        if (at + n + 1 > bytes.size()) return out;
        MemberRecord record;
        record.call = bytes.substr(at, n);
        at += n;
        size_t m = static_cast<unsigned char>(bytes[at++]);
        if (at + m > bytes.size()) return out;
        record.ids = bytes.substr(at, m);
        at += m;
        out.records.push_back(record);
    }
    out.well_formed = true;
    return out;
}

std::pair<int, int> read_counts(const std::string& log, const std::string& name)
{
    std::string key = "calls from " + name + "\n";
    size_t end = log.find(key);
    if (end == std::string::npos) return {-1, -1};
    size_t start = log.rfind("DEBUG:\t        Read ", end);
    if (start == std::string::npos) return {-1, -1};
    int good = -1, invalid = -1;
    if (std::sscanf(log.c_str() + start, "DEBUG:\t        Read %d good, %d invalid", &good, &invalid) != 2) return {-1, -1};
    return {good, invalid};
}
