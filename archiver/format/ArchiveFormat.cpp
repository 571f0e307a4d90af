#include "ArchiveFormat.h"

void korvan_encodeRecord(const KorvanRecord& record, uint8_t out[KORVAN_RECORD_SIZE])
{
    out[0] = record.nameLength;
    out[1] = static_cast<uint8_t>(record.entrySize);
    out[2] = static_cast<uint8_t>(record.entrySize >> 8);
    for (int i = 0; i < 4; ++i)
        out[3 + i] = static_cast<uint8_t>(record.offset >> (8 * i));
}

KorvanRecord korvan_decodeRecord(const uint8_t in[KORVAN_RECORD_SIZE])
{
    KorvanRecord record;
    record.nameLength = in[0];
    record.entrySize = static_cast<uint16_t>(in[1] | in[2] << 8);
    record.offset = 0;
    for (int i = 0; i < 4; ++i)
        record.offset |= static_cast<uint32_t>(in[3 + i]) << (8 * i);
    return record;
}
