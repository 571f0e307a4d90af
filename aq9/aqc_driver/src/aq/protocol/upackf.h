// Cuts ASCII sentences and binary packets out of the sensor's serial byte stream.
//
// What the stream may do to us:
// - a packet arrives split across any number of reads, anywhere, even one byte
//   per read or between the words of a binary header;
// - noise (line glitches, a half packet after a restart) lies between packets,
//   and a stray 0xFA or '$' in it looks like the start of a packet;
// - a packet of one kind appears inside one of the other: a 0xFA inside a
//   sentence, a '$' inside a binary payload; both trackers run side by side
//   and neither trusts the other until a candidate passes its check;
// - a byte is lost or changed: the candidate fails its checksum or CRC.
//
// How the two trackers meet that:
// - ASCII, byte by byte: '$' (re)starts a sentence, CR LF ends it, CR followed
//   by anything else abandons it. A false '$' can hide no sentence, since the
//   real one's '$' restarts the tracker.
// - Binary, sync byte by sync byte: once a candidate's header has arrived its
//   length is known, once all its bytes have arrived its CRC is checked. A
//   candidate that fails loses only its sync byte: the search goes on at the
//   byte after it, in the read or in the buffer, so real packets behind a false
//   start are still found. Later candidates are judged while an earlier one
//   still waits for bytes; an intact packet ends every earlier candidate (they
//   overlap it). An intact sentence likewise ends the candidates that would
//   overlap it.
// Packets that begin and end in one read are handed over in place. The buffer
// keeps the stream from the earliest unfinished candidate on (fewer than
// AQ_UART_PACKET_FINDER_BUFFER_SIZE bytes); a packet spanning reads is
// assembled there, behind those bytes, and may be up to that size long
// wherever it starts among them, so an unfinished false start held in front of
// it never crowds it out.
//
// Work per byte is bounded: the ASCII tracker looks at each byte once (idle
// stretches are skipped with memchr). Each sync byte costs at most one CRC pass
// over its candidate in the whole stream (a candidate announcing more than 600
// bytes after its header is refused, so at most 616 bytes), plus one look at its
// header (at most 16 bytes) in every read while its candidate waits. Waiting
// candidates lie in the buffer, so a read costs at most 255 such looks beyond
// its own bytes; on sensor traffic no candidate, or one, waits at a time.
#ifndef AQ_PROTOCOL_UPACKF_H
#define AQ_PROTOCOL_UPACKF_H

#include <stddef.h>
#include <stdint.h>

#include "aq/error.h"
#include "aq/protocol/upack.h"

// The longest packet that can be assembled across reads.
#define AQ_UART_PACKET_FINDER_BUFFER_SIZE 256

// Called for every intact packet; the view points into the current read or into
// the finder's buffer and is valid only during the call.
typedef void (*AqUartPacketFinder_PacketFoundHandler)(void* userData, AqUartPacket* packet,
                                                      size_t runningIndexOfPacketStart);

// One stream's tracking state. Stream positions are offsets into the bytes held
// in receiveBuffer followed by the current read: an offset below
// bufferAppendLocation is in the buffer, the others are in the read. Between
// calls every offset is at most bufferAppendLocation.
typedef struct AqUartPacketFinder
{
    AqUartPacketFinder_PacketFoundHandler packetFoundHandler; // null: packets are consumed silently
    void* packetFoundHandlerUserData;                          // handed back to the handler
    size_t runningDataIndex;                                   // stream index of the next byte fed

    // ASCII tracker: idle while not building.
    bool asciiCurrentlyBuildingPacket;      // building: a '$' seen, sentence not finished
    size_t asciiPossibleStartOfPacketIndex; // offset of that '$'
    bool asciiEndChar1Found;                // end seen: a carriage return inside the sentence

    // Binary tracker: every sync byte before this offset has been judged; the
    // one at it, if any, starts the earliest candidate still waiting for bytes.
    // Equal to bufferAppendLocation between calls when nothing waits.
    size_t binarySearchIndex;

    size_t bufferSize;           // longest packet assembled across reads (AQ_UART_PACKET_FINDER_BUFFER_SIZE)
    size_t bufferAppendLocation; // bytes held in receiveBuffer, fewer than bufferSize

    // The stream from the earliest unfinished candidate, then room to assemble
    // a packet of bufferSize bytes that starts in it.
    uint8_t receiveBuffer[2 * AQ_UART_PACKET_FINDER_BUFFER_SIZE];
} AqUartPacketFinder;

// Clears all state but the buffer's bytes; no handler afterwards.
void AqUartPacketFinder_initialize(AqUartPacketFinder* finder);
// Registers the one handler; E_INVALID_OPERATION if one is already registered.
AqError AqUartPacketFinder_registerPacketFoundHandler(AqUartPacketFinder* finder,
                                                      AqUartPacketFinder_PacketFoundHandler handler,
                                                      void* userData);
// Scans one read; calls the handler for each intact packet complete by its end. Always E_NONE.
AqError AqUartPacketFinder_processData(AqUartPacketFinder* finder, uint8_t* data, size_t len);
// Validates one candidate and dispatches it when intact; true then.
bool AqUartPacketFinder_processPacket(AqUartPacketFinder* finder, uint8_t* start, size_t len, size_t running);
// Hands a packet to the handler, if any.
void AqUartPacketFinder_dispatchPacket(AqUartPacketFinder* finder, AqUartPacket* packet, size_t running);
// Back to idle for one tracker (between reads): the sentence under way, or every
// binary candidate still waiting, is forgotten.
void AqUartPacketFinder_resetAsciiStatus(AqUartPacketFinder* finder);
void AqUartPacketFinder_resetBinaryStatus(AqUartPacketFinder* finder);
// Both trackers idle and the buffer emptied: the next read starts from nothing.
void AqUartPacketFinder_resetAllTrackingStatus(AqUartPacketFinder* finder);

#endif
