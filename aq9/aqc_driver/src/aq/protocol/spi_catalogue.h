// The register catalogue of the SPI frames as data, and the one payload
// writer and reader that every generator and parser goes through.
//
// A layout is a text with one letter per field, in catalogue order:
//   b uint8_t   h uint16_t   w uint32_t   f float   d double
//   v vec3f     q vec4f      V vec3d      m mat3f (e[0..8], storage order)
//   _ four gap bytes (skipped on reading, left alone on writing)
// Every value travels little-endian at its natural size, packed.
#ifndef AQ_PROTOCOL_SPI_CATALOGUE_H
#define AQ_PROTOCOL_SPI_CATALOGUE_H

#include <stddef.h>
#include <stdint.h>

#include "aq/error.h"

// Frame header length (command, register, two zero bytes); the payload follows.
#define AQSPI_HEADER_SIZE 4

// One numbered register: its response frame size and its payload layout
// (null for the text registers, whose payload is a terminated text).
typedef struct AqSpiRegister
{
    uint8_t id;
    uint8_t frameSize;
    const char* layout;
} AqSpiRegister;

// The catalogue entry of a register number, or null for a number it lacks.
const AqSpiRegister* AqSpiCatalogue_find(uint8_t id);

// Payload bytes a layout occupies, gaps included.
size_t AqSpiCatalogue_layoutSize(const char* layout);

// Writes values[i] (pointing at the i-th field's host value) at dst in wire order.
void AqSpiCatalogue_put(char* dst, const char* layout, const void* const* values);

// Reads the fields at src into outs[i] (pointing at the i-th field's storage).
void AqSpiCatalogue_get(const char* src, const char* layout, void* const* outs);

// The sensor's error byte (byte 3) as an AqError: E_NONE for 0, else 1000 + n
// with n taken as a signed 8-bit number.
AqError AqSpiCatalogue_errorOf(const char* response);

#endif
