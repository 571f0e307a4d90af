// The fuzz input read front to back, one small decision at a time. An input
// that runs out reads as zeros from then on, so every target runs to its end
// on any input and a short input means "the simplest choice" everywhere.
#ifndef FUZZ_FUZZREADER_H
#define FUZZ_FUZZREADER_H

#include <stddef.h>
#include <stdint.h>
#include <string.h>

#include <vector>

class FuzzReader
{
  public:
    FuzzReader(const uint8_t* data, size_t size) : _data(data), _size(size), _at(0) {}

    bool empty() const { return _at >= _size; }
    size_t remaining() const { return _size - _at; }

    uint8_t byte() { return empty() ? 0 : _data[_at++]; }
    // Little-endian, as the sensor sends its words.
    uint16_t word()
    {
        const uint16_t low = byte();
        return static_cast<uint16_t>(low | (byte() << 8));
    }
    // The next n bytes, zeros once the input has run out.
    void fill(uint8_t* out, size_t n)
    {
        const size_t have = n < remaining() ? n : remaining();
        if (have > 0)
            memcpy(out, _data + _at, have);
        memset(out + have, 0, n - have);
        _at += have;
    }
    // Up to n bytes, only as many as the input still holds.
    std::vector<uint8_t> bytes(size_t n)
    {
        const size_t have = n < remaining() ? n : remaining();
        std::vector<uint8_t> out(_data + _at, _data + _at + have);
        _at += have;
        return out;
    }
    // Everything not read yet.
    std::vector<uint8_t> rest() { return bytes(remaining()); }

  private:
    const uint8_t* _data;
    size_t _size;
    size_t _at;
};

#endif
