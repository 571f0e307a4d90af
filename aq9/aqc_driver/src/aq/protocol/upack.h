// The UART packet view and the rules that classify a packet, decide whether it
// is intact, size a binary output packet from its group words and read its
// fields in order. Plain functions over caller-owned bytes; nothing allocates.
#ifndef AQ_PROTOCOL_UPACK_H
#define AQ_PROTOCOL_UPACK_H

#include <stddef.h>
#include <stdint.h>

#include "aq/error.h"
#include "aq/util.h"

// A view of one complete packet; it does not own its bytes.
typedef struct AqUartPacket
{
    size_t curExtractLoc; // binary extraction cursor; 0 = not started
    size_t length;        // bytes in the packet, framing included
    uint8_t* data;        // first byte of the packet
} AqUartPacket;

typedef enum PacketType
{
    PACKETTYPE_BINARY = 0,
    PACKETTYPE_ASCII = 1,
    PACKETTYPE_UNKNOWN = 2
} PacketType;

// (The rest of the packet model is declared below by its owner.)

#endif
