// The unit's side of the serial protocol, without any I/O: bytes from the
// host go in, whole replies and the unsolicited output come out, each as one
// chunk to be written in one piece.
//
// Commands are "$AQ" + a three-letter code, fields after commas, "*" and a
// check text, then a line end. The check text may be "XX" (no check), two hex
// digits (8-bit checksum) or four (CRC-16); whatever form a command uses is
// verified. Replies and unsolicited sentences carry the form the
// communication protocol control register selects (the 8-bit checksum as
// shipped, the CRC once the host enables it). A bad command gets "$AQERR,nn"
// unless that register's error mode is 0.
//
// Times are wall-clock seconds since the unit started; the motion runs on the
// simulated clock, which is the wall clock times the environment's time scale.
#ifndef SIM_COMMANDSERVER_H
#define SIM_COMMANDSERVER_H

#include <map>
#include <string>
#include <vector>

#include "Unit.h"

namespace aq9sim {

class CommandServer
{
  public:
    explicit CommandServer(const Environment& env);

    // Bytes from the host; replies are appended to out in order.
    void receive(const char* data, size_t n, double now, std::vector<std::string>& out);
    // Unsolicited output due by now (asynchronous sentences and binary records).
    void poll(double now, std::vector<std::string>& out);
    // When poll next has something to send; a large value when nothing is scheduled.
    double nextOutputTime() const;
    // True once after each command that changed the unit's settings or state.
    bool takeChanged();
    // The register file and the counts, as the state file holds them.
    std::string stateJson(double now) const;

    Unit& unit() { return _unit; }
    // Commands served, by code ("RRG", "WRG", "BOM", ...), and "errors".
    const std::map<std::string, unsigned long>& counts() const { return _counts; }

    // A restarting unit does not listen for this long.
    static constexpr double kBootSeconds = 0.25;
    // Longest command the unit buffers; a longer one is an overflow.
    static constexpr size_t kMaxCommand = 256;

  private:
    void handleCommand(const std::string& line, double now, std::vector<std::string>& out);
    // The reply text of one checked command, or the error to report.
    SensorError dispatch(const std::string& code, const std::vector<std::string>& args, double now,
                         std::vector<std::string>& out);
    SensorError readRegister(const std::vector<std::string>& args, double now, std::vector<std::string>& out);
    SensorError writeRegister(const std::vector<std::string>& args, double now, std::vector<std::string>& out);
    SensorError pollBinary(const std::vector<std::string>& args, double now, std::vector<std::string>& out);
    SensorError flagCommand(const std::string& code, const std::vector<std::string>& args,
                            std::vector<std::string>& out);
    // Counts the error and sends its report unless error reports are off.
    void report(SensorError e, std::vector<std::string>& out);
    void restart(double now, bool factory);
    void reschedule(double now);
    std::string frame(const std::string& body) const;
    double simTime(double now) const { return now * _unit.environment().timeScale; }

    Unit _unit;
    std::string _line;
    bool _inCommand;
    bool _overflowed;
    double _deafUntil;
    bool _asyncPaused;
    bool _knownAccelDisturbance;
    bool _changed;
    double _nextAscii;
    double _nextBinary[3];
    std::map<std::string, unsigned long> _counts;
    // The sample of the last polled binary record, for the state file.
    Sample _lastPolled;
    bool _polled;
};

} // namespace aq9sim

#endif
