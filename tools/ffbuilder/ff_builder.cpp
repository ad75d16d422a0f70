#include "ff_builder.h"

#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <random>

namespace ffb {

const uint8_t kVersion5[4] = {0x05, 0x01, 0x00, 0x00};
const uint8_t kVersion387[4] = {0x83, 0x01, 0x00, 0x00};
const uint8_t kVersion307[4] = {0x33, 0x01, 0x00, 0x00};
const uint8_t kOtherVersion[4] = {0x83, 0x02, 0x00, 0x00};

namespace {

const uint8_t kMarker[4] = {0xFF, 0xFF, 0xFF, 0xFF};

void Append(Bytes& out, const void* data, size_t length)
{
    const uint8_t* bytes = static_cast<const uint8_t*>(data);
    out.insert(out.end(), bytes, bytes + length);
}

void Append(Bytes& out, const std::string& text) { Append(out, text.data(), text.size()); }

void AppendU32(Bytes& out, uint32_t value)
{
    const uint8_t bytes[4] = {uint8_t(value), uint8_t(value >> 8), uint8_t(value >> 16), uint8_t(value >> 24)};
    Append(out, bytes, 4);
}

}  // namespace

Bytes ToBytes(const std::string& text) { return Bytes(text.begin(), text.end()); }

ZoneBuilder& ZoneBuilder::Strings(const std::vector<std::string>& strings)
{
    strings_ = strings;
    return *this;
}

ZoneBuilder& ZoneBuilder::AssetTypes(const std::vector<uint32_t>& types)
{
    assetTypes_ = types;
    return *this;
}

ZoneBuilder& ZoneBuilder::StringCount(int32_t count)
{
    stringCount_ = count;
    stringCountSet_ = true;
    return *this;
}

ZoneBuilder& ZoneBuilder::AssetCount(int32_t count)
{
    assetCount_ = count;
    assetCountSet_ = true;
    return *this;
}

ZoneBuilder& ZoneBuilder::Raw(const Bytes& bytes)
{
    Append(records_, bytes.data(), bytes.size());
    return *this;
}

ZoneBuilder& ZoneBuilder::Raw(const std::string& bytes)
{
    Append(records_, bytes);
    return *this;
}

ZoneBuilder& ZoneBuilder::Record(RecordType /*type*/, const std::string& name, const std::string& data)
{
    return RecordWithLength(name, int32_t(data.size()), data);
}

ZoneBuilder& ZoneBuilder::RecordWithLength(const std::string& name, int32_t length, const std::string& data)
{
    AppendU32(records_, uint32_t(length));
    Append(records_, kMarker, 4);
    Append(records_, name);
    records_.push_back(0);
    Append(records_, data);
    return *this;
}

ZoneBuilder& ZoneBuilder::CompressedScript(const std::string& name, const std::string& payload, int64_t statedLength,
                                           int64_t statedCompressed)
{
    const Bytes stream = Compress(ToBytes(payload));
    Bytes data;
    AppendU32(data, uint32_t(statedLength < 0 ? int64_t(payload.size()) : statedLength));
    AppendU32(data, uint32_t(statedCompressed < 0 ? int64_t(stream.size()) : statedCompressed));
    Append(data, stream.data(), stream.size());
    return RecordWithLength(name, int32_t(data.size()), std::string(data.begin(), data.end()));
}

ZoneBuilder& ZoneBuilder::SoundA(const std::string& name)
{
    Append(records_, kMarker, 4);
    Append(records_, name);
    records_.push_back(0);  // the byte after ".wav" is skipped
    records_.push_back(0);  // the one data byte such a record counts
    return *this;
}

ZoneBuilder& ZoneBuilder::SoundB(const std::string& name, const std::string& data)
{
    return SoundBWithLength(name, int32_t(data.size()), data);
}

ZoneBuilder& ZoneBuilder::SoundBWithLength(const std::string& name, int32_t length, const std::string& data)
{
    Append(records_, kMarker, 4);
    AppendU32(records_, uint32_t(length));
    Append(records_, name);
    records_.push_back(0);
    Append(records_, data);
    return *this;
}

ZoneBuilder& ZoneBuilder::SoundError(const std::string& following)
{
    Append(records_, kMarker, 4);
    Append(records_, std::string("ERROR"));
    Append(records_, following);
    records_.push_back(0);
    return *this;
}

size_t ZoneBuilder::NextOffset() const
{
    size_t offset = 52 + 4 * strings_.size() + 8 * assetTypes_.size();
    for (const std::string& s : strings_)
        offset += s.size() + 1;
    return offset + records_.size();
}

Bytes ZoneBuilder::Build() const
{
    Bytes zone(52, 0);
    const uint32_t strings = stringCountSet_ ? uint32_t(stringCount_) : uint32_t(strings_.size());
    const uint32_t assets = assetCountSet_ ? uint32_t(assetCount_) : uint32_t(assetTypes_.size());
    for (int i = 0; i < 4; ++i) {
        zone[36 + i] = uint8_t(strings >> (8 * i));
        zone[44 + i] = uint8_t(assets >> (8 * i));
    }
    for (size_t i = 0; i < strings_.size(); ++i)
        AppendU32(zone, 0xFFFFFFFF);
    for (const std::string& s : strings_) {
        Append(zone, s);
        zone.push_back(0);
    }
    for (uint32_t type : assetTypes_) {
        AppendU32(zone, type);
        AppendU32(zone, 0xFFFFFFFF);
    }
    Append(zone, records_.data(), records_.size());
    return zone;
}

Bytes Compress(const Bytes& data, int level)
{
    uLongf length = compressBound(uLong(data.size()));
    Bytes out(length);
    if (compress2(out.data(), &length, data.data(), uLong(data.size()), level) != Z_OK)
        return {};
    out.resize(length);
    return out;
}

Bytes FastFileWithHeader(const Bytes& header, const Bytes& zone, Body body, int level)
{
    Bytes file = header;
    Bytes stream = Compress(zone, level);
    switch (body) {
    case Body::Intact:
        break;
    case Body::Truncated:
        stream.resize(stream.size() / 2);
        break;
    case Body::TrailingGarbage:
        Append(stream, std::string("trailing garbage after the stream"));
        break;
    case Body::NotZlib:
        stream = ToBytes("this body is plain text and not a zlib stream at all");
        break;
    case Body::Empty:
        stream.clear();
        break;
    }
    Append(file, stream.data(), stream.size());
    return file;
}

Bytes FastFile(const uint8_t version[4], const Bytes& zone, Body body, int level)
{
    Bytes header = ToBytes("IWffu100");
    Append(header, version, 4);
    return FastFileWithHeader(header, zone, body, level);
}

bool WriteFile(const std::string& path, const Bytes& bytes)
{
    FILE* file = fopen(path.c_str(), "wb");
    if (!file)
        return false;
    const bool ok = fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return fclose(file) == 0 && ok;
}

bool WriteZerosFastFile(const std::string& path, const uint8_t version[4], uint64_t zoneLength)
{
    FILE* file = fopen(path.c_str(), "wb");
    if (!file)
        return false;
    bool ok = fwrite("IWffu100", 1, 8, file) == 8 && fwrite(version, 1, 4, file) == 4;
    z_stream stream{};
    ok = ok && deflateInit(&stream, 1) == Z_OK;
    static const uint8_t kZeros[1 << 20] = {};
    uint8_t out[1 << 16];
    uint64_t left = zoneLength;
    for (int flush = Z_NO_FLUSH; ok && flush != Z_FINISH;) {
        const uInt piece = uInt(std::min<uint64_t>(left, sizeof kZeros));
        left -= piece;
        flush = left == 0 ? Z_FINISH : Z_NO_FLUSH;
        stream.next_in = const_cast<Bytef*>(kZeros);
        stream.avail_in = piece;
        do {
            stream.next_out = out;
            stream.avail_out = sizeof out;
            ok = deflate(&stream, flush) != Z_STREAM_ERROR;
            const size_t produced = sizeof out - stream.avail_out;
            ok = ok && fwrite(out, 1, produced, file) == produced;
        } while (ok && stream.avail_out == 0);
    }
    deflateEnd(&stream);
    return fclose(file) == 0 && ok;
}

Bytes ReadFile(const std::string& path)
{
    Bytes bytes;
    FILE* file = fopen(path.c_str(), "rb");
    if (!file)
        return bytes;
    uint8_t buffer[65536];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, file)) > 0)
        Append(bytes, buffer, n);
    fclose(file);
    return bytes;
}

Bytes SampleZone(unsigned seed, int entriesPerKind, int payloadScale)
{
    std::mt19937 random(seed);
    auto word = [&](int letters) {
        static const char kLetters[] = "abcdefghijklmnopqrstuvwxyz_";
        std::string s;
        for (int i = 0; i < letters; ++i)
            s += kLetters[random() % 27];
        return s;
    };
    auto text = [&](size_t length) {
        length *= size_t(payloadScale);
        std::string s;
        while (s.size() < length)
            s += word(3 + int(random() % 8)) + ((random() % 9) ? " " : ";\n");
        s.resize(length);
        return s;
    };

    ZoneBuilder zone;
    std::vector<std::string> strings;
    for (int i = 0; i < entriesPerKind; ++i)
        strings.push_back(word(4 + int(random() % 12)));
    strings.push_back("");
    zone.Strings(strings);
    std::vector<uint32_t> types;
    for (int i = 0; i < entriesPerKind; ++i)
        types.push_back(uint32_t(random() % 32));
    zone.AssetTypes(types);

    for (int i = 0; i < entriesPerKind; ++i) {
        const std::string stem = word(5) + "_" + std::to_string(i);
        zone.Raw(text(16 + random() % 64));
        zone.Record(kGsc, "maps/mp/gametypes/" + stem + ".gsc", text(200 + random() % 4000));
        zone.Record(kCsc, "clientscripts/mp/" + stem + ".csc", text(200 + random() % 2000));
        zone.Record(kMenu, "ui_mp/" + stem + ".menu", "menu");
        if (i % 5 == 0)
            zone.Record(kMenu, "ui_mp/" + stem + "_a.menu,ui_mp/" + stem + "_b.menu", "list");
        zone.Record(kRmb, "rumble/" + stem + ".rmb", text(64 + random() % 256));
        zone.Record(kShock, "shock/" + stem + ".shock", text(64 + random() % 512));
        zone.Record(kVision, "vision/" + stem + ".vision", text(64 + random() % 512));
        zone.SoundA("voice/" + stem + ".wav");
        // A length whose first byte is 0xFF would lengthen the marker run and shift the record.
        std::string riff = "RIFF" + text(100 + random() % 1000);
        if ((riff.size() & 0xFF) == 0xFF)
            riff += '!';
        zone.SoundB(std::string("fx") + '\0' + stem + ".wav", riff);
        zone.SoundBWithLength("ambient/" + stem + "_ref.wav", 0, "");
        if (i % 50 == 0)
            zone.SoundError();
    }
    return zone.Build();
}

}  // namespace ffb
