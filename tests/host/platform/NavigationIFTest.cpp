// The site from the environment, and the exception that sends the driver to
// its default site.
#include <math.h>
#include <stdlib.h>
#include <string.h>

#include "CppUTest/TestHarness.h"
#include "Exception.h"
#include "NavigationIF.h"

TEST_GROUP(NavigationIF)
{
    void teardown()
    {
        unsetenv("AQ9_NAV_LAT");
        unsetenv("AQ9_NAV_LON");
        unsetenv("AQ9_NAV_DECLINATION");
    }
    static void put(const char* name, const char* value)
    {
        if (value != nullptr)
            setenv(name, value, 1);
        else
            unsetenv(name);
    }
};

TEST(NavigationIF, the_site_comes_from_the_environment_or_the_constructor_throws)
{
    const double kRad = 3.14159265358979323846 / 180.0;
    struct Row
    {
        const char *lat, *lon, *declination;
        const char* thrownMentions;  // null: no exception
        double declinationDeg;
    } rows[] = {
        {"36.806", "-121.9421", "13.25", nullptr, 13.25},
        {"-45", "170.5", nullptr, nullptr, 0.0},
        {nullptr, "-121.9", "13", "AQ9_NAV_LAT is not set", 0},
        {"36.8", "", "13", "AQ9_NAV_LON is not set", 0},
        {"36.8x", "-121.9", "13", "AQ9_NAV_LAT=\"36.8x\" is not a number", 0},
        {"91", "-121.9", "13", "AQ9_NAV_LAT=\"91\"", 0},
        {"36.8", "nan", "13", "AQ9_NAV_LON=\"nan\"", 0},
        {"36.8", "-121.9", "east", "AQ9_NAV_DECLINATION=\"east\"", 0},
    };
    for (const Row& r : rows)
    {
        put("AQ9_NAV_LAT", r.lat);
        put("AQ9_NAV_LON", r.lon);
        put("AQ9_NAV_DECLINATION", r.declination);
        const std::string label = std::string(r.lat ? r.lat : "-") + " " + (r.lon ? r.lon : "-");
        try
        {
            NavigationIF nav("navigation");
            CHECK_TEXT(r.thrownMentions == nullptr, label.c_str());
            double lat = 0, lon = 0, dep = 1, alt = 1;
            LONGS_EQUAL_TEXT(0, nav.location(&lat, &lon, &dep, &alt), label.c_str());
            DOUBLES_EQUAL_TEXT(strtod(r.lat, nullptr) * kRad, lat, 1e-15, label.c_str());
            DOUBLES_EQUAL_TEXT(strtod(r.lon, nullptr) * kRad, lon, 1e-15, label.c_str());
            CHECK_TEXT(dep == 0 && alt == 0, label.c_str());
            DOUBLES_EQUAL_TEXT(r.declinationDeg, nav.magneticVariation(), 0, label.c_str());
        }
        catch (Exception& e)
        {
            const std::string msg(e.msg, strnlen(e.msg, sizeof e.msg));
            CHECK_TEXT(r.thrownMentions != nullptr, msg.c_str());
            CHECK_TEXT(msg.find(r.thrownMentions) != std::string::npos, msg.c_str());
        }
    }
}
