// Big FastFiles for closing the program in the middle of a job: 20,000 small scripts,
// so that a close arrives while its files are being written, with the check of what a
// stopped job left on disk; and a zone of zeros, for a close during its load or .dump.
#pragma once

#include <algorithm>
#include <cstdio>
#include <string>

#include "ff_builder.h"
#include "output_test_support.h"

namespace apptest {

class BigArchive {
public:
    static constexpr int kEntries = 20000;

    // Writes the archive as folder\big.ff and returns its path.
    explicit BigArchive(const testsupport::TempFolder& folder) : folder_(folder) {
        ffb::ZoneBuilder zone;
        zone.Strings({"big"});
        for (int i = 0; i < kEntries; ++i) zone.Record(ffb::kGsc, Name(i), Content(i));
        ffb::WriteFile(Path(), ffb::FastFile(ffb::kVersion387, zone.Build()));
    }

    std::string Path() const { return folder_ / "big.ff"; }
    // Entry i as extracted.
    std::string File(int i) const { return folder_ / ("big/" + Name(i)); }

    // What a job stopped part way left: the files before the first missing one, each
    // whole, and none after it.
    struct Left {
        int firstMissing = kEntries;
        int strays = 0;  // written after the first missing one
        int broken = 0;  // cut short
    };
    Left Check() const {
        Left left;
        for (int i = 0; i < kEntries; ++i) {
            if (!testsupport::Exists(File(i)))
                left.firstMissing = std::min(left.firstMissing, i);
            else if (i > left.firstMissing)
                ++left.strays;
            else if (testsupport::ReadText(File(i)) != Content(i))
                ++left.broken;
        }
        return left;
    }

private:
    static std::string Name(int i) {
        char text[32];
        std::snprintf(text, sizeof text, "f%02d/%05d.gsc", i / 1000, i);
        return text;
    }
    static std::string Content(int i) {
        std::string text;
        for (int k = 0; k < 16; ++k) text += "entry " + std::to_string(i) + "\n";
        return text;
    }

    const testsupport::TempFolder& folder_;
};

// Writes a FastFile whose zone is `megabytes` of zeros as path, and returns path: quick
// to make, and seconds to load or to write out as a .dump.
inline std::string WriteZerosArchive(const std::string& path, size_t megabytes) {
    ffb::ZoneBuilder zone;
    zone.Strings({"zeros"}).Raw(ffb::Bytes(megabytes << 20));
    ffb::WriteFile(path, ffb::FastFile(ffb::kVersion387, zone.Build()));
    return path;
}

}  // namespace apptest
