#include "net/self_update.h"

#include <cstdio>
#include <ctime>
#include <string>

#include "base/atomic_file.h"
#include "base/calendar_time.h"
#include "base/config.h"
#include "base/log.h"
#include "base/outside_text.h"
#include "base/report.h"
#include "files/file_ops.h"
#include "net/http_fetch.h"
#include "net/update_signature.h"
#include "platform/platform.h"

namespace {

// The server's copy must be more than this much newer than the running file.
constexpr int64_t kNewerBySeconds = 60;

// "kstlupd.exe" -> "kstlupd.~xe": the character after the last '.' becomes '~'.
std::string backup_name(const std::string& target)
{
    const size_t dot = target.find_last_of('.');
    const size_t separator = target.find_last_of("\\/");
    if (dot == std::string::npos || dot + 1 >= target.size() || (separator != std::string::npos && dot < separator))
        return target + "~";
    std::string name = target;
    name[dot + 1] = '~';
    return name;
}

std::string date_text(int64_t t)
{
    // The day as %e writes it (padded with a blank); not every C library has %e.
    const std::tm utc = utc_calendar_time(t);
    char text[32] = {};
    const int day = std::snprintf(text, sizeof text, "%2d", utc.tm_mday);
    std::strftime(text + day, sizeof text - size_t(day), "-%b-%Y", &utc);
    return text;
}

std::string version_text(uint64_t v)
{
    return format_bounded(32, "%u.%u.%u.%u", unsigned(v >> 48), unsigned(v >> 32 & 0xFFFF), unsigned(v >> 16 & 0xFFFF),
                          unsigned(v & 0xFFFF));
}

uint64_t version_of(const ProgramImage& image) { return uint64_t(image.file_version_ms) << 32 | image.file_version_ls; }

// The running program's version ("a.b") as a file version, a.b.0.0.
uint64_t own_file_version()
{
    own_version();
    unsigned part[4] = {};
    std::sscanf(g_config.version.c_str(), "%u.%u.%u.%u", &part[0], &part[1], &part[2], &part[3]);
    return uint64_t(part[0] & 0xFFFF) << 48 | uint64_t(part[1] & 0xFFFF) << 32 | (part[2] & 0xFFFF) << 16 |
           (part[3] & 0xFFFF);
}

// A name out of a received file, fit for one line of the log.
std::string shown(const std::string& text) { return shown_text(text.substr(0, 40)); }

// Removes a received program file that failed its checks and says why, once.
void refuse_new_program(AppWindow* owner, const std::string& staged, const std::string& target, const std::string& why)
{
    g_platform.set_read_only(staged.c_str(), 0);
    g_platform.delete_file(staged.c_str());
    const std::string text = format_bounded(
        kMessageSize, "The file received for %s is not a newer KESTRL Data Updater: %s", target.c_str(), why.c_str());
    report_message(owner, text.c_str(), "New version", kMbIconError);
}

// Fetches the body of `source` into `staged` and from there into `bytes`, leaving no
// file behind. 1 when fetched; 0 after a report of the failure.
int fetch_bytes(AppWindow* owner, InetHandle* session, DataSource* source, const std::string& staged,
                std::string* bytes)
{
    InetHandle* request = openRequest(owner, session, *source);
    if (!request) return 0;
    // Without a date this time the file keeps the one the offer was made with.
    (void)queryRemoteInfo(owner, request, source);
    const int fetched = fetchToFile(owner, request, *source, staged.c_str(), source->remoteTime);
    closeRequest(request);
    if (!fetched) return 0;
    bytes->clear();
    FILE* file = g_platform.open_file(staged.c_str(), "rb");
    int ok = file != nullptr;
    for (char chunk[65536]; ok;) {
        const size_t n = std::fread(chunk, 1, sizeof chunk, file);
        bytes->append(chunk, n);
        if (n < sizeof chunk) ok = !std::ferror(file);
        if (n < sizeof chunk || bytes->size() > kMaxDownloadBytes) break;
    }
    if (file) std::fclose(file);
    g_platform.set_read_only(staged.c_str(), 0);
    g_platform.delete_file(staged.c_str());
    if (!ok || bytes->size() > kMaxDownloadBytes) {
        report_open_error(owner, staged.c_str(), errno_of_error(g_platform.last_error()));
        return 0;
    }
    return 1;
}

// Writes the verified bytes anew as the file that is then checked and installed, so
// that what takes the program's place is exactly what was verified.
int write_verified(AppWindow* owner, const std::string& staged, const std::string& bytes, int64_t file_time)
{
    AtomicFile file;
    file.stamp = true;
    file.modified = file.accessed = file.created = file_time;
    if (atomic_open(&file, staged) && std::fwrite(bytes.data(), 1, bytes.size(), file.file) == bytes.size() &&
        atomic_commit(&file))
        return 1;
    report_open_error(owner, staged.c_str(), errno);
    return 0;
}

// Fetches the new program file and the publisher's signature of it, verifies the one
// with the other and only then puts the file in place of the running one, so that a
// failed download leaves the running program's file as it was. The question before
// this may have taken minutes, so the files come with requests of their own rather
// than through one held open all that time. 1 when the new file is in place.
int install_new_version(AppWindow* owner, InetHandle* session, DataSource* source, const std::string& keys)
{
    const std::string& target = source->targetPath;
    const std::string staged = temp_path_for(target);
    std::string program;
    if (!fetch_bytes(owner, session, source, staged, &program)) return 0;
    // A program dated years ahead would keep every later update from being offered.
    if (source->remoteTime > int64_t(std::time(nullptr)) + kCopyFutureTolerance) {
        refuse_new_program(owner, staged, target,
                           "its date " + date_text(source->remoteTime) + " lies ahead of this computer's clock");
        return 0;
    }
    const std::string signature_path = std::string(source->remotePath) + ".minisig";
    DataSource signature_source = *source;
    signature_source.remotePath = signature_path.c_str();
    std::string signature;
    if (!fetch_bytes(owner, session, &signature_source, staged, &signature)) return 0;
    if (const std::string why = update_signature_refusal(program, signature, keys); !why.empty()) {
        refuse_new_program(owner, staged, target, why);
        return 0;
    }
    if (!write_verified(owner, staged, program, source->remoteTime)) return 0;

    if (const std::string why = newProgramRefusal(staged.c_str(), target.c_str(), nullptr); !why.empty()) {
        refuse_new_program(owner, staged, target, why);
        return 0;
    }
    const std::string backup = backup_name(target);
    if (!moveFileReported(owner, target.c_str(), backup.c_str())) {
        g_platform.delete_file(staged.c_str());
        return 0;
    }
    if (!moveFileReported(owner, staged.c_str(), target.c_str())) {
        // Put the running program's file back where the next start looks for it.
        if (!g_platform.move_file(backup.c_str(), target.c_str()))
            log_printf("ERROR:\tThe previous program file is kept as %s\n", backup.c_str());
        g_platform.delete_file(staged.c_str());
        return 0;
    }
    return 1;
}

}  // namespace

std::string newProgramRefusal(const char* candidate, const char* installed, const char* running)
{
    ProgramImage image;
    if (!g_platform.program_image(candidate, &image)) return "it is not a Windows program";
    if (image.magic != 0x20B || image.machine != 0x8664) return "it is not a 64-bit x86 Windows program";
    if (image.characteristics & 0x2000) return "it is a DLL, not a program";
    if (image.subsystem != 2)
        return format_bounded(kMessageSize, "it is not a windowed program (subsystem %u)", image.subsystem);
    if (!image.has_version) return "it has no version information";
    if (image.internal_name != "kstlupd" || image.original_filename != "kstlupd.exe")
        return format_bounded(kMessageSize, "it is another program (\"%s\", \"%s\")",
                              shown(image.internal_name).c_str(), shown(image.original_filename).c_str());
    const uint64_t version = version_of(image);
    if (version < own_file_version())
        return format_bounded(kMessageSize, "its version %s is older than the running %s",
                              version_text(version).c_str(), g_config.version.c_str());

    ProgramImage old;
    if (installed && g_platform.program_image(installed, &old)) {
        if (old.has_version && version < version_of(old))
            return format_bounded(kMessageSize, "its version %s is older than the installed %s",
                                  version_text(version).c_str(), version_text(version_of(old)).c_str());
        if (old.has_signature && !image.has_signature) return "it is not signed, and the installed program is";
    }
    // Where the system judges signatures, a signed program is followed only by one
    // its own signer signed; elsewhere the running program is no PE file.
    ProgramImage self;
    if (g_platform.program_image(running, &self) && self.has_signature) {
        if (!image.has_signature) return "it is not signed, and the running program is";
        if (!image.signature_trusted) return "its signature is not valid or not trusted";
        if (self.signer.empty() || image.signer != self.signer) return "it is signed by another signer";
    }
    return {};
}

void restoreProgramFile(AppWindow* owner, const DataSource& updater)
{
    (void)owner;
    const std::string& target = updater.targetPath;
    if (target.empty() || fileExists(target.c_str())) return;
    // A received file left here has no signature beside it any more, so it is never
    // installed: the previous program comes back, and the new one is offered again.
    const std::string staged = temp_path_for(target);
    const std::string backup = backup_name(target);
    if (fileExists(backup.c_str()) && g_platform.move_file(backup.c_str(), target.c_str())) {
        log_printf("INFO:\t%s was missing; the previous program %s was put back\n", target.c_str(), backup.c_str());
        g_platform.set_read_only(staged.c_str(), 0);
        g_platform.delete_file(staged.c_str());
    }
}

int checkSelfUpdate(AppWindow* owner, InetHandle* session, DataSource* source)
{
    // An update cut short between its two renames left no program file.
    restoreProgramFile(owner, *source);

    // Without the running program's file there is nothing to compare with.
    FileStatus status;
    if (!g_platform.file_status(source->targetPath.c_str(), &status) || status.is_directory) return 0;
    source->localTime = status.mtime;
    source->localSize = static_cast<uint32_t>(status.size);

    // A server that honours the condition answers "not newer" with headers only.
    const int64_t offer_after =
        copy_time_usable(source->localTime, int64_t(std::time(nullptr))) ? source->localTime + kNewerBySeconds : 0;
    InetHandle* request = openRequest(owner, session, *source, offer_after);
    if (!request) return 0;
    const int dated = queryRemoteInfo(owner, request, source);
    // The body is not wanted now; closing abandons it.
    closeRequest(request);
    if (!dated) return 0;
    if (source->remoteTime - source->localTime <= kNewerBySeconds) return 0;
    // A server clock far ahead would make its file look newer than every genuine
    // update that follows it.
    if (source->remoteTime > int64_t(std::time(nullptr)) + kCopyFutureTolerance) {
        debug_printf("DEBUG:\tNo offer of a program dated ahead of this clock\n");
        return 0;
    }

    // Only what a key built into the program signed is ever installed.
    const std::string keys = trusted_update_keys();
    if (keys.empty()) {
        log_printf("INFO:\tA newer KESTRL Data Updater dated %s is on the server, but this build has no update key "
                   "to check it with\n",
                   date_text(source->remoteTime).c_str());
        return 0;
    }

    const std::string question = format_bounded(
        kMessageSize, "There is a new version of the KESTRL Data Updater\ndated %s. Do you want to download it?",
        date_text(source->remoteTime).c_str());
    const int answer = ask_question(owner, question.c_str(), "New version", kMbYesNoCancel | kMbIconQuestion);
    if (answer == kIdNo) return 0;
    if (answer != kIdYes) return 1;

    if (!install_new_version(owner, session, source, keys)) return 0;
    const int restart =
        ask_question(owner, "Do you want to restart using the new version?", "Restart", kMbYesNo | kMbIconQuestion);
    return restart == kIdYes ? 1 : 0;
}
