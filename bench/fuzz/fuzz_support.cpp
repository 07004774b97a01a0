#include "fuzz_support.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

#include "base/config.h"
#include "platform/platform.h"

namespace {

// Generous for every reader: each line or element of input may cost one log line
// that quotes it, but never a number of lines that grows with the input's size.
constexpr size_t kLogBytesPerInputByte = 64;
constexpr size_t kLogAllowance = 16384;
// Targets look for a kind of line in the log; beyond this only the count goes on.
constexpr size_t kLogTextKept = size_t(1) << 20;

std::string g_folder;
size_t g_log_bytes = 0;
std::string g_log_text;

ssize_t count_write(void*, const char* text, size_t size)
{
    g_log_bytes += size;
    if (g_log_text.size() < kLogTextKept) g_log_text.append(text, std::min(size, kLogTextKept - g_log_text.size()));
    return ssize_t(size);
}

ssize_t discard_write(void*, const char*, size_t size) { return ssize_t(size); }

struct ByteSource {
    const uint8_t* data;
    size_t size;
    size_t pos;
};

ssize_t bytes_read(void* cookie, char* buf, size_t size)
{
    auto* source = static_cast<ByteSource*>(cookie);
    size_t n = std::min(size, source->size - source->pos);
    if (n) std::memcpy(buf, source->data + source->pos, n);
    source->pos += n;
    return ssize_t(n);
}

int bytes_close(void* cookie)
{
    delete static_cast<ByteSource*>(cookie);
    return 0;
}

int answer_ok(const char*, const char*, unsigned) { return kIdOk; }

void no_window(AppWindow*, int) {}

constexpr char kFolderPrefix[] = "kstlupd-fuzz-";

void remove_folder()
{
    std::error_code ec;
    if (!g_folder.empty()) std::filesystem::remove_all(g_folder, ec);
}

// libFuzzer ends a run whose time is up, or that found something, without the exit
// handlers, so its folder outlives it. Each run removes the folders of runs whose
// process is gone (the folder is named for the process).
void remove_stale_folders(const std::string& base)
{
    namespace fs = std::filesystem;
    std::error_code ec;
    std::vector<fs::path> stale;
    for (fs::directory_iterator it(base, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (name.rfind(kFolderPrefix, 0) != 0) continue;
        char* rest = nullptr;
        const long pid = std::strtol(name.c_str() + sizeof kFolderPrefix - 1, &rest, 10);
        if (pid > 0 && *rest == '\0' && kill(pid_t(pid), 0) != 0 && errno == ESRCH) stale.push_back(it->path());
    }
    for (const fs::path& path : stale) fs::remove_all(path, ec);
}

}  // namespace

void fuzz_setup()
{
    setenv("TZ", "UTC", 1);
    tzset();
    const char* base = std::getenv("TMPDIR");
    if (!base || !*base) base = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
    remove_stale_folders(base);
    g_folder = std::string(base) + "/" + kFolderPrefix + std::to_string(getpid());
    std::error_code ec;
    std::filesystem::remove_all(g_folder, ec);
    if (mkdir(g_folder.c_str(), 0700) != 0 || chdir(g_folder.c_str()) != 0) fuzz_fail("cannot make a working folder");
    std::atexit(remove_folder);

    g_platform.message_box = answer_ok;
    g_platform.toolkit.enable_window = no_window;
    g_config = Config{};
    g_config.version = "9.6";
    g_config.autoMode = 1;
    g_config.debug = 1;
    g_config.log = fopencookie(nullptr, "w", {nullptr, count_write, nullptr, nullptr});
    if (!g_config.log) fuzz_fail("cannot make the log stream");
}

void fuzz_fail(const char* what)
{
    std::fprintf(stderr, "FINDING: %s\n", what);
    std::abort();
}

size_t fuzz_log_taken()
{
    std::fflush(g_config.log);
    size_t n = g_log_bytes;
    g_log_bytes = 0;
    g_log_text.clear();
    return n;
}

const std::string& fuzz_log_text()
{
    std::fflush(g_config.log);
    return g_log_text;
}

void fuzz_check_log(size_t input_size)
{
    if (fuzz_log_taken() > kLogAllowance + kLogBytesPerInputByte * input_size)
        fuzz_fail("log output out of proportion to the input");
}

FILE* fuzz_open_bytes(const uint8_t* data, size_t size)
{
    FILE* stream = fopencookie(new ByteSource{data, size, 0}, "r", {bytes_read, nullptr, nullptr, bytes_close});
    if (!stream) fuzz_fail("cannot make a byte stream");
    return stream;
}

FILE* fuzz_null_stream()
{
    FILE* stream = fopencookie(nullptr, "w", {nullptr, discard_write, nullptr, nullptr});
    if (!stream) fuzz_fail("cannot make a null stream");
    return stream;
}

void fuzz_write_file(const char* path, const void* data, size_t size)
{
    FILE* file = std::fopen(path, "wb");
    if (!file) fuzz_fail("cannot write an input file");
    bool ok = std::fwrite(data, 1, size, file) == size;
    if (std::fclose(file) != 0 || !ok) fuzz_fail("cannot write an input file");
}

bool fuzz_read_file(const char* path, std::string* out)
{
    FILE* file = std::fopen(path, "rb");
    if (!file) return false;
    out->clear();
    char chunk[8192];
    size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, file)) > 0) out->append(chunk, n);
    bool ok = !std::ferror(file);
    std::fclose(file);
    return ok;
}
