// Writes small executables with version resources, 32- and 64-bit, with and without
// a version, as seeds for the PE reader's fuzz target: pe_seeds <folder>.
#include <cstdio>
#include <string>

#include "support/pe_builder.h"

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: pe_seeds <folder>\n");
        return 2;
    }
    int written = 0;
    for (bool plus : {false, true}) {
        for (bool with_version : {true, false}) {
            PeOptions options;
            options.pe32_plus = plus;
            options.with_version = with_version;
            options.major = 9;
            options.minor = uint16_t(plus ? 6 : 1);
            const auto image = build_pe(options);
            const std::string path =
                std::string(argv[1]) + "/pe" + (plus ? "64" : "32") + (with_version ? "-version" : "-icon") + ".exe";
            FILE* out = std::fopen(path.c_str(), "wb");
            if (!out) return 1;
            bool ok = std::fwrite(image.data(), 1, image.size(), out) == image.size();
            if (std::fclose(out) != 0 || !ok) return 1;
            ++written;
        }
    }
    return written == 4 ? 0 : 1;
}
