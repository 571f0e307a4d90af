// Asynchronous sentence parsers: the sensor's unsolicited output, whose first
// field is already data. Each is its list of output slots over the shared field
// scanner.
#include "aq/protocol/upack_fields.h"

// ---------------------------------------------------------------- attitude and measurements
// $AQYMR,+010.071,-002.342,+001.120,+0.2914,-0.0523,+0.4128,-00.123,+00.456,-09.791,+0.001,-0.002,+0.003*XX

void AqUartPacket_parseAQYPR(AqUartPacket* packet, vec3f* yawPitchRoll)
{
    AqFields_scanSentence(packet, {aqSlot(yawPitchRoll)});
}

void AqUartPacket_parseAQQTN(AqUartPacket* packet, vec4f* quaternion)
{
    AqFields_scanSentence(packet, {aqSlot(quaternion)});
}

void AqUartPacket_parseAQQMR(AqUartPacket* packet, vec4f* quaternion, vec3f* magnetic, vec3f* acceleration,
                             vec3f* angularRate)
{
    AqFields_scanSentence(packet, {aqSlot(quaternion), aqSlot(magnetic), aqSlot(acceleration), aqSlot(angularRate)});
}

void AqUartPacket_parseAQMAG(AqUartPacket* packet, vec3f* magnetic)
{
    AqFields_scanSentence(packet, {aqSlot(magnetic)});
}

void AqUartPacket_parseAQACC(AqUartPacket* packet, vec3f* acceleration)
{
    AqFields_scanSentence(packet, {aqSlot(acceleration)});
}

void AqUartPacket_parseAQGYR(AqUartPacket* packet, vec3f* angularRate)
{
    AqFields_scanSentence(packet, {aqSlot(angularRate)});
}

void AqUartPacket_parseAQMAR(AqUartPacket* packet, vec3f* magnetic, vec3f* acceleration, vec3f* angularRate)
{
    AqFields_scanSentence(packet, {aqSlot(magnetic), aqSlot(acceleration), aqSlot(angularRate)});
}

AqError AqUartPacket_parseAQYMR(AqUartPacket* packet, vec3f* yawPitchRoll, vec3f* magnetic, vec3f* acceleration,
                                vec3f* angularRate)
{
    bool complete = AqFields_scanSentence(
        packet, {aqSlot(yawPitchRoll), aqSlot(magnetic), aqSlot(acceleration), aqSlot(angularRate)});
    return complete ? E_NONE : E_UNKNOWN;
}

void AqUartPacket_parseAQYBA(AqUartPacket* packet, vec3f* yawPitchRoll, vec3f* accelerationBody, vec3f* angularRate)
{
    AqFields_scanSentence(packet, {aqSlot(yawPitchRoll), aqSlot(accelerationBody), aqSlot(angularRate)});
}

void AqUartPacket_parseAQYIA(AqUartPacket* packet, vec3f* yawPitchRoll, vec3f* accelerationInertial,
                             vec3f* angularRate)
{
    AqFields_scanSentence(packet, {aqSlot(yawPitchRoll), aqSlot(accelerationInertial), aqSlot(angularRate)});
}

void AqUartPacket_parseAQIMU(AqUartPacket* packet, vec3f* magneticUncompensated, vec3f* accelerationUncompensated,
                             vec3f* angularRateUncompensated, float* temperature, float* pressure)
{
    AqFields_scanSentence(packet, {aqSlot(magneticUncompensated), aqSlot(accelerationUncompensated),
                                   aqSlot(angularRateUncompensated), aqSlot(temperature), aqSlot(pressure)});
}

void AqUartPacket_parseAQDTV(AqUartPacket* packet, float* deltaTime, vec3f* deltaTheta, vec3f* deltaVelocity)
{
    AqFields_scanSentence(packet, {aqSlot(deltaTime), aqSlot(deltaTheta), aqSlot(deltaVelocity)});
}

// ---------------------------------------------------------------- GPS and INS solutions
// $AQINS,342123.500000,1850,0213,+012.5,-001.2,+000.3,+37.5000000,-122.2500000,+0010.000,+000.100,-000.200,+000.050,1.0,2.5,0.3*XX
// (the INS status field is hexadecimal)

void AqUartPacket_parseAQGPS(AqUartPacket* packet, double* time, uint16_t* week, uint8_t* gpsFix, uint8_t* numSats,
                             vec3d* lla, vec3f* nedVel, vec3f* nedAcc, float* speedAcc, float* timeAcc)
{
    AqFields_scanSentence(packet, {aqSlot(time), aqSlot(week), aqSlot(gpsFix), aqSlot(numSats), aqSlot(lla),
                                   aqSlot(nedVel), aqSlot(nedAcc), aqSlot(speedAcc), aqSlot(timeAcc)});
}

void AqUartPacket_parseAQGPE(AqUartPacket* packet, double* tow, uint16_t* week, uint8_t* gpsFix, uint8_t* numSats,
                             vec3d* position, vec3f* velocity, vec3f* posAcc, float* speedAcc, float* timeAcc)
{
    AqFields_scanSentence(packet, {aqSlot(tow), aqSlot(week), aqSlot(gpsFix), aqSlot(numSats), aqSlot(position),
                                   aqSlot(velocity), aqSlot(posAcc), aqSlot(speedAcc), aqSlot(timeAcc)});
}

void AqUartPacket_parseAQINS(AqUartPacket* packet, double* time, uint16_t* week, uint16_t* status,
                             vec3f* yawPitchRoll, vec3d* lla, vec3f* nedVel, float* attUncertainty,
                             float* posUncertainty, float* velUncertainty)
{
    AqFields_scanSentence(packet, {aqSlot(time), aqSlot(week), aqHexSlot(status), aqSlot(yawPitchRoll), aqSlot(lla),
                                   aqSlot(nedVel), aqSlot(attUncertainty), aqSlot(posUncertainty),
                                   aqSlot(velUncertainty)});
}

void AqUartPacket_parseAQINE(AqUartPacket* packet, double* time, uint16_t* week, uint16_t* status,
                             vec3f* yawPitchRoll, vec3d* position, vec3f* velocity, float* attUncertainty,
                             float* posUncertainty, float* velUncertainty)
{
    AqFields_scanSentence(packet, {aqSlot(time), aqSlot(week), aqHexSlot(status), aqSlot(yawPitchRoll),
                                   aqSlot(position), aqSlot(velocity), aqSlot(attUncertainty), aqSlot(posUncertainty),
                                   aqSlot(velUncertainty)});
}

void AqUartPacket_parseAQISL(AqUartPacket* packet, vec3f* ypr, vec3d* lla, vec3f* velocity, vec3f* acceleration,
                             vec3f* angularRate)
{
    AqFields_scanSentence(packet, {aqSlot(ypr), aqSlot(lla), aqSlot(velocity), aqSlot(acceleration),
                                   aqSlot(angularRate)});
}

void AqUartPacket_parseAQISE(AqUartPacket* packet, vec3f* ypr, vec3d* position, vec3f* velocity, vec3f* acceleration,
                             vec3f* angularRate)
{
    AqFields_scanSentence(packet, {aqSlot(ypr), aqSlot(position), aqSlot(velocity), aqSlot(acceleration),
                                   aqSlot(angularRate)});
}
