#!/usr/bin/env python3
"""Writes the seed inputs of fuzz/corpus/<target>/seed-*: a few well-formed
inputs per target, encoded the way the target reads its input, so fuzzing
starts from real traffic instead of from nothing. Inputs that once found a
fault (found-*) sit beside them and are never touched here.

Usage: fuzz/seeds.py   (rewrites every seed-* file; run after changing a target's input format)
"""
import binascii
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))

RECORD_78 = binascii.unhexlify(
    "fa11281500019d64fbc109d2c43e33b362be0006e539bd946f3a80e8223a125d383dec952e3d713a18c175ec"
    "863ecc06263e66eadd3e7a14c9419c44cb4200003a863e3d1a4aeb3c8365f53c428c")
RECORD_50 = binascii.unhexlify(
    "fa043e0048558a3eaa0a023e86bcdd3e06dfa33d06463d3d70c417c1e4b329bb4189063acb3f8abb0000b2"
    "4113c3ca426842")


def crc16(data):
    crc = 0
    for b in data:
        crc = ((crc >> 8) | (crc << 8)) & 0xFFFF
        crc ^= b
        crc ^= (crc & 0xFF) >> 4
        crc ^= (crc << 12) & 0xFFFF
        crc ^= (crc & 0xFF) << 5
    return crc


def sentence(body, crc=True):
    check = "%04X" % crc16(body.encode()) if crc else "XX"
    return ("$" + body + "*" + check + "\r\n").encode()


# The field-text alphabet of support/Packets.cpp: a byte picks kAlphabet[byte % 21].
ALPHABET = "0123456789+-.,eE,A Z,"


def field_text(text):
    return bytes(ALPHABET.index(c) for c in text)


def write(target, name, data):
    d = os.path.join(HERE, "corpus", target)
    os.makedirs(d, exist_ok=True)
    with open(os.path.join(d, "seed-" + name), "wb") as f:
        f.write(data)


def parsers():
    for name, text in [
        ("register-reply", "$AQRRG,08,+010.071,-002.342,+001.120*XX\r\n"),
        ("compensation", "$AQRRG,23,1.0,0.0,0.0,0.0,1.0,0.0,0.0,0.0,1.0,0.0,0.0,0.0*XX\r\n"),
        ("ins-solution", "$AQRRG,63,342123.500000,1850,0213,+012.5,-001.2,+000.3,+37.5,-122.25,"
                         "+0010.000,+000.100,-000.200,+000.050,1.0,2.5,0.3*XX\r\n"),
        ("async-ymr", "$AQYMR,+010.071,-002.342,+001.120,+0.2914,-0.0523,+0.4128,-00.123,+00.456,"
                      "-09.791,+0.001,-0.002,+0.003*XX\r\n"),
        ("binary-output", "$AQRRG,75,1,80,05,1528,3F*XX\r\n"),
        ("model-number", "$AQRRG,01,AQ-9 INERTIAL*XX\r\n"),
        ("error", "$AQERR,0C*XX\r\n"),
        ("out-of-range", "$AQRRG,08,1e39,nan,-inf*XX\r\n"),
    ]:
        write("upack_parsers", name, text.encode())


def spi_parsers():
    # Response size, CRC fix flag, then the frame.
    payload = struct.pack("<3f", 10.071, -2.342, 1.12)
    write("spi_parsers", "yaw-pitch-roll", bytes([18, 1, 0, 1, 8, 0]) + payload)
    write("spi_parsers", "model-number", bytes([20, 1, 0, 1, 1, 0]) + b"AQ-9 INERTIAL\0")
    write("spi_parsers", "sensor-error", bytes([6, 1, 0, 1, 8, 12]))
    write("spi_parsers", "poll-record", bytes([84, 1, 0, 0x12, 1, 0]) + bytes(78))


def finder_streams():
    # Read sizes (a count, then sizes less one), then the stream.
    stream = (b"\x01\x02" + RECORD_78 + sentence("AQRRG,08,+010.071,-002.342,+001.120") + b"noise\xfa"
              + RECORD_50 + sentence("AQRRG,05,115200", crc=False) + b"$AQ\r" + RECORD_78)
    write("upackf_chunks", "mixed-traffic-whole", bytes([0, 255]) + stream)
    write("upackf_chunks", "mixed-traffic-split", bytes([2, 6, 40, 0]) + stream)
    # The oracle reads items: 0 noise (length, bytes), 1/4/7 sentence (length,
    # field text, check by kind / 3), 2 binary (groups, field words, payload).
    attitude = bytes([2, 0x11]) + struct.pack("<HH", 0x1528, 0x0100) + RECORD_78[6:-2]
    raw = bytes([2, 0x04]) + struct.pack("<H", 0x003E) + RECORD_50[4:-2]
    reply = bytes([7, 12]) + field_text("A Z,08,1.5,2")
    items = bytes([0, 3, 0x41, 0xFA, 0x24]) + attitude + reply + bytes([0, 2, 0x0D, 0x0A]) + raw
    write("upackf_oracle", "records-and-reply", bytes([1, 99, 7]) + items)
    write("upackf_oracle", "one-byte-reads", bytes([0, 0]) + items)


def links():
    # The link operations' indices in support/LinkOperations.cpp.
    ref_vectors, model, ahrs, raw_meas, mag_comp = 4, 16, 26, 27, 6
    # UART: wire events 3 = reply echoing the command (check by event / 7: 2 CRC).
    reply = 3 + 7 * 2
    def replying(op, text):
        return bytes([op, reply, len(text)]) + field_text(text)
    uart = replying(ref_vectors, ",0.25,0.5,0.75,0,0,-9.8") + replying(model, ",A Z 9")
    uart += replying(mag_comp, ",1,0,0,0,1,0,0,0,1,0,0,0")
    # Poll events: 6 = the record of the poll just sent, payload from the input.
    uart += bytes([ahrs, 6]) + RECORD_78[6:-2] + bytes([raw_meas, 6]) + RECORD_50[4:-2]
    write("uart_link", "replies-and-polls", uart)
    write("uart_link", "silent-sensor", bytes([ref_vectors, 0, 0, 0, 0, 0, ahrs, 0]))
    # SPI: open, six settings ioctls (any byte but 15 succeeds), then each
    # transfer: 4 = a frame echoing the request, its payload (length less 6)
    # from the input. Register 21 goes out as 30 bytes twice; a poll as 6, then
    # 82 (output 1) or 54 (output 2) bytes.
    spi = bytes([0]) + bytes(6)
    spi += bytes([ref_vectors, 4]) + bytes(24) + bytes([4]) + struct.pack("<6f", 0.25, 0.5, 0.75, 0, 0, -9.8)
    spi += bytes([ahrs, 4, 4]) + RECORD_78[6:-2] + bytes(6)
    spi += bytes([raw_meas, 4, 4]) + RECORD_50[4:-2] + bytes(4)
    write("spi_link", "exchanges-and-polls", spi)


def config():
    write("config_file", "mission", b"""% mission settings
ahrsRate = 20;
rawMeasRate = 10;
HSIConvergeRate = 7;
WriteHSIToEEPROM = true;  % save what the run finds
Mag_C00 =   1.250000;
Mag_C11 = 1.0;
Mag_B2 =  -0.012500;
Rot00 = -1;
AFEGyro_BaseTuningX = 4;
""")
    write("config_file", "bad-values", b"Rot01 = nan;\nHSIMode = two;\nahrsrate = 3;\nRot02 = 1e400;\n")
    write("config_file", "malformed", b"Mag_C00 1.0\n# comment\nRot00 = 1; trailing\n")


def korvan_archive(files):
    """A "ZnT1" archive: directory records (name length, entry size, offset,
    name), the end mark, then each entry (header for a typed file, then body)."""
    directory = b"ZnT1" + b"".join(struct.pack("<BHI", len(n), 0, 0) + n for n, _, _ in files) + b"\0"
    offset, records, bodies = len(directory), b"", b""
    for name, mime, body in files:
        header = ("HTTP/1.0 200\r\nContent-type: %s\r\n\r\n" % mime).encode() if mime else b""
        entry = header + body
        records += struct.pack("<BHI", len(name), len(entry), offset) + name
        offset += len(entry)
        bodies += entry
    return b"ZnT1" + records + b"\0" + bodies


def korvan():
    # The name to look up (its length, then its bytes), then the mimetype.ini text.
    ini = b"htm text/html; charset=utf-8\ncss text/css\n# images\n.gif image/gif\r\npng image/png\n\n"
    write("korvan_mimetypes", "table-and-name", bytes([9]) + b"index.htm" + ini)
    write("korvan_mimetypes", "no-match", bytes([10]) + b"readme.txt" + ini)
    site = [(b"index.htm", "text/html; charset=utf-8", b"<html><body>AQ-9</body></html>\n"),
            (b"web/site.css", "text/css", b"body{color:#000}\n"),
            (b"web/img/dot.gif", "image/gif", b"GIF89a\x01\x00\x01\x00"),
            (b"web/readme.txt", None, b"no type\n")]
    write("korvan_ls", "site", korvan_archive(site))
    write("korvan_ls", "escaping-name", korvan_archive([(b"../outside.htm", "text/html", b"x")]))
    write("korvan_ls", "same-name-twice", korvan_archive([(b"a.htm", None, b"1"), (b"a.htm", None, b"2")]))


parsers()
spi_parsers()
finder_streams()
links()
config()
korvan()
