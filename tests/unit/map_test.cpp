// The map's core: Web Mercator and tile addresses, the Z-ordered station index and its
// clusters, the base-map file, clipping and label room, and the track store's limits.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "aprs/station_tracks.h"
#include "map/base_map.h"
#include "map/cluster_index.h"
#include "map/label_placement.h"
#include "map/map_clip.h"
#include "map/map_readouts.h"
#include "map/map_viewport.h"
#include "map/symbol_set.h"
#include "map/web_mercator.h"
#include "platform/files.h"
#include "temp_dir.h"

namespace quilmo {
namespace {

TEST(WebMercator, ProjectionRoundTripsAndEdges) {
    const struct { const char* name; GeoPoint in; double x, y; GeoPoint back; } rows[] = {
        {"origin", {0, 0}, 0.5, 0.5, {0, 0}},
        {"180 W is the left edge", {10, -180}, 0, 0.4720801121, {10, -180}},
        {"180 E is the right edge", {-10, 180}, 1, 0.5279198879, {-10, 180}},
        {"Paris", {48.8566, 2.3522}, 0.5065338889, 0.3440284031, {48.8566, 2.3522}},
        {"Sydney", {-33.8688, 151.2093}, 0.9200258333, 0.6000922515, {-33.8688, 151.2093}},
        {"the cut-off itself", {kMercatorMaxLatitude, 0}, 0.5, 0, {kMercatorMaxLatitude, 0}},
        {"north pole lands on the cut-off", {90, 0}, 0.5, 0, {kMercatorMaxLatitude, 0}},
        {"south pole likewise", {-90, 45}, 0.625, 1, {-kMercatorMaxLatitude, 45}},
        {"beyond 180 is clamped", {0, 200}, 1, 0.5, {0, 180}},
    };
    for (const auto& r : rows) {
        const WorldPoint w = project(r.in);
        EXPECT_NEAR(w.x, r.x, 1e-9) << r.name;
        EXPECT_NEAR(w.y, r.y, 1e-9) << r.name;
        const GeoPoint g = unproject(w);
        EXPECT_NEAR(g.latitude, r.back.latitude, 1e-9) << r.name;
        EXPECT_NEAR(g.longitude, r.back.longitude, 1e-9) << r.name;
    }
    EXPECT_NEAR(kMercatorMaxLatitude, 85.0511, 1e-4);
    EXPECT_EQ(toFixed(0), 0u);
    EXPECT_EQ(toFixed(1), 0xFFFFFFFFu);
    EXPECT_EQ(toFixed(0.25), 0x40000000u);
    EXPECT_EQ(toFixed(std::nan("")), 0u);
}

TEST(WebMercator, TilesInViewCentreFirstAndTheirAddresses) {
    const struct { const char* name; int z; WorldRect r; std::vector<TileId> tiles; } rows[] = {
        {"zoom 0 is one tile", 0, {0.1, 0.1, 0.9, 0.9}, {{0, 0, 0}}},
        {"a corner at zoom 2", 2, {0.0, 0.0, 0.3, 0.2}, {{2, 0, 0}, {2, 1, 0}}},
        {"centre first", 2, {0.3, 0.3, 0.7, 0.45}, {{2, 1, 1}, {2, 2, 1}}},
        {"clamped to the world", 1, {-0.5, -1, 1.5, 0.2}, {{1, 0, 0}, {1, 1, 0}}},
        {"the right edge belongs to the last tile", 3, {0.999, 0.5, 1, 0.5}, {{3, 7, 4}}},
        {"a view the wrong way round has none", 3, {0.6, 0.5, 0.4, 0.5}, {}},
    };
    for (const auto& r : rows) EXPECT_EQ(tilesCovering(r.z, r.r.left, r.r.top, r.r.right, r.r.bottom), r.tiles) << r.name;

    const struct { std::string templ; std::string url; } urls[] = {
        {"https://tile.openstreetmap.org/{z}/{x}/{y}.png", "https://tile.openstreetmap.org/5/17/11.png"},
        {"http://h/{z}-{y}-{x}?k={x}", "http://h/5-11-17?k=17"},
        {"http://h/{q}/{z", "http://h/{q}/{z"},
    };
    for (const auto& u : urls) EXPECT_EQ(tileUrl(u.templ, {5, 17, 11}), u.url) << u.templ;

    const struct { const char* templ; const char* problem; } templates[] = {
        {"https://tile.openstreetmap.org/{z}/{x}/{y}.png", ""},
        {"HTTP://Tiles.local:8080/{z}/{x}/{y}.png?key=AbC", ""},
        {"https://t.example/{z}/{x}.png", "no {y} in it"},
        {"file:///tiles/{z}/{x}/{y}.png", "not an http or https address"},
        {"httpx://t/{z}/{x}/{y}", "not an http or https address"},
        {"", "not an http or https address"},
    };
    for (const auto& t : templates) EXPECT_EQ(tileTemplateProblem(t.templ), t.problem) << t.templ;
}

// Zooming keeps the point under the cursor; the world repeats east-west but not north-south.
TEST(MapViewport, ZoomAboutCursorPanAndFit) {
    MapViewport view(1280, 1024);
    EXPECT_NEAR(view.zoom(), std::log2(1280 / 256.0), 1e-12);  // the whole world, once
    view.setZoom(6);
    view.setCentre(project({48.8566, 2.3522}));
    const WorldPoint under = view.toWorld(100, 900);
    view.zoomAbout(100, 900, 9.5);
    EXPECT_NEAR(view.toWorld(100, 900).x, under.x, 1e-12);
    EXPECT_NEAR(view.toWorld(100, 900).y, under.y, 1e-12);

    view.setCentre({0.999, 0.5});
    view.panBy(-view.scale() * 0.002, 0);  // eastwards over 180 degrees
    EXPECT_NEAR(view.centre().x, 0.001, 1e-12);
    view.setZoom(3);
    view.panBy(0, 1e6);  // far north: stops where the world's edge meets the view's top
    EXPECT_NEAR(view.visible().top, 0, 1e-12);
    view.setZoom(-5);
    EXPECT_NEAR(view.zoom(), view.minZoom(), 1e-12);
    MapViewport tall(400, 900);
    tall.setCentre({0.2, 0.1});
    EXPECT_NEAR(tall.centre().y, 0.5, 1e-12) << "a world shorter than the view stays in its middle";
    view.setZoom(40);
    EXPECT_EQ(view.zoom(), MapViewport::kMaxZoom);

    const WorldPoint a = project({44, 11}), b = project({45, 12.5});
    view.fit({a.x, b.y, b.x, a.y}, 40, 17);
    EXPECT_GE(view.screenX(a.x), 40 - 1e-6);
    EXPECT_LE(view.screenX(b.x), 1280 - 40 + 1e-6);
    EXPECT_TRUE(std::abs(view.screenX(a.x) - 40) < 1e-6 || std::abs(view.screenY(b.y) - 40) < 1e-6) << "fits tightly";
    view.fit({a.x, a.y, a.x, a.y}, 40, 12);
    EXPECT_EQ(view.zoom(), 12) << "one point: the zoom given";
}

std::vector<ClusterIndex::Entry> randomEntries(std::size_t n, unsigned seed) {
    std::mt19937 random(seed);
    std::vector<ClusterIndex::Entry> out(n);
    for (std::size_t i = 0; i < n; ++i) out[i] = {static_cast<std::uint32_t>(random()), static_cast<std::uint32_t>(random()), static_cast<std::uint32_t>(i)};
    return out;
}

// Every level's cells agree with counting the points cell by cell, and a view sees only its cells.
TEST(ClusterIndex, CellCountsAndCentresMatchCountingByHand) {
    std::vector<ClusterIndex::Entry> entries = randomEntries(3000, 7);
    entries.push_back({0, 0, 3000});                     // the top-left corner
    entries.push_back({0xFFFFFFFFu, 0xFFFFFFFFu, 3001}); // the bottom-right one
    entries.push_back({0xFFFFFFFFu, 0xFFFFFFFFu, 3002}); // the same spot twice
    ClusterIndex index;
    index.build(entries);
    for (int level : {0, 1, 3, 6, 12, 32}) {
        std::map<std::pair<std::uint64_t, std::uint64_t>, std::tuple<std::uint32_t, double, double>> byHand;
        for (const auto& e : entries) {
            auto& [count, sx, sy] = byHand[{std::uint64_t{e.x} >> (32 - level), std::uint64_t{e.y} >> (32 - level)}];
            ++count;
            sx += fromFixed(e.x);
            sy += fromFixed(e.y);
        }
        const std::vector<ClusterIndex::Cell> cells = index.cells(level, {0, 0, 1, 1});
        ASSERT_EQ(cells.size(), byHand.size()) << level;
        std::uint32_t total = 0;
        for (const auto& c : cells) {
            const ClusterIndex::Entry& e = index.entry(c.first);
            const auto& [count, sx, sy] = byHand.at({std::uint64_t{e.x} >> (32 - level), std::uint64_t{e.y} >> (32 - level)});
            EXPECT_EQ(c.count, count) << level;
            EXPECT_NEAR(c.centre.x, sx / count, 1e-9) << level;
            EXPECT_NEAR(c.centre.y, sy / count, 1e-9) << level;
            total += c.count;
        }
        EXPECT_EQ(total, entries.size()) << level;
    }
    // A quarter of the world at level 1 is one cell; a view outside the world has none.
    const auto quarter = index.cells(1, {0.55, 0.55, 0.9, 0.9});
    ASSERT_EQ(quarter.size(), 1u);
    EXPECT_NEAR(quarter[0].count, 3000 / 4.0 + 2, 60);
    EXPECT_TRUE(index.cells(4, {1.5, 0, 2, 1}).empty());
    ClusterIndex empty;
    empty.build({});
    EXPECT_TRUE(empty.cells(5, {0, 0, 1, 1}).empty());
    EXPECT_EQ(clusterLevel(2.32), 4);
    EXPECT_EQ(clusterLevel(19), 21);
}

TEST(BaseMap, TheShippedFileLoadsAndDamageIsRefused) {
    const std::optional<std::string> bytes = readWholeFile(QUILMO_BASEMAP);
    ASSERT_TRUE(bytes);
    EXPECT_LT(bytes->size(), 2u << 20);
    const std::optional<BaseMap> map = readBaseMap(*bytes);
    ASSERT_TRUE(map);
    EXPECT_GT(map->land.lines.size(), 1000u);
    EXPECT_GT(map->coast.lines.size(), 1000u);
    EXPECT_GT(map->borders.lines.size(), 300u);
    // A ring around Paris exists and is land; the middle of the Atlantic lies in none.
    const auto ringsAround = [&](GeoPoint g) {
        const WorldPoint w = project(g);
        const BaseMapPoint p{static_cast<std::int32_t>(w.x * kBaseMapUnits), static_cast<std::int32_t>(w.y * kBaseMapUnits)};
        int crossings = 0;  // odd-even, as the map fills them
        for (const BaseMapLine& line : map->land.lines) {
            for (std::uint32_t i = 0; i < line.count; ++i) {
                const BaseMapPoint a = map->land.points[line.first + i], b = map->land.points[line.first + (i + 1) % line.count];
                if ((a.y > p.y) != (b.y > p.y) && p.x < a.x + double(b.x - a.x) * (p.y - a.y) / (b.y - a.y)) ++crossings;
            }
        }
        return crossings % 2;
    };
    EXPECT_EQ(ringsAround({48.8566, 2.3522}), 1);
    EXPECT_EQ(ringsAround({30, -40}), 0);

    const std::string& good = *bytes;
    const struct { const char* name; std::string bytes; } damaged[] = {
        {"empty", ""}, {"other magic", "QLMOMAP2" + good.substr(8)}, {"cut short", good.substr(0, good.size() - 1)},
        {"a byte too many", good + '\0'}, {"layer kinds swapped", [&] { auto b = good; b[12] = 1; return b; }()},
        {"a point count beyond the file", [&] { auto b = good; b[17] = b[18] = b[19] = b[20] = '\x7F'; return b; }()},
    };
    for (const auto& d : damaged) EXPECT_FALSE(readBaseMap(d.bytes)) << d.name;
}

std::string pointsText(const std::vector<ScreenPoint>& points) {
    std::string out;
    for (const ScreenPoint& p : points) out += "(" + std::to_string(std::lround(p.x)) + "," + std::to_string(std::lround(p.y)) + ")";
    return out;
}

TEST(MapGeometry, ClippingThinningAndLabelRoom) {
    const ScreenRect view{0, 0, 100, 100};
    std::vector<ScreenPoint> out;
    clipRing({{-50, 50}, {50, -50}, {150, 50}, {50, 150}}, view, out);  // a diamond larger than the view
    EXPECT_EQ(pointsText(out), "(0,100)(0,100)(0,0)(0,0)(100,0)(100,0)(100,100)(100,100)");
    clipRing({{200, 200}, {300, 200}, {300, 300}}, view, out);
    EXPECT_TRUE(out.empty());

    std::vector<std::vector<ScreenPoint>> pieces;
    clipLine({{-10, 10}, {50, 10}, {50, 200}, {60, 200}, {60, 50}, {70, 50}}, view, pieces);
    ASSERT_EQ(pieces.size(), 2u);
    EXPECT_EQ(pointsText(pieces[0]), "(0,10)(50,10)(50,100)");
    EXPECT_EQ(pointsText(pieces[1]), "(60,100)(60,50)(70,50)");

    std::vector<ScreenPoint> line{{0, 0}, {0.3, 0.2}, {0.6, 0.1}, {2, 0}, {2.2, 0}, {2.4, 0}};
    thinOut(line, 1);
    EXPECT_EQ(pointsText(line), "(0,0)(2,0)(2,0)");

    // Two stations side by side: the first label goes right; the second finds the map's edge
    // to its right and the first label to its left, so it goes above. A third in the corner
    // finds no room. A fourth, on the second, finds every place taken (a marker lies below)
    // but must show: it takes the first place inside the map.
    const std::vector<LabelWish> wishes{{{50, 50}, 4, 40, 12}, {{100, 50}, 4, 40, 12}, {{135, 5}, 4, 40, 12},
                                        {{100, 50}, 4, 40, 12, true}};
    const auto placed = placeLabels(wishes, {{46, 46, 54, 54}, {96, 46, 104, 54}, {96, 58, 104, 66}}, {0, 0, 140, 100});
    ASSERT_TRUE(placed[0] && placed[1] && placed[3]);
    EXPECT_EQ(std::tie(placed[0]->left, placed[0]->top), std::make_tuple(56.0, 44.0));
    EXPECT_EQ(std::tie(placed[1]->left, placed[1]->top), std::make_tuple(80.0, 32.0));
    EXPECT_FALSE(placed[2]);
    EXPECT_EQ(std::tie(placed[3]->left, placed[3]->top), std::make_tuple(54.0, 44.0));
}

StationFacts at(std::string station, double lat, double lon) {
    StationFacts f;
    f.station = std::move(station);
    f.hasPosition = true;
    f.latitude = lat;
    f.longitude = lon;
    return f;
}

std::string trackText(const StationTracks& tracks, const std::string& station) {
    const StationTrack* t = tracks.find(station);
    if (t == nullptr) return "none";
    std::string out;
    for (std::size_t i = 0; i < t->size(); ++i) out += (i ? " " : "") + std::to_string(std::lround((*t)[i].latitude()));
    return out;
}

// Per-station and overall limits drop the oldest; a repeat renews the time; a killed object's track goes.
TEST(StationTracks, LimitsRepeatsAndKills) {
    StationTracks tracks(3, 5);
    int second = 0;
    const auto hear = [&](StationFacts f) { tracks.add(f, LocalTime{2026, 12, 5, 9, 5, ++second}); };
    for (int lat = 1; lat <= 4; ++lat) hear(at("A", lat, 0));
    EXPECT_EQ(trackText(tracks, "A"), "2 3 4") << "three at most per station";
    hear(at("B", 10, 0));
    hear(at("B", 10, 0));  // the same spot: one point, heard later
    EXPECT_EQ(tracks.find("B")->back().time, wallClockSeconds({2026, 12, 5, 9, 5, 6}));
    hear(at("B", 11, 0));
    EXPECT_EQ(tracks.points(), 5u);
    hear(at("C", 20, 0));
    EXPECT_EQ(trackText(tracks, "A"), "3 4") << "five in all: the oldest of all goes";
    StationFacts obj = at("OBJ      ", 30, 0);
    obj.objectOrItem = true;
    hear(obj);
    EXPECT_EQ(trackText(tracks, "A"), "4");
    EXPECT_TRUE(tracks.objectOrItem("OBJ"));
    EXPECT_FALSE(tracks.objectOrItem("A"));
    obj.killed = true;
    hear(obj);
    EXPECT_EQ(trackText(tracks, "OBJ"), "none");
    EXPECT_FALSE(tracks.objectOrItem("OBJ"));
    hear(at("D", 40, 0));
    hear(at("D", 41, 0));
    EXPECT_EQ(trackText(tracks, "A"), "none") << "a station whose points are all gone leaves";
    EXPECT_EQ(trackText(tracks, "B"), "10 11");
    EXPECT_EQ(tracks.points(), 5u);
    StationFacts noPosition = at("E", 0, 0);
    noPosition.hasPosition = false;
    hear(noPosition);
    hear(at("F", 95, 0));  // no latitude
    EXPECT_EQ(tracks.stations(), 3u);
}

// Many stations, kills and both limits at random: the store agrees with a plain model of the rules.
TEST(StationTracks, RandomTrafficMatchesAPlainModel) {
    constexpr std::size_t kPer = 7, kAll = 60;
    StationTracks tracks(kPer, kAll);
    std::deque<std::pair<std::string, int>> all;  // every kept point, oldest first
    std::mt19937 random(3);
    for (int step = 1; step <= 20000; ++step) {
        const std::string station = "S" + std::to_string(random() % 25);
        StationFacts f = at(station, step % 80, 0);
        f.killed = random() % 50 == 0;
        tracks.add(f, LocalTime{2026, 12, 5, 9, 5, 0});
        const auto mine = [&](const auto& p) { return p.first == station; };
        if (f.killed) {
            std::erase_if(all, mine);
        } else {
            const auto last = std::find_if(all.rbegin(), all.rend(), mine);
            if (last != all.rend() && last->second == step % 80) continue;
            if (std::count_if(all.begin(), all.end(), mine) == kPer) all.erase(std::find_if(all.begin(), all.end(), mine));
            all.emplace_back(station, step % 80);
            if (all.size() > kAll) all.pop_front();
        }
        if (step % 997 != 0) continue;
        ASSERT_EQ(tracks.points(), all.size()) << step;
        for (int s = 0; s < 25; ++s) {
            const std::string name = "S" + std::to_string(s);
            std::string expected;
            for (const auto& [who, lat] : all)
                if (who == name) expected += (expected.empty() ? "" : " ") + std::to_string(lat);
            EXPECT_EQ(trackText(tracks, name), expected.empty() ? "none" : expected) << step << " " << name;
        }
    }
}

// A symbol file of our own in the symbol file's format: 20 lines of 20 palette letters per
// symbol under "APRS c", tables started by "TABLE t", "#" comments, a direction mark.
std::string symbolRows(const std::vector<std::string>& top, char fill = '.') {
    std::string out;
    for (int y = 0; y < kSymbolSide; ++y) {
        std::string row = static_cast<std::size_t>(y) < top.size() ? top[static_cast<std::size_t>(y)] : std::string();
        row.resize(kSymbolSide, fill);
        out += row + "\n";
    }
    return out;
}

TEST(SymbolSet, ReadsTablesCodesAndPalette) {
    test::TempDir dir;
    const std::string text = "# a comment\n#\nTABLE /\n#\nAPRS >             l Car\n" + symbolRows({"qmj", "..h#"}) +
                             "#\nAPRS -               House\r\n" + symbolRows({"r~"}) +
                             "APRS !  cut short\n....................\n#\n" +  // 1 row only: left out
                             "APRS $  unknown letter\n" + symbolRows({"qqZ"}) +   // left out
                             "TABLE \\\nAPRS >  the alternate car\n" + symbolRows({"k"}) +
                             "TABLE #\nAPRS 3  overlay three\n" + symbolRows({"", "", "cqc"});
    ASSERT_TRUE(writeWholeFile(dir.file("symbols.dat"), text));
    const SymbolSet set = SymbolSet::parse(readWholeFile(dir.file("symbols.dat")).value_or(""));
    EXPECT_EQ(set.size(), 4u);
    const auto colour = [](const SymbolPicture* p, int x, int y) { return kSymbolPalette[p->at(x, y)]; };
    const SymbolPicture* car = set.find('/', '>');
    ASSERT_NE(car, nullptr);
    EXPECT_TRUE(car->facesLeft);
    const struct { const char* name; int x, y; std::uint32_t argb; } pixels[] = {
        {"q black", 0, 0, 0xFF000000}, {"m white", 1, 0, 0xFFFFFFFF}, {"j red", 2, 0, 0xFFEE0000},
        {". clear", 0, 1, 0}, {"h sky blue", 2, 1, 0xFF00BFFF}, {"# yellow", 3, 1, 0xFFFFFF00}, {"last pixel clear", 19, 19, 0},
    };
    for (const auto& p : pixels) EXPECT_EQ(colour(car, p.x, p.y), p.argb) << p.name;
    const SymbolPicture* house = set.find('/', '-');
    ASSERT_NE(house, nullptr) << "CR LF lines";
    EXPECT_FALSE(house->facesLeft);
    EXPECT_EQ(colour(house, 0, 0), 0xFF32CD32u);
    EXPECT_EQ(colour(house, 1, 0), 0u) << "~ is clear";
    EXPECT_EQ(set.find('/', '!'), nullptr);
    EXPECT_EQ(set.find('/', '$'), nullptr);
    ASSERT_NE(set.find('\\', '>'), nullptr);
    EXPECT_EQ(colour(set.find('\\', '>'), 0, 0), 0xFF00CD00u) << "the table decides";
    ASSERT_NE(set.find('#', '3'), nullptr);
    EXPECT_EQ(colour(set.find('#', '3'), 1, 2), 0xFF000000u);
}

TEST(SymbolSet, MissingOrForeignFileGivesNoSymbols) {
    test::TempDir dir;
    EXPECT_TRUE(SymbolSet::parse(readWholeFile(dir.file("absent.dat")).value_or("")).empty());
    EXPECT_TRUE(SymbolSet::parse("<html>not symbols</html>\nAPRS >\n").empty());
    EXPECT_TRUE(SymbolSet::parse("APRS >  before any table\n" + symbolRows({"q"})).empty());
}

// The file Debian's xastir-data installs, where it is installed: both tables and the overlays.
TEST(SymbolSet, ReadsTheInstalledFile) {
    const std::optional<std::string> text = readWholeFile(kSymbolFilePath);
    if (!text) GTEST_SKIP() << kSymbolFilePath << " is not installed";
    const SymbolSet set = SymbolSet::parse(*text);
    EXPECT_GT(set.size(), 200u);
    for (const auto& [table, code] : std::vector<std::pair<char, char>>{{'/', '>'}, {'/', '-'}, {'/', '_'}, {'\\', '#'}, {'\\', '&'}, {'#', '0'}, {'#', 'Z'}})
        EXPECT_NE(set.find(table, code), nullptr) << table << code;
    EXPECT_TRUE(set.find('/', '>')->facesLeft);
}

TEST(SymbolSet, OverlayTablesShowTheAlternateSymbol) {
    const struct { const char* name; char table, code; SymbolChoice choice; } rows[] = {
        {"primary", '/', '>', {'/', '>', 0}},
        {"alternate", '\\', '#', {'\\', '#', 0}},
        {"overlay digit", '3', '#', {'\\', '#', '3'}},
        {"overlay letter", 'D', '&', {'\\', '&', 'D'}},
        {"compressed overlay digit", 'c', '#', {'\\', '#', '2'}},
        {"not a table", '*', '>', {}},
        {"lower case beyond j", 'k', '>', {}},
        {"no code", '/', 0, {}},
        {"blank code", '/', ' ', {}},
    };
    for (const auto& r : rows) EXPECT_EQ(chooseSymbol(r.table, r.code), r.choice) << r.name;
}

TEST(MapReadouts, MaidenheadLocator) {
    const struct { const char* name; GeoPoint at; const char* locator; } rows[] = {
        {"Bologna", {44.4949, 11.3426}, "JN54ql"},
        {"Greenwich", {51.4779, -0.0015}, "IO91xl"},
        {"Munich", {48.1351, 11.582}, "JN58sd"},
        {"Sydney, south and east", {-33.8688, 151.2093}, "QF56od"},
        {"Washington, north and west", {38.8977, -77.0365}, "FM18lv"},
        {"origin of the grid", {-90, -180}, "AA00aa"},
        {"north-east corner stays in the last square", {90, 180}, "RR99xx"},
        {"just west of 0", {0, -0.0001}, "IJ90xa"},
    };
    for (const auto& r : rows) EXPECT_EQ(maidenheadLocator(r.at), r.locator) << r.name;
}

TEST(MapReadouts, ScaleBarSteps) {
    const struct { const char* name; double metresPerPixel, most, metres, pixels; const char* text; } rows[] = {
        {"street level", 0.3, 120, 20, 66.667, "20 m"},
        {"a 1 just fits", 10, 100, 1000, 100, "1 km"},
        {"2 steps", 25, 120, 2000, 80, "2 km"},
        {"5 steps", 50, 120, 5000, 100, "5 km"},
        {"whole world", 156543, 120, 10000000, 63.88, "10000 km"},
        {"a hair below a power of ten", 0.99999999, 1000, 500, 500, "500 m"},
        {"nothing to measure", 0, 120, 0, 0, ""},
    };
    for (const auto& r : rows) {
        const ScaleBar bar = scaleBarFor(r.metresPerPixel, r.most);
        EXPECT_NEAR(bar.metres, r.metres, 1e-6) << r.name;
        EXPECT_NEAR(bar.pixels, r.pixels, 0.01) << r.name;
        EXPECT_LE(bar.pixels, r.most) << r.name;
        if (bar.metres > 0) EXPECT_EQ(scaleBarText(bar.metres), r.text) << r.name;
    }
    // At the equator, zoom 0: the world's 40,075 km over 256 pixels.
    EXPECT_NEAR(metresPerPixel(0, 0), 156543.03, 0.01);
    EXPECT_NEAR(metresPerPixel(60, 1), 156543.03 / 4, 0.01);
}

TEST(MapReadouts, HowLongAgo) {
    const struct { long long seconds; const char* text; } rows[] = {
        {-5, "just now"}, {0, "0 s ago"}, {59, "59 s ago"}, {60, "1 min ago"}, {199, "3 min ago"},
        {3599, "59 min ago"}, {3600, "1 h ago"}, {86399, "23 h ago"}, {86400, "1 day ago"}, {3 * 86400 + 5, "3 days ago"},
    };
    for (const auto& r : rows) EXPECT_EQ(agoText(r.seconds), r.text) << r.seconds;
}

}  // namespace
}  // namespace quilmo
