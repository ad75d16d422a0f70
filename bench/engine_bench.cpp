// Load and scan speed against the floor of one plain inflate of the same body.
//
// The load inflates once, into a zone that grows in place, so load/floor near 1 is
// expected; anything above that is overhead of our own (reading the file, growing).
#include "asset_scan.h"
#include "entry_selection.h"
#include "engine_work.h"
#include "fastfile_load.h"
#include "zone_strings.h"

#include "ff_builder.h"

#include <zlib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <vector>

namespace {

double BestSeconds(int runs, const std::function<void()>& work)
{
    double best = 1e30;
    for (int i = 0; i < runs; ++i) {
        const auto start = std::chrono::steady_clock::now();
        work();
        best = std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    return best;
}

}  // namespace

int main(int argc, char** argv)
{
    const int perKind = argc > 1 ? atoi(argv[1]) : 13000;
    const int runs = argc > 2 ? atoi(argv[2]) : 5;
    const ffb::Bytes zoneBytes = ffb::SampleZone(7, perKind);
    const ffb::Bytes file = ffb::FastFile(ffb::kVersion387, zoneBytes);
    const std::string path = (std::filesystem::temp_directory_path() / "vandrel_engine_bench.ff").string();
    ffb::WriteFile(path, file);

    // Floor: one inflate of the body into a buffer that is large enough from the start.
    std::vector<uint8_t> out(zoneBytes.size());
    const double floor = BestSeconds(runs, [&] {
        uLongf length = uLongf(out.size());
        uncompress(out.data(), &length, file.data() + 12, uLong(file.size() - 12));
    });

    FFZone zone;
    zone.path = path;
    uint64_t inflatedPerLoad = 0;
    const double load = BestSeconds(runs, [&] {
        ResetZone(zone);
        const uint64_t before = EngineWorkDone().inflated;
        LoadFastFile(zone);
        inflatedPerLoad = EngineWorkDone().inflated - before;
    });
    ParseStrings(zone);
    ParseAssetTypes(zone);

    size_t entries = 0;
    const double scan = BestSeconds(runs, [&] {
        zone.entries.clear();
        LocateFiles(zone);
        entries = zone.entries.size();
    });

    const double megabytes = double(zone.zoneSize) / 1e6;
    printf("zone %.1f MB, body %.1f MB, %zu entries\n", megabytes, double(file.size() - 12) / 1e6, entries);
    printf("floor (one inflate)    %8.1f ms\n", floor * 1e3);
    printf("LoadFastFile           %8.1f ms   load/floor %.2f  (goal <= 1.10)\n", load * 1e3, load / floor);
    printf("inflated per load      %8.1f MB   (the zone's size: each byte once)\n", double(inflatedPerLoad) / 1e6);
    printf("LocateFiles            %8.1f ms   %.0f MB/s  (goal >= 2000)\n", scan * 1e3, megabytes / scan);

    // A --filter glob over a 1 KB name from a hostile archive: stars cost no more than
    // plain parts (goal: within a few times of each other).
    const std::string name = "maps/" + std::string(1000, '_') + "y.gsc";
    for (const char* glob : {"*/*.gsc", "maps/*_*x", "**/*_*x"}) {
        const double match = BestSeconds(runs, [&] {
            for (int i = 0; i < 100; ++i)
                GlobMatches(glob, name);
        });
        printf("GlobMatches %-10s %8.1f us per 1 KB name\n", glob, match * 1e4);
    }
    std::filesystem::remove(path);
    return 0;
}
