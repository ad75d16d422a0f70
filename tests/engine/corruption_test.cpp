// Seeded corruption: archives from the builder with bytes overwritten and hostile names
// planted, through every stage including the output files. Nothing may crash or write
// outside the archive's output folder. A failing input is saved as corrupt_seed_N.ff
// beside the test, so `Corruption.*` with that seed reproduces it.
#include "asset_scan.h"
#include "fastfile_load.h"
#include "raw_export.h"
#include "string_table.h"
#include "zone_strings.h"

#include "ff_builder.h"
#include "output_test_support.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>

namespace fs = std::filesystem;

namespace {

const char* const kHostile[] = {
    "../", "..\\", "/", "\\", "C:", "c:\\x\\", "\xFF\xFF\xFF\xFF", ".gsc", ".wav", ".menu,", "ERROR", "\0\0\0\0",
    "\xFF\xFF\xFF\x7F", ".. /", "...\\", "sound/../../", ".vision", ".shock",
};

ffb::Bytes Corrupt(unsigned seed)
{
    std::mt19937 random(seed);
    ffb::Bytes zone = ffb::SampleZone(seed, 2 + int(seed % 3));
    const int edits = 1 + int(random() % 12);
    for (int i = 0; i < edits; ++i) {
        const size_t at = random() % zone.size();
        if (random() % 2) {
            zone[at] = uint8_t(random());
        } else {
            const std::string token = kHostile[random() % (sizeof kHostile / sizeof *kHostile)];
            const size_t length = token.empty() ? 4 : token.size();
            for (size_t k = 0; k < length && at + k < zone.size(); ++k)
                zone[at + k] = uint8_t(token.empty() ? 0 : token[k]);
        }
    }
    if (random() % 4 == 0)
        zone.resize(random() % zone.size());
    static const uint8_t* const kVersions[] = {ffb::kVersion5, ffb::kVersion387, ffb::kVersion307, ffb::kOtherVersion};
    return ffb::FastFile(kVersions[seed % 4], zone);
}

// Every path below root, relative to it.
std::vector<std::string> Tree(const fs::path& root)
{
    std::vector<std::string> paths;
    for (const auto& entry : fs::recursive_directory_iterator(root))
        paths.push_back(fs::relative(entry.path(), root).generic_string());
    return paths;
}

}  // namespace

TEST(Corruption, DamagedArchivesStayInsideTheirOutputFolder)
{
    const testsupport::TempFolder folder;
    const fs::path sandbox = fs::path(folder.Path()) / "sandbox";
    const unsigned seeds = 60;
    for (unsigned seed = 0; seed < seeds; ++seed) {
        fs::remove_all(sandbox);
        fs::create_directories(sandbox / "in" / "zone");
        const ffb::Bytes file = Corrupt(seed);

        FFZone zone;
        zone.name = "patch.ff";
        zone.folder = (sandbox / "in" / "zone").string();
        zone.path = zone.folder + "/patch.ff";
        if (LoadFastFileFromMemory(zone, file.data(), file.size()) == kResultSuccess) {
            ParseStrings(zone);
            ParseAssetTypes(zone);
            LocateFiles(zone);
            ExportRequest request;
            request.stringTable = true;
            WriteFiles(zone, request);
        }

        bool escaped = false;
        for (const std::string& path : Tree(sandbox)) {
            if (path != "in" && path != "in/zone" && path != "in/zone/patch" && path.rfind("in/zone/patch/", 0) != 0) {
                ADD_FAILURE() << "seed " << seed << " wrote outside its output folder: " << path;
                escaped = true;
            }
        }
        if (escaped || HasFailure()) {
            const std::string saved = "corrupt_seed_" + std::to_string(seed) + ".ff";
            ffb::WriteFile(saved, file);
            ADD_FAILURE() << "input saved as " << fs::absolute(saved).string();
            break;
        }
    }
}
