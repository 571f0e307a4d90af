// Angle conversion between the sensor's degrees and the vehicle's radians, in
// single precision as the consumer outputs and the attitude log carry them.
#ifndef AQ9_AQ9UNITS_H
#define AQ9_AQ9UNITS_H

// Degrees to radians as published: the product in double, rounded to float.
float AQ9Units_degToRad(float deg);
// The degrees that degToRad turns into rad. Where the rounding to float merged
// two neighbouring degree values into one radian value (one float in eleven
// between 1 and 360 degrees), the one nearer rad's exact value in degrees: the
// other lies one float step away. The plain quotient for values no conversion
// produced (NaN, infinities).
float AQ9Units_radToDeg(float rad);

#endif
