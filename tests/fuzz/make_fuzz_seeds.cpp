// Writes the fuzzers' seeds: small FastFiles of every kind and record form into
// FOLDER/fastfiles, and the same zones uncompressed, behind a kind byte, into FOLDER/zones.
#include "ff_builder.h"

#include <string>

int main(int argc, char** argv)
{
    if (argc != 2)
        return 2;
    const std::string folder = std::string(argv[1]) + "/fastfiles";
    const std::string zones = std::string(argv[1]) + "/zones";
    // The zone target's first byte picks the kind: 0 Version5, 1 Version387, 2 OtherVersion.
    auto writeZone = [&](const std::string& name, uint8_t kind, const ffb::Bytes& zone) {
        ffb::Bytes bytes{kind};
        bytes.insert(bytes.end(), zone.begin(), zone.end());
        ffb::WriteFile(zones + "/" + name, bytes);
    };
    const uint8_t* versions[] = {ffb::kVersion5, ffb::kVersion387, ffb::kVersion307, ffb::kOtherVersion};
    int n = 0;
    for (const uint8_t* version : versions) {
        ++n;
        const ffb::Bytes sample = ffb::SampleZone(unsigned(n), 2);
        ffb::WriteFile(folder + "/sample" + std::to_string(n) + ".ff", ffb::FastFile(version, sample));
        writeZone("sample" + std::to_string(n), uint8_t(n % 3), sample);
        ffb::ZoneBuilder zone;
        zone.Strings({"a", "", "bb"}).AssetTypes({1, 2});
        zone.Record(ffb::kMenu, "ui/a.menu,ui/b.menu", "mmmm");
        zone.CompressedScript("maps/x.gsc", "main() { wait 1; }");
        zone.SoundA("v/a.wav").SoundError().SoundB(std::string("f") + '\0' + "b.wav", "RIFF");
        zone.RecordWithLength("neg.rmb", -7, "").RecordWithLength("big.shock", 0x7FFFFFFF, "s");
        ffb::WriteFile(folder + "/records" + std::to_string(n) + ".ff", ffb::FastFile(version, zone.Build(), ffb::Body::Intact, 0));
        writeZone("records" + std::to_string(n), uint8_t(n % 3), zone.Build());
    }
    return 0;
}
