#include <math.h>
#include <string.h>

#include "AQ9Units.h"

#include "CppUTest/TestHarness.h"

TEST_GROUP(AQ9Units){};

// Every logged radian value leads back to degrees that the driver's conversion
// turns into that very value, the sensor's own degrees or their neighbour.
TEST(AQ9Units, radians_lead_back_to_degrees_that_give_them)
{
    int exact = 0, total = 0;
    for (float deg = -720.0f; deg <= 720.0f; deg += 0.0137f)
    {
        const float rad = AQ9Units_degToRad(deg);
        const float back = AQ9Units_radToDeg(rad);
        CHECK_TEXT(AQ9Units_degToRad(back) == rad, "no preimage");
        CHECK_TEXT(back == deg || nextafterf(back, deg) == deg, "more than one float step off");
        exact += back == deg;
        total++;
    }
    CHECK(exact > total * 8 / 10);
    CHECK(isnan(AQ9Units_radToDeg(NAN)));
    CHECK(isinf(AQ9Units_radToDeg(INFINITY)));
}
