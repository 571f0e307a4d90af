// The serial wire between the unit and the host, with the faults a test can
// schedule on it. A fault changes only what goes over the wire, never the
// unit: outside its window every chunk passes unchanged and at once.
#ifndef SIM_WIRE_H
#define SIM_WIRE_H

#include <stdint.h>

#include <deque>
#include <random>
#include <string>
#include <vector>

namespace aq9sim {

enum FaultKind
{
    FAULT_SILENT,     // nothing is sent
    FAULT_GARBAGE,    // random bytes of the same length instead
    FAULT_BAD_CRC,    // the check text or CRC is wrong
    FAULT_DROP_BYTES, // random bytes left out (at least one per chunk)
    FAULT_SLOW        // sent whole, but later than the host's read time-out
};

// Seconds since the unit started.
struct FaultWindow
{
    FaultKind kind;
    double start;
    double duration;
};

// "KIND@START+DURATION", e.g. "silent@5+10"; false when malformed.
bool parseFault(const char* text, FaultWindow* out);
const char* faultName(FaultKind kind);

class Wire
{
  public:
    // How late the slow fault delivers: beyond the host's 1.5 s line read and 1 s record read.
    static constexpr double kSlowDelay = 2.5;

    Wire(const std::vector<FaultWindow>& faults, uint64_t seed);
    // Queues one chunk sent at time now, changed as the fault in force says.
    void send(const std::string& chunk, double now);
    // Chunks whose time has come, in the order they were sent.
    std::vector<std::string> due(double now);
    // When the next queued chunk is due; a large value when none is queued.
    double nextDue() const;
    // The fault in force at time now, or null.
    const FaultWindow* activeAt(double now) const;

  private:
    std::string mangle(FaultKind kind, const std::string& chunk);

    std::vector<FaultWindow> _faults;
    std::mt19937_64 _rng;
    std::deque<std::pair<double, std::string>> _queue;
};

} // namespace aq9sim

#endif
