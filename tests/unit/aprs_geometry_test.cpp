#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "aprs/geometry.h"
#include "aprs/numeric.h"

namespace quilmo {
namespace {

struct DmsCase {
    const char* name;
    std::string text;
    const char* degrees;  // numeric text form of the result
};

TEST(DmsTextToDegrees, ReadsCoordinateTexts) {
    const DmsCase cases[] = {
        {"north", "44\xB0" "30'30\"N", " 44.5083333333333"},
        {"east", "12\xB0" "20'6\"E", " 12.335"},
        {"south", "44\xB0" "30'30\"S", "-44.5083333333333"},
        {"lower_case_west", "72\xB0" "01'45\"w", "-72.0291666666667"},
        {"fractional_seconds", "09\xB0" "03'30.6\"N", " 9.0585"},
        {"no_seconds_mark", "44\xB0" "30'N", " 44.5"},
        {"no_degree_sign_reads_minutes_from_start", "30'0\"N", " .5"},
        {"empty", "", " 0"},
        {"marks_only", "\xB0'\"", " 0"},
        {"marks_reversed", "\"'\xB0" "5", " 0"},
    };
    for (const DmsCase& c : cases) EXPECT_EQ(numericText(dmsTextToDegrees(c.text)), c.degrees) << c.name;
}

struct BearingCase {
    const char* name;
    double ownLon, ownLat, lon, lat;
    std::int32_t km;
    int azimuth;
    const char* sector;
};

TEST(ComputeDistanceAzimuth, GreatCircleDistanceAndInitialBearing) {
    const BearingCase cases[] = {
        {"north_east", 11.0 + 20.0 / 60, 44.5, 12, 45, 77, 43, "NE"},
        {"same_point", 12, 45, 12, 45, 0, 0, "N"},
        {"due_south", 10, 45, 10, 40, 556, 180, "S"},
        {"due_north", 10, 40, 10, 45, 556, 0, "N"},
        {"equal_latitude_east", 11.5, 44.5, 12, 44.5, 40, 90, "E"},
        {"equal_latitude_west", 11.5, 44.5, 11, 44.5, 40, 270, "W"},
        {"south_west", 10, 45, 9, 44, 137, 216, "SW"},
        {"north_west", 10, 45, 9, 46, 136, 325, "NW"},
        {"opposite_side", 0, 0, 180, 0, 20015, 90, "E"},
    };
    for (const BearingCase& c : cases) {
        const DistanceAzimuth da = computeDistanceAzimuth(c.ownLon, c.ownLat, c.lon, c.lat);
        EXPECT_EQ(da.distanceKm, c.km) << c.name;
        EXPECT_EQ(da.azimuthDeg, c.azimuth) << c.name;
        EXPECT_EQ(compassSector(da.azimuthDeg), c.sector) << c.name;
    }
}

struct SectorCase {
    double degrees;
    const char* sector;
};

TEST(CompassSector, EveryDirectionUpTo360HasOneSector) {
    const SectorCase cases[] = {
        {0, "N"},     {22, "N"},     {22.5, "N"},    {22.55, "NE"}, {23, "NE"},   {23.4, "NE"},
        {67.5, "NE"}, {67.6, "E"},   {112.5, "E"},   {113, "SE"},   {157, "SE"},  {158, "S"},
        {202, "S"},   {203, "SW"},   {247, "SW"},    {248, "W"},    {292, "W"},   {293, "NW"},
        {337, "NW"},  {337.5, "NW"}, {337.55, "N"},  {338, "N"},    {359.1, "N"}, {360, "N"},
        {360.5, ""},  {-1, ""},      {NAN, ""},
    };
    for (const SectorCase& c : cases) EXPECT_EQ(compassSector(c.degrees), c.sector) << c.degrees;
}

}  // namespace
}  // namespace quilmo
