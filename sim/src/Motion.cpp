#include "Motion.h"

#include <math.h>
#include <string.h>

namespace aq9sim {

namespace {

const double kPi = 3.14159265358979323846;

struct Named
{
    const char* name;
    MotionKind kind;
};

const Named kNames[] = {{"still", MOTION_STILL},
                        {"turn", MOTION_TURN},
                        {"level-turns", MOTION_LEVEL_TURNS},
                        {"tumble", MOTION_TUMBLE},
                        {"seaway", MOTION_SEAWAY}};

double wave(double amplitude, double period, double t, double phase = 0.0)
{
    return amplitude * sin(2.0 * kPi * t / period + phase);
}

// Yaw not yet wrapped, so that its derivative is smooth across north.
Attitude unwrapped(MotionKind kind, double t)
{
    switch (kind)
    {
    case MOTION_STILL:
        return {60.0, 0.0, 0.0};
    case MOTION_TURN:
        return {60.0 + 3.0 * t, 0.0, 0.0};
    case MOTION_LEVEL_TURNS:
    {
        // A triangle wave: 0 to 360 degrees in 36 s, then back.
        const double s = fmod(t, 72.0);
        return {s < 36.0 ? 10.0 * s : 720.0 - 10.0 * s, 0.0, 0.0};
    }
    case MOTION_TUMBLE:
        return {7.0 * t, wave(70.0, 53.0, t), wave(175.0, 37.0, t)};
    case MOTION_SEAWAY:
        return {4.0 * t, 2.0 + wave(3.0, 7.3, t), 3.0 + wave(4.0, 9.1, t, 1.0)};
    }
    return {0.0, 0.0, 0.0};
}

} // namespace

bool motionFromName(const char* name, MotionKind* kind)
{
    for (const Named& n : kNames)
        if (strcmp(n.name, name) == 0)
        {
            *kind = n.kind;
            return true;
        }
    return false;
}

const char* motionName(MotionKind kind)
{
    for (const Named& n : kNames)
        if (n.kind == kind)
            return n.name;
    return "?";
}

Attitude attitudeAt(MotionKind kind, double t)
{
    Attitude a = unwrapped(kind, t);
    a.yaw = fmod(a.yaw + 180.0, 360.0);
    if (a.yaw < 0.0)
        a.yaw += 360.0;
    a.yaw -= 180.0;
    return a;
}

// Euler angle rates by a central difference, turned into body rates.
void bodyRateAt(MotionKind kind, double t, double rate[3])
{
    const double h = 1e-3;
    const double d = kPi / 180.0;
    const Attitude a = unwrapped(kind, t);
    const Attitude lo = unwrapped(kind, t - h);
    const Attitude hi = unwrapped(kind, t + h);
    const double yawDot = (hi.yaw - lo.yaw) / (2 * h) * d;
    const double pitchDot = (hi.pitch - lo.pitch) / (2 * h) * d;
    const double rollDot = (hi.roll - lo.roll) / (2 * h) * d;
    const double sph = sin(a.roll * d), cph = cos(a.roll * d);
    const double sth = sin(a.pitch * d), cth = cos(a.pitch * d);
    rate[0] = rollDot - yawDot * sth;
    rate[1] = pitchDot * cph + yawDot * cth * sph;
    rate[2] = -pitchDot * sph + yawDot * cth * cph;
}

} // namespace aq9sim
