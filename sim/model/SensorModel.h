// How the unit turns the field around it into the magnetometer values it reports.
//
// The reading the magnetometer takes is the field in sensor axes, distorted by
// the iron around it: raw = S * B_sensor + h (S the soft-iron matrix, h the
// hard-iron offset). The unit then applies the compensation held in its
// magnetometer compensation register (matrix C, offset b) and rotates the
// result into the vehicle's axes with its reference frame rotation Rot:
//
//     reported = Rot * C * (raw - b)
//
// and the sensor's axes are the vehicle's turned by Rot, so B_sensor = Rot^T * B_vehicle.
// A perfect calibration is C = S^-1, b = h: the reported field is then the
// vehicle-axis field. The calibration engine fits what is reported, so the
// result it composes for the register is right exactly when this holds. The
// simulator and the tests that check a calibration end to end both use these
// functions, so they agree on the model by construction.
//
// Every matrix is nine doubles row by row (element r, c at 3*r + c), the
// layout of the driver's settings.
#ifndef SIM_MODEL_SENSORMODEL_H
#define SIM_MODEL_SENSORMODEL_H

#include <math.h>

namespace sensormodel {

inline void mul(const double* A, const double* v, double* r)
{
    for (int i = 0; i < 3; i++)
        r[i] = A[3 * i] * v[0] + A[3 * i + 1] * v[1] + A[3 * i + 2] * v[2];
}

// r = A^T v
inline void mulT(const double* A, const double* v, double* r)
{
    for (int i = 0; i < 3; i++)
        r[i] = A[i] * v[0] + A[3 + i] * v[1] + A[6 + i] * v[2];
}

// Direction-cosine matrix from north-east-down to vehicle axes for a 3-2-1
// yaw, pitch, roll in degrees: b_vehicle = dcm * b_ned.
inline void dcm(double yaw, double pitch, double roll, double* C)
{
    const double d = M_PI / 180.0;
    const double cps = cos(yaw * d), sps = sin(yaw * d), cth = cos(pitch * d), sth = sin(pitch * d);
    const double cph = cos(roll * d), sph = sin(roll * d);
    const double M[9] = {cth * cps,
                         cth * sps,
                         -sth,
                         sph * sth * cps - cph * sps,
                         cph * cps + sph * sth * sps,
                         sph * cth,
                         sph * sps + cph * sth * cps,
                         cph * sth * sps - sph * cps,
                         cph * cth};
    for (int k = 0; k < 9; k++)
        C[k] = M[k];
}

// raw = S * (Rot^T * bVehicle) + h: what the magnetometer itself measures.
inline void rawField(const double* rot, const double* S, const double* h, const double* bVehicle, double* raw)
{
    double bSensor[3];
    mulT(rot, bVehicle, bSensor);
    mul(S, bSensor, raw);
    for (int k = 0; k < 3; k++)
        raw[k] += h[k];
}

// reported = Rot * C * (raw - b): what the unit outputs as its compensated field.
inline void reportedField(const double* rot, const double* C, const double* b, const double* raw, double* out)
{
    double d[3], comp[3];
    for (int k = 0; k < 3; k++)
        d[k] = raw[k] - b[k];
    mul(C, d, comp);
    mul(rot, comp, out);
}

} // namespace sensormodel

#endif
