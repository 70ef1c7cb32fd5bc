#include "map/base_map.h"

#include <algorithm>

namespace quilmo {
namespace {

constexpr std::string_view kMagic = "QLMOMAP1";
constexpr int kLayerCount = 3;

// Reads the file front to back; once anything is missing or out of range it stays failed.
class Reader {
public:
    explicit Reader(std::string_view bytes) : bytes_(bytes) {}
    bool ok() const { return ok_; }
    std::size_t left() const { return bytes_.size() - at_; }

    std::uint32_t u32() {
        if (left() < 4) return fail();
        std::uint32_t v = 0;
        for (int i = 0; i < 4; ++i) v |= static_cast<std::uint32_t>(byte()) << (8 * i);
        return v;
    }
    std::uint8_t u8() { return left() < 1 ? static_cast<std::uint8_t>(fail()) : byte(); }
    std::uint32_t varint() {
        std::uint64_t v = 0;
        for (int shift = 0; shift < 35; shift += 7) {
            if (left() < 1) return fail();
            const std::uint8_t b = byte();
            v |= static_cast<std::uint64_t>(b & 0x7F) << shift;
            if ((b & 0x80) == 0) return v <= 0xFFFFFFFFu ? static_cast<std::uint32_t>(v) : fail();
        }
        return fail();
    }
    std::int32_t zigzag() {
        const std::uint32_t v = varint();
        return static_cast<std::int32_t>(v >> 1) ^ -static_cast<std::int32_t>(v & 1);
    }
    bool skip(std::string_view expected) {
        if (bytes_.substr(at_, expected.size()) != expected) {
            fail();
            return false;
        }
        at_ += expected.size();
        return true;
    }
    std::uint32_t fail() {
        ok_ = false;
        at_ = bytes_.size();
        return 0;
    }

private:
    std::uint8_t byte() { return static_cast<std::uint8_t>(bytes_[at_++]); }

    std::string_view bytes_;
    std::size_t at_ = 0;
    bool ok_ = true;
};

bool inWorldX(std::int64_t v) { return v >= -kBaseMapUnits / 2 && v <= kBaseMapUnits * 3 / 2; }
bool inWorldY(std::int64_t v) { return v >= 0 && v <= kBaseMapUnits; }

bool readLine(Reader& in, BaseMapLayer& layer, std::uint32_t pointsLeft) {
    const std::uint32_t count = in.varint();
    if (!in.ok() || count < 2 || count > pointsLeft) return false;
    BaseMapLine line{static_cast<std::uint32_t>(layer.points.size()), count, {kBaseMapUnits * 2, kBaseMapUnits}, {-kBaseMapUnits, 0}};
    std::int64_t x = 0, y = 0;
    for (std::uint32_t i = 0; i < count; ++i) {
        x += in.zigzag();
        y += in.zigzag();
        if (!in.ok() || !inWorldX(x) || !inWorldY(y)) return false;
        const BaseMapPoint p{static_cast<std::int32_t>(x), static_cast<std::int32_t>(y)};
        layer.points.push_back(p);
        line.min = {std::min(line.min.x, p.x), std::min(line.min.y, p.y)};
        line.max = {std::max(line.max.x, p.x), std::max(line.max.y, p.y)};
    }
    layer.lines.push_back(line);
    return true;
}

bool readLayer(Reader& in, BaseMapLayer& layer) {
    const std::uint32_t lines = in.u32(), points = in.u32(), bytes = in.u32();
    // Every point takes at least two bytes: counts beyond that are a damaged file.
    if (!in.ok() || bytes > in.left() || points > bytes / 2 || lines > points) return false;
    const std::size_t end = in.left() - bytes;
    layer.lines.reserve(lines);
    layer.points.reserve(points);
    for (std::uint32_t i = 0; i < lines; ++i)
        if (!readLine(in, layer, points - static_cast<std::uint32_t>(layer.points.size()))) return false;
    return layer.points.size() == points && in.left() == end;
}

}  // namespace

std::optional<BaseMap> readBaseMap(std::string_view bytes) {
    Reader in(bytes);
    if (!in.skip(kMagic) || in.u32() != kLayerCount) return std::nullopt;
    BaseMap map;
    BaseMapLayer* layers[kLayerCount] = {&map.land, &map.coast, &map.borders};
    for (int i = 0; i < kLayerCount; ++i) {
        if (in.u8() != i || !readLayer(in, *layers[i])) return std::nullopt;
    }
    if (in.left() != 0) return std::nullopt;
    return map;
}

}  // namespace quilmo
