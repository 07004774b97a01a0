// Builds small Windows PE images in memory for the version reader's tests: one
// resource section holding a version resource with a chosen file version.
#pragma once

#include <cstdint>
#include <vector>

struct PeOptions {
    uint16_t major = 8, minor = 5, build = 0, revision = 39;
    uint32_t signature = 0xFEEF04BD;
    bool with_version = true;  // false: the resource section holds only an icon type
    bool pe32_plus = false;    // 64-bit optional header
};

std::vector<uint8_t> build_pe(const PeOptions& options);
