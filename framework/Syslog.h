#ifndef FRAMEWORK_SYSLOG_H
#define FRAMEWORK_SYSLOG_H

// The vehicle's system log: one printf-style line per call; never fails.
class Syslog
{
  public:
    static void write(const char* msg, ...) __attribute__((format(printf, 1, 2)));
};
#endif
