// The unit's ASCII sentences: register replies, error reports and the
// asynchronous attitude sentences, each framed with the check text the
// communication protocol control register selects.
#ifndef SIM_ASCIIOUTPUT_H
#define SIM_ASCIIOUTPUT_H

#include <string>

#include "Registers.h"
#include "Unit.h"

namespace aq9sim {

// "$" + body + "*" + check + "\r\n": the 8-bit checksum for kind 1, the CRC-16 for kind 2.
std::string frameSentence(const std::string& body, int serialChecksum);
// "$AQERR,<nn>" with the error number in two hex digits.
std::string errorReport(SensorError e, int serialChecksum);
// Register number as replies carry it: two digits at least ("06").
std::string registerNumberText(int number);
// The asynchronous sentence of output type ador for one sample; empty for
// type 0 (off) and for types the unit does not send.
std::string asyncSentence(unsigned ador, const Sample& s, int serialChecksum);

} // namespace aq9sim

#endif
