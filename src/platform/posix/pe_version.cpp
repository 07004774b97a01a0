#include "platform/posix/pe_version.h"

#include <fstream>
#include <iterator>
#include <sys/stat.h>
#include <vector>

#include "platform/posix/files_posix.h"

namespace {

constexpr uint32_t kResourceTypeVersion = 16;
constexpr size_t kMaxImageSize = size_t(256) << 20;

struct Image {
    const uint8_t* data;
    size_t size;
};

bool read16(const Image& im, size_t off, uint32_t* v)
{
    if (off > im.size || im.size - off < 2) return false;
    *v = uint32_t(im.data[off]) | uint32_t(im.data[off + 1]) << 8;
    return true;
}

bool read32(const Image& im, size_t off, uint32_t* v)
{
    if (off > im.size || im.size - off < 4) return false;
    *v = uint32_t(im.data[off]) | uint32_t(im.data[off + 1]) << 8 | uint32_t(im.data[off + 2]) << 16 |
         uint32_t(im.data[off + 3]) << 24;
    return true;
}

struct Section {
    uint32_t rva, virtual_size, raw_offset, raw_size;
};

bool rva_to_offset(const std::vector<Section>& sections, uint32_t rva, size_t* off)
{
    for (const Section& s : sections) {
        uint32_t span = s.virtual_size > s.raw_size ? s.virtual_size : s.raw_size;
        if (rva >= s.rva && rva - s.rva < span) {
            uint32_t delta = rva - s.rva;
            if (delta >= s.raw_size) return false;
            *off = size_t(s.raw_offset) + delta;
            return true;
        }
    }
    return false;
}

// The entry of a resource directory: with want_id the entry of that numeric id,
// otherwise the first entry. Returns its OffsetToData.
bool directory_entry(const Image& im, size_t dir, bool want_id, uint32_t id, uint32_t* target)
{
    uint32_t named, ids;
    if (!read16(im, dir + 12, &named) || !read16(im, dir + 14, &ids)) return false;
    const uint32_t count = named + ids;
    for (uint32_t i = 0; i < count; ++i) {
        size_t entry = dir + 16 + size_t(i) * 8;
        uint32_t name, offset;
        if (!read32(im, entry, &name) || !read32(im, entry + 4, &offset)) return false;
        if (!want_id || (!(name & 0x80000000u) && name == id)) {
            *target = offset;
            return true;
        }
    }
    return false;
}

}  // namespace

int read_pe_fixed_file_info(const uint8_t* data, size_t size, FixedFileInfo* out)
{
    const Image im{data, size};
    uint32_t mz, pe_offset, pe_sig;
    if (!read16(im, 0, &mz) || mz != 0x5A4D) return 0;
    if (!read32(im, 0x3C, &pe_offset) || !read32(im, pe_offset, &pe_sig) || pe_sig != 0x00004550) return 0;
    const size_t coff = size_t(pe_offset) + 4;
    uint32_t section_count, optional_size, magic;
    if (!read16(im, coff + 2, &section_count) || !read16(im, coff + 16, &optional_size)) return 0;
    const size_t optional = coff + 20;
    if (!read16(im, optional, &magic)) return 0;
    size_t dirs;
    if (magic == 0x10B) dirs = optional + 96;
    else if (magic == 0x20B) dirs = optional + 112;
    else return 0;
    uint32_t dir_count, res_rva, res_size;
    if (!read32(im, dirs - 4, &dir_count) || dir_count < 3) return 0;
    if (dirs + 3 * 8 > optional + optional_size) return 0;
    if (!read32(im, dirs + 16, &res_rva) || !read32(im, dirs + 20, &res_size) || res_rva == 0) return 0;

    std::vector<Section> sections;
    const size_t table = optional + optional_size;
    for (uint32_t i = 0; i < section_count; ++i) {
        size_t s = table + size_t(i) * 40;
        Section sec{};
        if (!read32(im, s + 8, &sec.virtual_size) || !read32(im, s + 12, &sec.rva) ||
            !read32(im, s + 16, &sec.raw_size) || !read32(im, s + 20, &sec.raw_offset))
            return 0;
        sections.push_back(sec);
    }
    size_t root;
    if (!rva_to_offset(sections, res_rva, &root)) return 0;

    // type (RT_VERSION) -> name (first) -> language (first) -> data entry
    uint32_t next;
    if (!directory_entry(im, root, true, kResourceTypeVersion, &next) || !(next & 0x80000000u)) return 0;
    if (!directory_entry(im, root + (next & 0x7FFFFFFFu), false, 0, &next) || !(next & 0x80000000u)) return 0;
    if (!directory_entry(im, root + (next & 0x7FFFFFFFu), false, 0, &next) || (next & 0x80000000u)) return 0;
    uint32_t data_rva, data_size;
    if (!read32(im, root + next, &data_rva) || !read32(im, root + next + 4, &data_size)) return 0;
    size_t block;
    if (!rva_to_offset(sections, data_rva, &block)) return 0;
    if (block > size || size - block < data_size) return 0;

    // VS_VERSIONINFO: wLength, wValueLength, wType, "VS_VERSION_INFO" in UTF-16,
    // padding to 32 bits, then the fixed block.
    const Image res{data + block, data_size};
    uint32_t length, value_length;
    if (!read16(res, 0, &length) || !read16(res, 2, &value_length)) return 0;
    if (length > data_size || value_length < 52) return 0;
    size_t key_end = 6;
    for (;;) {
        uint32_t ch;
        if (!read16(res, key_end, &ch)) return 0;
        key_end += 2;
        if (ch == 0) break;
    }
    const size_t fixed = (key_end + 3) & ~size_t(3);
    if (fixed + 52 > length) return 0;
    if (!read32(res, fixed, &out->signature) || !read32(res, fixed + 8, &out->file_version_ms) ||
        !read32(res, fixed + 12, &out->file_version_ls))
        return 0;
    return 1;
}

int posix_file_version(const char* path, FixedFileInfo* out)
{
    // A stream opens blocking; anything but a plain file (a FIFO) has no version.
    struct stat st;
    if (::stat(posix_native_path(path).c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return 0;
    std::ifstream in(posix_native_path(path), std::ios::binary);
    if (!in) return 0;
    in.seekg(0, std::ios::end);
    std::streamoff length = in.tellg();
    if (length <= 0 || size_t(length) > kMaxImageSize) return 0;
    in.seekg(0);
    std::vector<uint8_t> image(static_cast<size_t>(length));
    if (!in.read(reinterpret_cast<char*>(image.data()), length)) return 0;
    return read_pe_fixed_file_info(image.data(), image.size(), out);
}
