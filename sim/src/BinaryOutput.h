// The binary output records: sync byte, groups byte, one field word per
// group, the selected fields of each group in bit order (little-endian), and
// the CRC-16 of everything after the sync byte, high byte first.
#ifndef SIM_BINARYOUTPUT_H
#define SIM_BINARYOUTPUT_H

#include <string>

#include "Registers.h"
#include "Unit.h"

namespace aq9sim {

// The record a binary output register's value configures, for one sample.
// Fields the unit does not measure (GPS, INS, sync counters) are sent as zeros
// of their size. Empty when the register selects no group.
std::string binaryRecord(const RegisterValue& config, const Sample& s);

} // namespace aq9sim

#endif
