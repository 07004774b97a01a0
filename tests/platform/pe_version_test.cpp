#include "platform/posix/pe_version.h"

#include <gtest/gtest.h>

#include "support/pe_builder.h"

namespace {

TEST(PeVersion, ReadsFileVersionFrom32And64BitImages)
{
    for (bool plus : {false, true}) {
        PeOptions o;
        o.pe32_plus = plus;
        o.major = 9;
        o.minor = 1;
        o.build = 2345;
        o.revision = 65535;
        const auto image = build_pe(o);
        FixedFileInfo info;
        ASSERT_EQ(read_pe_fixed_file_info(image.data(), image.size(), &info), 1) << plus;
        EXPECT_EQ(info.signature, 0xFEEF04BDu);
        EXPECT_EQ(info.file_version_ms, (9u << 16) | 1u);
        EXPECT_EQ(info.file_version_ls, (2345u << 16) | 65535u);
    }
}

TEST(PeVersion, ImagesWithoutVersionOrNotPeAreRefused)
{
    PeOptions o;
    o.with_version = false;
    auto image = build_pe(o);
    FixedFileInfo info;
    EXPECT_EQ(read_pe_fixed_file_info(image.data(), image.size(), &info), 0);

    const std::string text = "MZ but nothing else of a program";
    EXPECT_EQ(read_pe_fixed_file_info(reinterpret_cast<const uint8_t*>(text.data()), text.size(), &info), 0);
    EXPECT_EQ(read_pe_fixed_file_info(nullptr, 0, &info), 0);
}

TEST(PeVersion, TruncatedImagesNeverReadPastTheirEnd)
{
    // Under the address sanitizer any read past a cut copy fails the test.
    const auto image = build_pe(PeOptions{});
    FixedFileInfo info;
    for (size_t cut = 0; cut < image.size(); cut += 7) {
        std::vector<uint8_t> part(image.begin(), image.begin() + long(cut));
        int ok = read_pe_fixed_file_info(part.data(), part.size(), &info);
        if (cut < 0x200 + 0x58 + 92) {
            EXPECT_EQ(ok, 0) << cut;
        }
    }
}

TEST(PeVersion, DamagedOffsetsAreRefused)
{
    FixedFileInfo info;
    auto image = build_pe(PeOptions{});
    image[0x3C] = 0xF0;  // PE header beyond the file
    image[0x3D] = 0xFF;
    EXPECT_EQ(read_pe_fixed_file_info(image.data(), image.size(), &info), 0);

    image = build_pe(PeOptions{});
    image[0x200 + 0x48 + 4] = 0xFF;  // version block larger than the image
    image[0x200 + 0x48 + 5] = 0xFF;
    EXPECT_EQ(read_pe_fixed_file_info(image.data(), image.size(), &info), 0);

    image = build_pe(PeOptions{});
    image[0x200 + 0x58 + 2] = 0;  // empty fixed block
    EXPECT_EQ(read_pe_fixed_file_info(image.data(), image.size(), &info), 0);

    image = build_pe(PeOptions{});
    image[0x200 + 20] = 0x00;  // type directory entry pointing into itself forever
    image[0x200 + 21] = 0x00;
    EXPECT_EQ(read_pe_fixed_file_info(image.data(), image.size(), &info), 0);
}

}  // namespace
