// Writes the fuzzer's seed archives: small FastFiles of every kind and record form.
#include "ff_builder.h"

#include <string>

int main(int argc, char** argv)
{
    if (argc != 2)
        return 2;
    const std::string folder = argv[1];
    const uint8_t* versions[] = {ffb::kVersion5, ffb::kVersion387, ffb::kVersion307, ffb::kOtherVersion};
    int n = 0;
    for (const uint8_t* version : versions) {
        ++n;
        ffb::WriteFile(folder + "/sample" + std::to_string(n) + ".ff", ffb::FastFile(version, ffb::SampleZone(unsigned(n), 2)));
        ffb::ZoneBuilder zone;
        zone.Strings({"a", "", "bb"}).AssetTypes({1, 2});
        zone.Record(ffb::kMenu, "ui/a.menu,ui/b.menu", "mmmm");
        zone.CompressedScript("maps/x.gsc", "main() { wait 1; }");
        zone.SoundA("v/a.wav").SoundError().SoundB(std::string("f") + '\0' + "b.wav", "RIFF");
        zone.RecordWithLength("neg.rmb", -7, "").RecordWithLength("big.shock", 0x7FFFFFFF, "s");
        ffb::WriteFile(folder + "/records" + std::to_string(n) + ".ff", ffb::FastFile(version, zone.Build(), ffb::Body::Intact, 0));
    }
    return 0;
}
