#ifndef FRAMEWORK_NAVIGATIONIF_H
#define FRAMEWORK_NAVIGATIONIF_H

// Client of the navigation server. The constructor may throw Exception.
class NavigationIF
{
  public:
    explicit NavigationIF(const char* serverName);
    virtual ~NavigationIF();
    // Latitude and longitude in radians, depth and altitude in metres; 0 when
    // answered, negative (and nothing filled in) when no position is known.
    int location(double* lat, double* lng, double* dep, double* alt);
    // Local magnetic declination, degrees.
    double magneticVariation();
};
#endif
