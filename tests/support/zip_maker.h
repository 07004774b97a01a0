// Zip archives for tests, made by real tools at test time: the Info-ZIP command
// (which writes extended timestamps) and Python's zipfile module (which does not,
// and lets a test choose names, host system and attributes freely).
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

// Runs `zip` in `folder` over the given files (paths relative to that folder) into
// `archive` (relative to the current folder). stored: no compression. 1 on success.
int info_zip(const std::string& archive, const std::string& folder, const std::vector<std::string>& files,
             bool stored = false);

struct PyMember {
    std::string name;                          // stored exactly as given
    std::string data;
    bool deflated = true;
    int create_system = 3;                     // 0 MS-DOS, 3 Unix, 11 NTFS
    uint32_t external_attr = 0100644u << 16;
    std::array<int, 6> date_time{2020, 1, 1, 0, 0, 0};
};

// Writes the members in order with Python's zipfile. 1 on success.
int python_zip(const std::string& archive, const std::vector<PyMember>& members);

// Byte offset of the first occurrence of `needle` in a file, or -1.
long find_in_file(const std::string& path, const std::string& needle);
// Inverts the bits of one byte of a file.
void flip_byte(const std::string& path, long offset);
// Overwrites four bytes of a file with a little-endian number.
void put_u32_at(const std::string& path, long offset, uint32_t value);
