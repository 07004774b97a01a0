#include "files/zip_members.h"

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <memory>
#include <vector>

#include <minizip/unzip.h>

#include "base/atomic_file.h"
#include "base/little_endian.h"
#include "base/log.h"
#include "base/path_text.h"
#include "files/file_ops.h"
#include "platform/platform.h"

namespace {

constexpr unsigned kChunkSize = 16384;
// The most the members of one archive are inflated to when it is checked.
constexpr uint64_t kMaxCheckedBytes = 4 * kMaxMemberSize;
// Stored names are looked at as far as a 260-character buffer holds them.
constexpr uLong kNameLimit = 259;
constexpr unsigned kExtendedTimestampTag = 0x5455;  // "UT"
constexpr uLong kDosReadOnly = 0x01;
constexpr uLong kUnixOwnerWrite = 1ul << 23;  // S_IWUSR in the high half

struct ArchiveCloser {
    void operator()(void* zip) const { unzClose(zip); }
};
using ArchiveHandle = std::unique_ptr<void, ArchiveCloser>;

struct TargetParts {
    std::string folder;
    std::string name;
};

TargetParts split_target(const std::string& target)
{
    std::string folder = folder_part(target);
    while (!folder.empty() && (folder.back() == '/' || folder.back() == '\\')) folder.pop_back();
    return {folder, fileNamePart(target)};
}

// Only a name that stays inside its folder may be written there.
bool is_plain_name(const std::string& name) { return !name.empty() && name != "." && name != ".."; }

// Archives made on these systems carry the DOS attribute bits in the low byte.
bool has_dos_attributes(unsigned host) { return host == 0 || host == 7 || host == 11 || host == 14; }

bool is_read_only(const unz_file_info64& info)
{
    const unsigned host = unsigned(info.version >> 8) & 0xFF;
    if (has_dos_attributes(host)) return (info.external_fa & kDosReadOnly) != 0;
    return (info.external_fa & kUnixOwnerWrite) == 0;
}

// The DOS date and time are the local time of the machine that made the archive;
// reading them as our local time is the best there is.
int64_t dos_time(const tm_unz& date)
{
    std::tm t{};
    t.tm_sec = int(date.tm_sec);
    t.tm_min = int(date.tm_min);
    t.tm_hour = int(date.tm_hour);
    t.tm_mday = int(date.tm_mday);
    t.tm_mon = int(date.tm_mon);
    t.tm_year = int(date.tm_year) - 1900;
    t.tm_isdst = -1;
    return int64_t(std::mktime(&t));
}

struct MemberTimes {
    int64_t modified = 0;
    int64_t accessed = 0;
    int64_t created = 0;
};

// The times an extended-timestamp block of a local extra field carries replace the
// DOS time: flag bit 0 modification, 1 access, 2 creation, each present in that order
// as far as the block's length holds them.
void extended_times(const unsigned char* field, size_t size, MemberTimes* times)
{
    size_t pos = 0;
    while (size - pos >= 4) {
        const unsigned tag = get_u16(field + pos);
        const size_t length = get_u16(field + pos + 2);
        pos += 4;
        if (length > size - pos) return;
        if (tag == kExtendedTimestampTag && length >= 1) {
            const unsigned flags = field[pos];
            int64_t* slots[] = {&times->modified, &times->accessed, &times->created};
            size_t at = pos + 1;
            for (unsigned bit = 0; bit < 3; ++bit) {
                if (!(flags & (1u << bit))) continue;
                if (at + 4 > pos + length) break;
                *slots[bit] = int32_t(get_u32(field + at));
                at += 4;
            }
            return;
        }
        pos += length;
    }
}

void log_damaged(const std::string& member, const char* archive, const char* what)
{
    log_printf("ERROR:\tCan't extract %s from %s: damaged %s\n", member.c_str(), archive, what);
}

void log_not_written(const std::string& member, const char* archive, const std::string& path)
{
    log_printf("ERROR:\tCan't extract %s from %s: can't write %s\n", member.c_str(), archive, path.c_str());
}

// Inflates the current entry beside its destination and puts it in place only when
// every byte arrived and the checksum matched: a damaged member must not cost the
// user the good file of the last update. 1 when the target now holds the member.
int extract_entry(unzFile zip, const unz_file_info64& info, const char* archive, const TargetParts& parts)
{
    const std::string path = join_path(parts.folder.c_str(), parts.name);
    // Refused before a byte is written, whatever the size field's width (zip64).
    if (info.uncompressed_size > kMaxMemberSize) {
        log_printf("ERROR:\tCan't extract %s from %s: member too large (%llu bytes, at most %llu)\n",
                   parts.name.c_str(), archive, static_cast<unsigned long long>(info.uncompressed_size),
                   static_cast<unsigned long long>(kMaxMemberSize));
        return 0;
    }
    if (!directoryExists(parts.folder.c_str()) && !g_platform.create_directory(parts.folder.c_str())) {
        log_not_written(parts.name, archive, path);
        return 0;
    }
    if (unzOpenCurrentFile(zip) != UNZ_OK) {
        log_damaged(parts.name, archive, "member");
        return 0;
    }
    std::vector<unsigned char> extra(0xFFFF);
    const int extra_size = unzGetLocalExtrafield(zip, extra.data(), unsigned(extra.size()));

    AtomicFile out;
    const int64_t dos = dos_time(info.tmu_date);
    MemberTimes times{dos, dos, dos};
    if (extra_size > 0) extended_times(extra.data(), size_t(extra_size), &times);
    out.stamp = true;
    out.modified = times.modified;
    out.accessed = times.accessed;
    out.created = times.created;
    out.read_only = is_read_only(info);
    if (!atomic_open(&out, path)) {
        unzCloseCurrentFile(zip);
        log_not_written(parts.name, archive, path);
        return 0;
    }
    std::vector<char> chunk(kChunkSize);
    uint64_t total = 0;
    bool data_error = false;
    bool write_error = false;
    for (;;) {
        const int n = unzReadCurrentFile(zip, chunk.data(), kChunkSize);
        if (n < 0) data_error = true;
        if (n <= 0) break;
        total += uint64_t(n);
        // More data than the member promised is damage; stopping here also bounds
        // what a member can cost to its checked size.
        if (total > info.uncompressed_size) {
            data_error = true;
            break;
        }
        if (std::fwrite(chunk.data(), 1, size_t(n), out.file) != size_t(n)) {
            write_error = true;
            break;
        }
    }
    // The checksum is only compared once all the data was read; a deflate stream
    // that ends early reads as a clean end, hence the length check.
    const int closed = unzCloseCurrentFile(zip);
    if (write_error) {
        atomic_abandon(&out);
        log_not_written(parts.name, archive, path);
        return 0;
    }
    if (data_error || closed != UNZ_OK || total != info.uncompressed_size) {
        atomic_abandon(&out);
        log_damaged(parts.name, archive, "member");
        return 0;
    }
    // The times and the read-only bit are given before the file takes the target's
    // place, so a finished target always carries the member's time.
    if (atomic_commit(&out)) return 1;
    log_not_written(parts.name, archive, path);
    return 0;
}

}  // namespace

std::string stripped_member_name(const std::string& stored)
{
    static constexpr const char* kUpSteps[] = {"\\..\\", "\\../", "/../", "/..\\"};
    std::string name = stored;
    for (;;) {
        if (name.size() >= 2 && name[1] == ':') {
            name.erase(0, 2);
            continue;
        }
        if (!name.empty() && (name[0] == '\\' || name[0] == '/')) {
            name.erase(0, 1);
            continue;
        }
        bool cut = false;
        for (const char* step : kUpSteps) {
            const size_t at = name.find(step);
            if (at != std::string::npos) {
                name.erase(0, at + 4);
                cut = true;
                break;
            }
        }
        if (!cut) return name;
    }
}

int extractMember(const char* archive, const char* target)
{
    const TargetParts parts = split_target(target);
    if (!is_plain_name(parts.name)) return 1;

    // The archive library opens blocking: a FIFO would stop the run for ever.
    if (FileStatus status; g_platform.file_status(archive, &status) && !status.is_directory && !status.is_regular) {
        log_printf("ERROR:\tCan't extract %s from %s: not a regular file\n", parts.name.c_str(), archive);
        return 0;
    }
    const std::string native = g_platform.native_path(archive);
    ArchiveHandle zip(unzOpen64(native.c_str()));
    if (!zip) {
        // A missing archive is a source that was never fetched; anything else that
        // will not open is a broken download.
        if (!fileExists(archive)) return 1;
        log_damaged(parts.name, archive, "archive");
        return 0;
    }
    unz_global_info64 global{};
    if (unzGetGlobalInfo64(zip.get(), &global) != UNZ_OK) {
        log_damaged(parts.name, archive, "archive");
        return 0;
    }
    if (global.number_entry == 0) return 1;

    int status = unzGoToFirstFile(zip.get());
    while (status == UNZ_OK) {
        unz_file_info64 info{};
        char name[kNameLimit + 1] = {};
        status = unzGetCurrentFileInfo64(zip.get(), &info, name, kNameLimit, nullptr, 0, nullptr, 0);
        if (status != UNZ_OK) break;
        if (stripped_member_name(name) == parts.name) return extract_entry(zip.get(), info, archive, parts);
        status = unzGoToNextFile(zip.get());
    }
    if (status == UNZ_END_OF_LIST_OF_FILE) return 1;
    log_damaged(parts.name, archive, "archive");
    return 0;
}

int extractMembers(const Catalogue& catalogue, const DataSource& archive, std::span<const int> memberSlots)
{
    int all = 1;
    for (int slot : memberSlots) {
        if (slot < 0 || slot >= kSlotCount) continue;
        const DataSource& member = catalogue.slot[size_t(slot)];
        debug_printf("DEBUG:\tcreating %s from %s\n", member.targetPath.c_str(), archive.downloadPath.c_str());
        // Every member is tried, also after one that failed.
        if (!extractMember(archive.downloadPath.c_str(), member.targetPath.c_str())) all = 0;
    }
    return all;
}

bool check_zip_archive(const char* path, std::string* why)
{
    if (FileStatus status; !g_platform.file_status(path, &status) || !status.is_regular) {
        *why = "it is not a regular file";
        return false;
    }
    ArchiveHandle zip(unzOpen64(g_platform.native_path(path).c_str()));
    unz_global_info64 global{};
    if (!zip || unzGetGlobalInfo64(zip.get(), &global) != UNZ_OK) {
        *why = "it is not a zip archive";
        return false;
    }
    if (global.number_entry == 0) {
        *why = "the archive is empty";
        return false;
    }
    std::vector<char> chunk(kChunkSize);
    // Members may share their data: what they may inflate to in all is bounded too.
    uint64_t budget = kMaxCheckedBytes;
    bool too_large = false;
    int status = unzGoToFirstFile(zip.get());
    for (; status == UNZ_OK; status = unzGoToNextFile(zip.get())) {
        unz_file_info64 info{};
        if (unzGetCurrentFileInfo64(zip.get(), &info, nullptr, 0, nullptr, 0, nullptr, 0) != UNZ_OK ||
            info.uncompressed_size > std::min(kMaxMemberSize, budget) || unzOpenCurrentFile(zip.get()) != UNZ_OK) {
            too_large = info.uncompressed_size > std::min(kMaxMemberSize, budget);
            break;
        }
        budget -= info.uncompressed_size;
        // Every byte is inflated, as far as the member's stated size, so that the
        // checksum is compared; a stream ending early reads as a clean end.
        uint64_t total = 0;
        int n = 0;
        while ((n = unzReadCurrentFile(zip.get(), chunk.data(), kChunkSize)) > 0 &&
               (total += uint64_t(n)) <= info.uncompressed_size) {}
        if (unzCloseCurrentFile(zip.get()) != UNZ_OK || n != 0 || total != info.uncompressed_size) break;
    }
    if (status == UNZ_END_OF_LIST_OF_FILE) return true;
    *why = too_large ? "the archive unpacks to more than a data file can be" : "a member of the archive is damaged";
    return false;
}
