// The unit's end of the serial line: a pseudo-terminal whose slave side the
// host opens as its serial port. The unit keeps a slave descriptor open
// itself, so the master neither hangs up nor fails while no host has it open.
#ifndef SIM_PSEUDOTERMINAL_H
#define SIM_PSEUDOTERMINAL_H

#include <string>

namespace aq9sim {

class PseudoTerminal
{
  public:
    PseudoTerminal();
    ~PseudoTerminal();
    PseudoTerminal(const PseudoTerminal&) = delete;
    PseudoTerminal& operator=(const PseudoTerminal&) = delete;

    // Opens the pair (raw, no echo, non-blocking master); false with *error.
    bool open(std::string* error);
    int master() const { return _master; }
    const std::string& slavePath() const { return _slavePath; }
    // Writes one chunk whole if the line can take it; what it cannot take is
    // dropped, as a unit's output is when nobody reads the line.
    void send(const std::string& chunk);

  private:
    int _master;
    int _slave;
    std::string _slavePath;
};

} // namespace aq9sim

#endif
