#pragma once
// A heavy map: 100,000 stations with positions around real cities (most of them in Europe,
// North America and Japan, as on APRS-IS), a tenth of them moving, with 1,000,000 track
// points in all, heard over six hours.
#include <cmath>
#include <random>
#include <string>

#include "aprs/station_table.h"
#include "aprs/station_tracks.h"

namespace quilmo::bench {

constexpr int kStations = 100000;
constexpr int kPointsPerMoving = 100;  // a tenth of the stations move: 1,000,000 track points
const LocalTime kNow{2026, 12, 5, 18, 0, 0};

struct City {
    double lat, lon;
    int weight;
};
// Where the stations gather; Bologna is the "city" view of the benchmarks.
constexpr City kCities[] = {
    {44.4949, 11.3426, 12}, {48.8566, 2.3522, 8},   {52.52, 13.405, 8},     {51.5074, -0.1278, 8},  {50.1109, 8.6821, 6},
    {45.4642, 9.19, 8},     {41.9028, 12.4964, 6},  {40.4168, -3.7038, 5},  {52.3676, 4.9041, 5},   {48.1351, 11.582, 6},
    {59.3293, 18.0686, 3},  {50.0755, 14.4378, 4},  {47.4979, 19.0402, 3},  {52.2297, 21.0122, 4},  {55.7558, 37.6173, 4},
    {40.7128, -74.006, 10}, {34.0522, -118.2437, 9}, {41.8781, -87.6298, 7}, {29.7604, -95.3698, 5}, {47.6062, -122.3321, 6},
    {39.7392, -104.9903, 5}, {33.749, -84.388, 5},  {43.6532, -79.3832, 5}, {45.5017, -73.5673, 3}, {37.7749, -122.4194, 7},
    {35.6762, 139.6503, 8}, {34.6937, 135.5023, 5}, {-33.8688, 151.2093, 4}, {-37.8136, 144.9631, 3}, {-23.5505, -46.6333, 3},
    {-34.6037, -58.3816, 2}, {-26.2041, 28.0473, 2}, {19.4326, -99.1332, 2}, {37.5665, 126.978, 3},  {-36.8485, 174.7633, 2},
};

inline StationFacts stationFacts(int n, double lat, double lon) {
    StationFacts f;
    f.station = "S" + std::to_string(n) + "-" + std::to_string(n % 16);
    f.hasPosition = true;
    f.latitude = lat;
    f.longitude = lon;
    f.symbol = n % 20 == 0 ? "Weather station" : "Home";
    f.symbolTable = n % 7 == 0 ? 'D' : '/';  // some with an overlay, as digipeaters and gateways
    f.symbolCode = n % 20 == 0 ? '_' : (n % 7 == 0 ? '&' : '-');
    f.lastText = "comment " + std::to_string(n);
    return f;
}

// Fills the table and the tracks: `stations` stations, the first tenth of them moving.
inline void fillHeavyMap(StationTable& table, StationTracks& tracks, int stations = kStations) {
    const int movingOnes = stations / 10;
    std::mt19937 random(20261205);
    int totalWeight = 0;
    for (const City& c : kCities) totalWeight += c.weight;
    std::normal_distribution<double> spread(0, 0.35);
    std::uniform_int_distribution<int> pick(0, totalWeight - 1);
    for (int n = 0; n < stations; ++n) {
        int w = pick(random);
        const City* city = kCities;
        while (w >= city->weight) w -= (city++)->weight;
        double lat = city->lat + spread(random), lon = city->lon + spread(random) * 1.4;
        StationFacts f = stationFacts(n, lat, lon);
        LocalTime heard = kNow;
        heard.hour -= 6;
        const bool moving = n < movingOnes;
        const int points = moving ? kPointsPerMoving : 1;
        for (int k = 0; k < points; ++k) {
            heard.minute = (k * 360 / points) % 60;
            heard.hour = kNow.hour - 6 + k * 6 / points;
            if (moving) {  // a car on a winding road, a few hundred metres per report
                lat += 0.002 * std::sin(k * 0.2 + n);
                lon += 0.003;
                f.latitude = lat;
                f.longitude = lon;
                f.symbol = "Car";
                f.symbolTable = '/';
                f.symbolCode = '>';
                f.speedKmh = 54;
                f.courseDeg = 80;
            }
            if (!moving) heard.hour = kNow.hour - static_cast<int>(random() % 6);
            table.update(f, heard);
            tracks.add(f, heard);
        }
    }
}

}  // namespace quilmo::bench
