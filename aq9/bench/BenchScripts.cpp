#include "BenchScripts.h"

#include "CppUTestExt/MockSupport.h"

// Sample records of the sensor, valid packets with their CRC.
const unsigned char kReg1Record[78] = {
    0xfa, 0x11, 0x28, 0x15, 0x00, 0x01, 0x9d, 0x64, 0xfb, 0xc1, 0x09, 0xd2, 0xc4, 0x3e, 0x33, 0xb3, 0x62, 0xbe, 0x00, 0x06,
    0xe5, 0x39, 0xbd, 0x94, 0x6f, 0x3a, 0x80, 0xe8, 0x22, 0x3a, 0x12, 0x5d, 0x38, 0x3d, 0xec, 0x95, 0x2e, 0x3d, 0x71, 0x3a,
    0x18, 0xc1, 0x75, 0xec, 0x86, 0x3e, 0xcc, 0x06, 0x26, 0x3e, 0x66, 0xea, 0xdd, 0x3e, 0x7a, 0x14, 0xc9, 0x41, 0x9c, 0x44,
    0xcb, 0x42, 0x00, 0x00, 0x3a, 0x86, 0x3e, 0x3d, 0x1a, 0x4a, 0xeb, 0x3c, 0x83, 0x65, 0xf5, 0x3c, 0x42, 0x8c};

const unsigned char kReg2Record[50] = {
    0xfa, 0x04, 0x3e, 0x00, 0x48, 0x55, 0x8a, 0x3e, 0xaa, 0x0a, 0x02, 0x3e, 0x86, 0xbc, 0xdd, 0x3e, 0x06,
    0xdf, 0xa3, 0x3d, 0x06, 0x46, 0x3d, 0x3d, 0x70, 0xc4, 0x17, 0xc1, 0xe4, 0xb3, 0x29, 0xbb, 0x41, 0x89,
    0x06, 0x3a, 0xcb, 0x3f, 0x8a, 0xbb, 0x00, 0x00, 0xb2, 0x41, 0x13, 0xc3, 0xca, 0x42, 0x68, 0x42};

void expect_default_spi_iface_init(const char* devName)
{
    mock("os").expectOneCall("open").withParameter("__path", devName).withParameter("__oflag", 2).andReturnValue(
        kSpiFd);
    const unsigned long requests[] = {0x40016B03, 0x80016B03, 0x40046B04, 0x80046B04, 0x40016B01, 0x80016B01};
    for (unsigned long request : requests)
        mock("os")
            .expectOneCall("ioctl")
            .withParameter("__fd", kSpiFd)
            .withParameter("__request", request)
            .andReturnValue(0);
}

void expect_spi_writeRead(int result)
{
    mock("os")
        .expectOneCall("ioctl")
        .withParameter("__fd", kSpiFd)
        .withParameter("__request", 0x40206B00UL)
        .andReturnValue(result);
}

void expect_spi_close()
{
    mock("os").expectOneCall("close").withParameter("__fd", kSpiFd).andReturnValue(0);
}

void expect_tcgetattr_call_and_return(termios* t, int result)
{
    mock("os")
        .expectOneCall("tcgetattr")
        .withParameter("__fd", kSerialFd)
        .withOutputParameterReturning("__termios_p", t, sizeof(termios))
        .andReturnValue(result);
}

void expect_tcsetattr_with_IGNCR_bit_set_and_return(termios* t, int result)
{
    // The expected record: what tcgetattr returned plus IGNCR and INLCR.
    t->c_iflag |= IGNCR | INLCR;
    mock("os")
        .expectOneCall("tcsetattr")
        .withParameter("__fd", kSerialFd)
        .withParameter("__optional_actions", TCSANOW)
        .withParameterOfType("termios", "__termios_p", t)
        .andReturnValue(result);
}

void expect_nonRawSettings_success(termios* t)
{
    expect_tcgetattr_call_and_return(t, 0);
    expect_tcsetattr_with_IGNCR_bit_set_and_return(t, 0);
}

static void expect_dev_read(const unsigned char* bytes, unsigned n)
{
    mock("os")
        .expectOneCall("dev_read")
        .withParameter("fd", kSerialFd)
        .withOutputParameterReturning("buf", bytes, n)
        .withParameter("n", n)
        .withParameter("min", n)
        .withParameter("time", 0u)
        .withParameter("timeout", 10u)
        .withParameter("proxy", 0)
        .withParameter("armed", static_cast<void*>(nullptr))
        .andReturnValue(static_cast<int>(n));
}

void expect_n_single_byte_dev_reads_and_return_byte(const unsigned char* bytes, size_t n)
{
    for (size_t i = 0; i < n; i++)
        expect_dev_read(bytes + i, 1);
}

void expect_one_ten_byte_dev_read_and_return_ten_bytes(const unsigned char* bytes)
{
    expect_dev_read(bytes, 10);
}

void expect_remaining_packet_to_be_requested_by_dev_read(const unsigned char* bytes, unsigned remaining)
{
    expect_dev_read(bytes, remaining);
}

void expect_full_reg1_buffer_read()
{
    expect_n_single_byte_dev_reads_and_return_byte(kReg1Record, 1);
    expect_one_ten_byte_dev_read_and_return_ten_bytes(kReg1Record + 1);
    expect_remaining_packet_to_be_requested_by_dev_read(kReg1Record + 11, 67);
}
