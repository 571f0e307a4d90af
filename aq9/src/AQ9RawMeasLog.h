#ifndef AQ9_RAWMEASLOG_H
#define AQ9_RAWMEASLOG_H
// The raw-measurement log lives beside the AHRS log.
#include "AQ9Log.h"
#endif
