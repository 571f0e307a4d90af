// Group routines that script the simulated device calls, and the bench's
// sample binary records.
#ifndef BENCH_BENCHSCRIPTS_H
#define BENCH_BENCHSCRIPTS_H

#include <stddef.h>
#include <termios.h>

// Mock descriptors of the serial port double and of the scripted SPI open.
const int kSerialFd = 6;
const int kSpiFd = 7;

// The 78-byte binary output 1 record and the 50-byte binary output 2 record.
extern const unsigned char kReg1Record[78];
extern const unsigned char kReg2Record[50];

// SPI: the open of the device and the six bring-up ioctls, each succeeding.
void expect_default_spi_iface_init(const char* devName);
// SPI: one full-duplex transfer on the opened descriptor.
void expect_spi_writeRead(int result);
// SPI: the close of the opened descriptor, as the link does when deleted.
void expect_spi_close();

// Serial line mode.
void expect_tcgetattr_call_and_return(termios* t, int result);
void expect_tcsetattr_with_IGNCR_bit_set_and_return(termios* t, int result);
void expect_nonRawSettings_success(termios* t);

// Serial binary reads.
void expect_n_single_byte_dev_reads_and_return_byte(const unsigned char* bytes, size_t n);
void expect_one_ten_byte_dev_read_and_return_ten_bytes(const unsigned char* bytes);
void expect_remaining_packet_to_be_requested_by_dev_read(const unsigned char* bytes, unsigned remaining);
void expect_full_reg1_buffer_read();

#endif
