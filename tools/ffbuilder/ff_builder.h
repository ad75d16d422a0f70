// FastFile builder: writes test, benchmark and sample archives from a description.
// Every archive a test reads is made here, in the test itself; no binary fixtures.
//
//   ffb::ZoneBuilder zone;
//   zone.Strings({"mp_crash", "", "sun"}).AssetTypes({0x20, 0x21});
//   zone.Record(ffb::kGsc, "maps/mp/dm.gsc", "main() {}");
//   zone.SoundB("sound/fx\0boom.wav", "RIFF....");
//   auto file = ffb::FastFile(ffb::kVersion387, zone.Build());
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace ffb {

using Bytes = std::vector<uint8_t>;

// Record types as the scan names them.
enum RecordType : int32_t { kGsc = 1, kCsc = 2, kMenu = 3, kRmb = 4, kShock = 5, kVision = 6 };

// Bytes 8..11 of the header for each version class.
extern const uint8_t kVersion5[4];      // 05 01 00 00
extern const uint8_t kVersion387[4];    // 83 01 00 00
extern const uint8_t kVersion307[4];    // 33 01 00 00
extern const uint8_t kOtherVersion[4];  // 83 02 00 00

Bytes ToBytes(const std::string& text);

// Builds an inflated zone: the 52-byte header, the string slots and strings, the asset
// list, then whatever records and raw bytes were added, in the order they were added.
class ZoneBuilder {
public:
    // The string list; the header count follows it unless StringCount overrides it.
    ZoneBuilder& Strings(const std::vector<std::string>& strings);
    // The asset list (type, 4 skipped bytes); the header count follows it unless overridden.
    ZoneBuilder& AssetTypes(const std::vector<uint32_t>& types);
    ZoneBuilder& StringCount(int32_t count);
    ZoneBuilder& AssetCount(int32_t count);

    // Raw bytes in the record section.
    ZoneBuilder& Raw(const Bytes& bytes);
    ZoneBuilder& Raw(const std::string& bytes);

    // Types 1..6: length (LE, the data's size unless given), four 0xFF, name, zero, data.
    ZoneBuilder& Record(RecordType type, const std::string& name, const std::string& data);
    ZoneBuilder& RecordWithLength(const std::string& name, int32_t length, const std::string& data);

    // Compressed script for OtherVersion archives: length field = 8 + compressed size,
    // marker, name, zero, then inflated length, compressed length and the zlib stream.
    // statedLength < 0 states the true inflated length of payload, statedCompressed < 0
    // the true size of the stream.
    ZoneBuilder& CompressedScript(const std::string& name, const std::string& payload,
                                  int64_t statedLength = -1, int64_t statedCompressed = -1);

    // Sound, form A: marker then the name (its first four bytes printable); the name may
    // hold zero bytes between its pieces and must end in ".wav"; then one skipped byte.
    ZoneBuilder& SoundA(const std::string& name);
    // Sound, form B: marker, length (LE, the data's size unless given; must hold a
    // non-printable byte), name, one skipped byte, data.
    ZoneBuilder& SoundB(const std::string& name, const std::string& data);
    ZoneBuilder& SoundBWithLength(const std::string& name, int32_t length, const std::string& data);
    // Refused sound: marker followed by "ERROR", then `following` (for instance a ".wav"
    // name without a marker of its own), then a zero byte.
    ZoneBuilder& SoundError(const std::string& following = "");

    // Offset the next added piece will start at, counted from the zone's first byte.
    size_t NextOffset() const;

    Bytes Build() const;

private:
    std::vector<std::string> strings_;
    std::vector<uint32_t> assetTypes_;
    bool stringCountSet_ = false;  // otherwise the counts follow the lists
    bool assetCountSet_ = false;
    int32_t stringCount_ = 0;
    int32_t assetCount_ = 0;
    Bytes records_;
};

// How the body of a FastFile is damaged, if at all.
enum class Body { Intact, Truncated, TrailingGarbage, NotZlib, Empty };

Bytes Compress(const Bytes& data, int level = 6);

// "IWffu100", the four version bytes, then the compressed zone.
Bytes FastFile(const uint8_t version[4], const Bytes& zone, Body body = Body::Intact, int level = 6);
// Any 12 header bytes followed by the compressed zone.
Bytes FastFileWithHeader(const Bytes& header, const Bytes& zone, Body body = Body::Intact, int level = 6);

bool WriteFile(const std::string& path, const Bytes& bytes);
// A FastFile whose zone is `zoneLength` zero bytes, compressed as it is written: for
// zones too large to be held in memory, up to more than a 32-bit size.
bool WriteZerosFastFile(const std::string& path, const uint8_t version[4], uint64_t zoneLength);
Bytes ReadFile(const std::string& path);

// A realistic archive: entries of every kind, strings and referenced sounds. The
// payloads of scripts, rumble, shock, vision and sound data grow with payloadScale.
Bytes SampleZone(unsigned seed, int entriesPerKind, int payloadScale = 1);

}  // namespace ffb
