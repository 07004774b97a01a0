#include "platform/posix/pe_version.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
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

// A block of a version resource: wLength, wValueLength, wType, a UTF-16 key ended by
// NUL, padding to 32 bits, the value, padding, then the children up to wLength.
struct VersionBlock {
    size_t end = 0;       // one past the block, never past its parent
    size_t value = 0;     // where the value starts
    size_t children = 0;  // where the first child starts
    uint32_t value_length = 0;
    std::string key;  // ASCII; other characters become '?'
};

size_t align4(size_t off) { return (off + 3) & ~size_t(3); }

bool version_block(const Image& im, size_t at, size_t parent_end, VersionBlock* b)
{
    uint32_t length, value_length, type;
    if (at > parent_end || !read16(im, at, &length) || !read16(im, at + 2, &value_length) || !read16(im, at + 4, &type))
        return false;
    if (length < 6 || length > parent_end - at) return false;
    b->end = at + length;
    b->key.clear();
    size_t key = at + 6;
    for (;;) {
        uint32_t ch;
        if (key + 2 > b->end || !read16(im, key, &ch)) return false;
        key += 2;
        if (ch == 0) break;
        b->key.push_back(ch < 0x80 ? char(ch) : '?');
    }
    b->value = align4(key);
    b->value_length = value_length;
    // Text values count their length in 16-bit characters.
    b->children = align4(b->value + (type == 1 ? size_t(value_length) * 2 : value_length));
    return b->value <= b->end;
}

// The text value of a String block, up to its NUL or its end.
std::string string_value(const Image& im, const VersionBlock& b)
{
    std::string text;
    for (size_t at = b.value; at + 2 <= b.end; at += 2) {
        uint32_t ch;
        if (!read16(im, at, &ch) || ch == 0) break;
        text.push_back(ch < 0x80 && ch >= 0x20 ? char(ch) : '?');
    }
    return text;
}

// The key of the string table the first Translation entry names ("%04x%04x" of its
// language and code page), as Windows looks it up; "040904b0" without one.
std::string translation_key(const Image& res, const VersionBlock& root)
{
    VersionBlock child, var;
    for (size_t at = root.children; at < root.end && version_block(res, at, root.end, &child); at = align4(child.end)) {
        if (child.key != "VarFileInfo") continue;
        for (size_t v = child.children; v < child.end && version_block(res, v, child.end, &var); v = align4(var.end)) {
            uint32_t language, code_page;
            if (var.key == "Translation" && var.value_length >= 4 && var.value + 4 <= var.end &&
                read16(res, var.value, &language) && read16(res, var.value + 2, &code_page)) {
                char key[16];
                std::snprintf(key, sizeof key, "%04x%04x", unsigned(language), unsigned(code_page));
                return key;
            }
        }
    }
    return "040904b0";
}

bool same_key(const std::string& a, const std::string& b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

// InternalName and OriginalFilename of the string table the Translation entry names,
// the one Windows reads when a file has several.
void read_version_strings(const Image& res, const VersionBlock& root, ProgramImage* out)
{
    const std::string wanted = translation_key(res, root);
    VersionBlock child, table, entry;
    for (size_t at = root.children; at < root.end && version_block(res, at, root.end, &child); at = align4(child.end)) {
        if (child.key != "StringFileInfo") continue;
        for (size_t t = child.children; t < child.end && version_block(res, t, child.end, &table);
             t = align4(table.end)) {
            if (!same_key(table.key, wanted)) continue;
            for (size_t e = table.children; e < table.end && version_block(res, e, table.end, &entry);
                 e = align4(entry.end)) {
                if (entry.key == "InternalName") out->internal_name = string_value(res, entry);
                else if (entry.key == "OriginalFilename") out->original_filename = string_value(res, entry);
            }
            return;
        }
    }
}

// The resource data of RT_VERSION (first name, first language) as an image of its own.
bool version_resource(const Image& im, const std::vector<Section>& sections, uint32_t res_rva, Image* out)
{
    size_t root;
    if (res_rva == 0 || !rva_to_offset(sections, res_rva, &root)) return false;
    // type (RT_VERSION) -> name (first) -> language (first) -> data entry
    uint32_t next;
    if (!directory_entry(im, root, true, kResourceTypeVersion, &next) || !(next & 0x80000000u)) return false;
    if (!directory_entry(im, root + (next & 0x7FFFFFFFu), false, 0, &next) || !(next & 0x80000000u)) return false;
    if (!directory_entry(im, root + (next & 0x7FFFFFFFu), false, 0, &next) || (next & 0x80000000u)) return false;
    uint32_t data_rva, data_size;
    if (!read32(im, root + next, &data_rva) || !read32(im, root + next + 4, &data_size)) return false;
    size_t block;
    if (!rva_to_offset(sections, data_rva, &block)) return false;
    if (block > im.size || im.size - block < data_size) return false;
    *out = Image{im.data + block, data_size};
    return true;
}

// The headers, and the version resource when there is one. False when the image is
// no PE file.
bool read_image(const Image& im, ProgramImage* out, bool* fixed_found, FixedFileInfo* fixed_info)
{
    *fixed_found = false;
    uint32_t mz, pe_offset, pe_sig;
    if (!read16(im, 0, &mz) || mz != 0x5A4D) return false;
    if (!read32(im, 0x3C, &pe_offset) || !read32(im, pe_offset, &pe_sig) || pe_sig != 0x00004550) return false;
    const size_t coff = size_t(pe_offset) + 4;
    uint32_t machine, section_count, optional_size, characteristics, magic, subsystem;
    if (!read16(im, coff, &machine) || !read16(im, coff + 2, &section_count) ||
        !read16(im, coff + 16, &optional_size) || !read16(im, coff + 18, &characteristics))
        return false;
    const size_t optional = coff + 20;
    if (!read16(im, optional, &magic) || !read16(im, optional + 68, &subsystem)) return false;
    size_t dirs;
    if (magic == 0x10B) dirs = optional + 96;
    else if (magic == 0x20B) dirs = optional + 112;
    else return false;
    out->machine = uint16_t(machine);
    out->characteristics = uint16_t(characteristics);
    out->magic = uint16_t(magic);
    out->subsystem = uint16_t(subsystem);

    uint32_t dir_count = 0;
    if (!read32(im, dirs - 4, &dir_count)) return false;
    auto directory = [&](uint32_t index, uint32_t* where, uint32_t* size) {
        *where = *size = 0;
        if (dir_count <= index || dirs + (index + 1) * 8 > optional + optional_size) return;
        if (!read32(im, dirs + index * 8, where) || !read32(im, dirs + index * 8 + 4, size)) *where = *size = 0;
    };
    // The certificate table is addressed by file offset, not by RVA.
    uint32_t cert_offset, cert_size;
    directory(4, &cert_offset, &cert_size);
    out->has_signature =
        cert_offset != 0 && cert_size != 0 && cert_offset <= im.size && im.size - cert_offset >= cert_size;

    uint32_t res_rva, res_size;
    directory(2, &res_rva, &res_size);
    std::vector<Section> sections;
    const size_t table = optional + optional_size;
    for (uint32_t i = 0; i < section_count; ++i) {
        size_t s = table + size_t(i) * 40;
        Section sec{};
        if (!read32(im, s + 8, &sec.virtual_size) || !read32(im, s + 12, &sec.rva) ||
            !read32(im, s + 16, &sec.raw_size) || !read32(im, s + 20, &sec.raw_offset))
            return true;
        sections.push_back(sec);
    }
    Image res;
    if (!version_resource(im, sections, res_rva, &res)) return true;

    // VS_VERSIONINFO: its value is the fixed block, its children the string tables.
    VersionBlock root;
    if (!version_block(res, 0, res.size, &root) || root.value_length < 52 || root.value + 52 > root.end) return true;
    if (!read32(res, root.value, &fixed_info->signature) ||
        !read32(res, root.value + 8, &fixed_info->file_version_ms) ||
        !read32(res, root.value + 12, &fixed_info->file_version_ls))
        return true;
    *fixed_found = true;
    out->has_version = fixed_info->signature == 0xFEEF04BD;
    out->file_version_ms = fixed_info->file_version_ms;
    out->file_version_ls = fixed_info->file_version_ls;
    read_version_strings(res, root, out);
    return true;
}

bool read_whole_file(const char* path, std::vector<uint8_t>* image)
{
    // A stream opens blocking; anything but a plain file (a FIFO) has no version.
    struct stat st;
    if (::stat(posix_native_path(path).c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
    std::ifstream in(posix_native_path(path), std::ios::binary);
    if (!in) return false;
    in.seekg(0, std::ios::end);
    std::streamoff length = in.tellg();
    if (length <= 0 || size_t(length) > kMaxImageSize) return false;
    in.seekg(0);
    image->resize(static_cast<size_t>(length));
    return bool(in.read(reinterpret_cast<char*>(image->data()), length));
}

}  // namespace

int read_pe_fixed_file_info(const uint8_t* data, size_t size, FixedFileInfo* out)
{
    ProgramImage image;
    bool found = false;
    FixedFileInfo info;
    if (!read_image(Image{data, size}, &image, &found, &info) || !found) return 0;
    *out = info;
    return 1;
}

int read_pe_program_image(const uint8_t* data, size_t size, ProgramImage* out)
{
    *out = ProgramImage{};
    bool found = false;
    FixedFileInfo info;
    return read_image(Image{data, size}, out, &found, &info) ? 1 : 0;
}

int posix_program_image(const char* path, ProgramImage* out)
{
    // The running program of this build is no PE file.
    std::vector<uint8_t> image;
    if (!path || !read_whole_file(path, &image)) return 0;
    return read_pe_program_image(image.data(), image.size(), out);
}

int posix_file_version(const char* path, FixedFileInfo* out)
{
    std::vector<uint8_t> image;
    if (!read_whole_file(path, &image)) return 0;
    return read_pe_fixed_file_info(image.data(), image.size(), out);
}
