// Cuts ASCII sentences and binary packets out of the sensor's serial byte stream.
//
// What the stream may do to us:
// - a packet arrives split across any number of reads, anywhere, even one byte
//   per read or between the words of a binary header;
// - noise (line glitches, a half packet after a restart) lies between packets;
// - a packet of one kind appears inside one of the other: a 0xFA inside a
//   sentence, a '$' inside a binary payload; both trackers run side by side
//   and neither trusts the other until a candidate passes its check;
// - a byte is lost or changed: the candidate fails its checksum or CRC and is
//   dropped, and the next '$' or 0xFA starts a fresh one.
// Packets that begin and end in one read are handed over in place; only the
// unfinished tail of a read is copied, into the finder's fixed buffer.
#ifndef AQ_PROTOCOL_UPACKF_H
#define AQ_PROTOCOL_UPACKF_H

#include <stddef.h>
#include <stdint.h>

#include "aq/error.h"
#include "aq/protocol/upack.h"

#define AQ_UART_PACKET_FINDER_BUFFER_SIZE 256

// Called for every intact packet; the view points into the current read or into
// the finder's buffer and is valid only during the call.
typedef void (*AqUartPacketFinder_PacketFoundHandler)(void* userData, AqUartPacket* packet,
                                                      size_t runningIndexOfPacketStart);

// One stream's tracking state. Offsets of a packet start mean "into the current
// read" while the packet began in it, and "into receiveBuffer" afterwards.
typedef struct AqUartPacketFinder
{
    AqUartPacketFinder_PacketFoundHandler packetFoundHandler; // null: packets are consumed silently
    void* packetFoundHandlerUserData;                          // handed back to the handler
    size_t runningDataIndex;                                   // stream index of the next byte fed

    // ASCII tracker: idle while not building.
    bool asciiCurrentlyBuildingPacket;      // building: a '$' seen, sentence not finished
    size_t asciiPossibleStartOfPacketIndex; // offset of that '$'
    size_t asciiRunningDataIndexOfStart;    // stream index of that '$'
    bool asciiEndChar1Found;                // end seen: a carriage return inside the sentence

    // Binary tracker: idle while not building.
    bool binaryCurrentlyBuildingBinaryPacket; // building: a sync byte accepted, packet not finished
    size_t binaryRunningDataIndexOfStart;     // stream index of that sync byte

    size_t bufferSize;           // capacity of receiveBuffer
    size_t bufferAppendLocation; // bytes held in receiveBuffer

    bool binaryGroupsPresentFound;                          // false: awaiting the groups byte
    uint8_t binaryGroupsPresent;                            // the groups byte once seen
    uint8_t binaryNumOfBytesRemainingToHaveAllGroupFields;  // > 0: reading group-field words
    size_t binaryPossibleStartIndex;                        // offset of the sync byte
    size_t binaryNumberOfBytesRemainingForCompletePacket;   // > 0: reading payload and CRC

    uint8_t receiveBuffer[AQ_UART_PACKET_FINDER_BUFFER_SIZE]; // beginning of a packet carried over
} AqUartPacketFinder;

// Clears all state but the buffer's bytes; no handler afterwards.
void AqUartPacketFinder_initialize(AqUartPacketFinder* finder);
// Registers the one handler; E_INVALID_OPERATION if one is already registered.
AqError AqUartPacketFinder_registerPacketFoundHandler(AqUartPacketFinder* finder,
                                                      AqUartPacketFinder_PacketFoundHandler handler,
                                                      void* userData);
// Scans one read; calls the handler for each intact packet ending in it. Always E_NONE.
AqError AqUartPacketFinder_processData(AqUartPacketFinder* finder, uint8_t* data, size_t len);
// Validates one candidate and dispatches or drops it.
void AqUartPacketFinder_processPacket(AqUartPacketFinder* finder, uint8_t* start, size_t len, size_t running);
// Hands a packet to the handler, if any.
void AqUartPacketFinder_dispatchPacket(AqUartPacketFinder* finder, AqUartPacket* packet, size_t running);
// Back to idle for one tracker.
void AqUartPacketFinder_resetAsciiStatus(AqUartPacketFinder* finder);
void AqUartPacketFinder_resetBinaryStatus(AqUartPacketFinder* finder);
// Both trackers idle and the buffer emptied.
void AqUartPacketFinder_resetAllTrackingStatus(AqUartPacketFinder* finder);

#endif
