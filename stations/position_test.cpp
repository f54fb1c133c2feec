#include "stations/position.h"

#include <gtest/gtest.h>
#include <hamlib/rotator.h>

#include <optional>
#include <random>

#include "support/error_trap.h"
#include "tests/fakes/comma_locale.h"

namespace bb {
namespace {

std::string Coordinate(float v, bool isLongitude) {
    std::string text;
    FormatCoordinate(v, text, isLongitude);
    return text;
}

std::string Locator(double lon, double lat) {
    std::string text;
    LocatorFromPosition(lon, lat, text);
    return text;
}

std::string Upper(std::string s) {
    for (char& c : s)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

// Full stops whatever the locale; minutes that round up to 60 stay in their degree.
TEST(FormatCoordinate, ExamplesInEitherLocaleAndOverflow) {
    for (bool processComma : {false, true}) {
        std::optional<testing::CommaLocale> comma;
        if (processComma) comma.emplace();
        for (const auto& [minutes, isLongitude, text] : {
                 std::tuple{3150.0f, false, "52.30.00N"},
                 {293.2f, true, "004.53.20E"},
                 {-4439.1f, true, "073.59.10W"},
                 {-2000.5f, false, "33.20.50S"},
                 {0.0f, false, "00.00.00N"},
                 {0.0f, true, "000.00.00E"},
                 {10800.0f, true, "180.00.00E"},
                 {59.996f, false, "00.60.00N"},
                 {-5399.999f, false, "89.60.00S"},
             })
            EXPECT_EQ(Coordinate(minutes, isLongitude), text) << minutes;
    }
    EXPECT_THROW(Coordinate(1.0e9f, true), RuntimeError);
    EXPECT_THROW(Coordinate(std::numeric_limits<float>::infinity(), true), RuntimeError);
}

// Not clamped to the standard fields; beyond the letters error 5.
TEST(LocatorFromPosition, ExamplesAndPositionsBeyondTheLetters) {
    for (const auto& [lon, lat, locator] : {
             std::tuple{4.88667, 52.5, "JO22KM60"},
             {0.0, 0.0, "JJ00AA00"},
             {-73.9857, 40.7484, "FN30AR19"},
             {-180.0, -90.0, "AA00AA00"},
             {180.0, 0.0, "SJ00AA00"},
             {0.0, 90.0, "JS00AA00"},
             {179.9999, 89.9999, "RR99XX99"},
         })
        EXPECT_EQ(Locator(lon, lat), locator);
    for (double lon : {-180.01, -190.0, 320.0}) {
        try {
            Locator(lon, 0);
            ADD_FAILURE() << lon;
        } catch (const RuntimeError& e) {
            EXPECT_EQ(e.number(), 5);
        }
    }
    EXPECT_THROW(Locator(std::nan(""), 0), RuntimeError);
}

TEST(LocatorFromPosition, AgreesWithHamlibOnRandomPositions) {
    rig_set_debug(RIG_DEBUG_NONE);
    std::mt19937_64 rng(20261206);
    std::uniform_real_distribution<double> lon(-179.99, 179.99), lat(-89.99, 89.99);
    int compared = 0;
    for (int n = 0; n < 20000; ++n) {
        const double x = lon(rng), y = lat(rng);
        char theirs[16] = {};
        ASSERT_EQ(longlat2locator(x, y, theirs, 4), RIG_OK);
        const std::string expected = Upper(theirs);
        // Near a 30-second (longitude) or 15-second (latitude) line it rounds across.
        const double secX = (x + 180) * 3600, secY = (y + 90) * 3600;
        if (std::fabs(secX - 30 * std::round(secX / 30)) < 0.05 ||
            std::fabs(secY - 15 * std::round(secY / 15)) < 0.05)
            continue;
        EXPECT_EQ(Locator(x, y), expected) << x << " " << y;
        ++compared;
        // The ten-character form: 1.25 and 0.625 seconds per letter.
        if (std::fabs(secX - 1.25 * std::round(secX / 1.25)) < 0.01 ||
            std::fabs(secY - 0.625 * std::round(secY / 0.625)) < 0.01)
            continue;
        ASSERT_EQ(longlat2locator(x, y, theirs, 5), RIG_OK);
        std::string ten, six;
        LocatorFromPosition(x, y, ten, 10);
        LocatorFromPosition(x, y, six, 6);
        EXPECT_EQ(Upper(ten), Upper(theirs));
        EXPECT_EQ(six, expected.substr(0, 6));
    }
    EXPECT_GT(compared, 19000);
}

}  // namespace
}  // namespace bb
