// libFuzzer target: arbitrary bytes as an inflated zone, straight into parse and scan,
// then the walk that every extraction takes, into a destination that keeps nothing.
// The FastFile target mostly meets zlib's checksums; this one reaches every record form.
// The first byte picks the version class and whether a selection is asked.
#include "asset_scan.h"
#include "raw_export.h"
#include "zone_strings.h"

#include <cstdlib>
#include <cstring>

namespace {

class Discard : public ExportDestination {
public:
    bool BeginFile(const ExportedFile&) override { return true; }
    void WriteBytes(const uint8_t*, size_t) override {}
    void EndFile() override {}
};

EntrySelection SomeSelection()
{
    EntrySelection selection;
    selection.AddType(Gsc);
    selection.AddType(Sound);
    selection.AddGlob("**/[a-m]*.gsc");
    selection.AddGlob("sound/*/?*[!x].wav");
    return selection;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    static const FastFileKind kKinds[] = {Version5, Version387, OtherVersion};
    FFZone zone;
    zone.kind = kKinds[data[0] % 3];
    zone.zoneSize = int32_t(size - 1);
    zone.zoneCapacity = zone.zoneSize;
    // An exact-size copy, so AddressSanitizer sees any read past the zone's end.
    zone.zoneData = static_cast<uint8_t*>(malloc(size - 1 ? size - 1 : 1));
    if (size > 1)
        memcpy(zone.zoneData, data + 1, size - 1);
    ParseStrings(zone);
    ParseAssetTypes(zone);
    LocateFiles(zone);
    static const EntrySelection selection = SomeSelection();
    ExportRequest request;
    request.stringTable = true;
    request.selection = (data[0] / 3) % 2 ? &selection : nullptr;
    Discard discard;
    ExportFiles(zone, request, discard);
    return 0;
}
