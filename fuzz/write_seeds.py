#!/usr/bin/env python3
"""Writes the hand-made seed inputs of the fuzz targets into corpus/<target>/.

Replies are laid out as the logger sends them: the echo of the request, then the answer, each
with its Modbus checksum. Run from anywhere; existing seeds of the same name are replaced."""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))


def crc16(data):
    crc = 0xFFFF
    for b in data:
        crc ^= b
        for _ in range(8):
            crc = (crc >> 1) ^ 0xA001 if crc & 1 else crc >> 1
    return crc


def with_crc(frame):
    c = crc16(frame)
    return bytes(frame) + bytes([c & 0xFF, c >> 8])


def read_request(address, count):
    return with_crc(bytes([1, 3]) + struct.pack(">HH", address, count))


def read_reply(address, count, data):
    return read_request(address, count) + with_crc(bytes([1, 3, len(data)]) + data)


def write_ack(address, value):
    frame = bytes([1, 0x10]) + struct.pack(">H", address) + bytes([0, 1, 2]) + struct.pack(">H", value)
    return with_crc(frame) + with_crc(bytes([1, 0x10]) + struct.pack(">HHH", address, 0, 1)[:6])


def bcd(n):
    return (n // 10) << 4 | n % 10


def stamp(y, mo, d, h, mi, s):
    return bytes(bcd(v) for v in (y, mo, d, h, mi, s))


def file_entry(name=b"TIDE", size=16 * 4 + 2):
    entry = bytearray(b"\xff" * 50)
    entry[0] = 1
    entry[1:1 + len(name)] = name
    entry[17:23] = stamp(26, 1, 5, 8, 0, 0)
    entry[23:29] = stamp(26, 1, 6, 8, 0, 0)
    entry[29:33] = struct.pack("<I", 1000)
    entry[33:37] = struct.pack("<I", size)
    entry[43:49] = stamp(26, 1, 5, 7, 59, 0)
    entry[49] = 2
    return bytes(entry)


def file_table(entries):
    slots = b""
    for i in range(21):
        slots += bytes([50]) + entries[i] if i < len(entries) else bytes(51)
    return slots


def records(count, start_minute=0):
    out = b""
    for i in range(count):
        out += stamp(26, 1, 5, 8, (start_minute + i) % 60, 0) + struct.pack("<hIhhh", 2150, 101325, 0, 3600, 0)[:10]
    return out


def data_file(stream):
    version = bytes([5]) + b"1.3.1" + bytes(10)
    params = bytes(144)
    serial = bytes([10]) + b"0210012345" + bytes(190)
    slot = bytes([50]) + file_entry(size=len(stream))
    return version + params + serial + slot + stream


def write(target, name, data):
    directory = os.path.join(HERE, "corpus", target)
    os.makedirs(directory, exist_ok=True)
    with open(os.path.join(directory, name), "wb") as f:
        f.write(data if isinstance(data, bytes) else data.encode("utf-8"))


def block(data, delay=5):
    return bytes([delay]) + struct.pack(">H", len(data)) + data


def main():
    serial = read_reply(0x2002, 2, struct.pack(">I", 210012345))
    battery = read_reply(0x0101, 1, struct.pack(">H", 3600))
    table = file_table([file_entry(), file_entry(b"WAVE")])
    table_reply = read_request(0xE00D, 0) + bytes([1, 3, 0x10]) + table
    stream = records(4)
    head = read_request(0xE00E, 1) + bytes([1, 3]) + struct.pack("<I", len(stream) + 2)
    offsets = read_reply(0x3001, 8, bytes(16))

    # velmo's core: the phase byte, then blocks of delay, length, bytes.
    for phase, name, blocks in [
        (0, "searching", [serial]),
        (1, "manual_answer", [serial, battery]),
        (2, "polling", [battery, serial, table_reply[:200], table_reply[200:]]),
        (3, "connected", [battery, read_reply(0x1001, 3, bytes(6))]),
        (4, "task_read", [read_reply(0x1001, 8, bytes(16)), read_reply(0x1010, 4, b"TIDE" + b"\xff" * 4)]),
        (5, "task_write", [write_ack(0x1001, 1), write_ack(0x1003, 60)]),
        (6, "downloading", [head + stream[:30], stream[30:] + b"\x12\x34"]),
        (7, "settings", [offsets, read_reply(0x3010, 4, bytes(8))]),
        (8, "calibration", [read_reply(0xF001, 4, bytes(8)), write_ack(0xFEFE, 0x5C)]),
        (9, "coefficient_read", [read_reply(0x3001, 16, bytes(32))] * 3),
        (10, "block_read", [read_reply(0x3001, 100, bytes(200))] * 2),
        (11, "coefficient_write", [write_ack(0x3001, 0)] * 4),
    ]:
        write("fuzz_velmo_link", name, bytes([phase]) + b"".join(block(b) for b in blocks))

    # The dispatcher: flags, then length and bytes (flag 64 adds the last request).
    write("fuzz_receive_dispatcher", "replies",
          b"".join(bytes([16]) + struct.pack(">H", len(b)) + b for b in (serial, battery, offsets)))
    write("fuzz_receive_dispatcher", "download", bytes([16 | 2]) + struct.pack(">H", len(head + stream)) + head + stream)
    write("fuzz_receive_dispatcher", "file_list",
          bytes([16]) + struct.pack(">H", 300) + table_reply[:300] + bytes([16 | 8]) +
          struct.pack(">H", len(table_reply) - 300) + table_reply[300:])

    write("fuzz_file_table", "whole", bytes([0]) + struct.pack(">H", len(table_reply)) + table_reply)
    write("fuzz_file_table", "split", bytes([0]) + struct.pack(">H", 400) + table_reply[:400] + bytes([1]) +
          struct.pack(">H", len(table_reply) - 400) + table_reply[400:])

    write("fuzz_data_file", "four_records", data_file(records(4) + b"\x12\x34"))
    write("fuzz_data_file", "slipped_bytes", data_file(records(2) + b"\x00\x07" + records(3, 2) + b"\x12\x34"))
    write("fuzz_data_file", "header_only", data_file(b""))

    saved = struct.pack("<iiii", 10, 20, 600, 800) + b"\x00" + bytes([5]) + b"1.025" + bytes(45)
    write("fuzz_saved_state", "short", saved)
    write("fuzz_saved_state", "empty", b"")

    write("fuzz_ini_language", "utf8", "[MAIN]\r\nCaption=水位计\r\n[GRID]\r\ngridst1=序号\r\ngridst2=时间\r\n")
    write("fuzz_ini_language", "gbk", "[MAIN]\r\nCaption=水位计\r\n; note\r\n[GRID]\r\ngridst3=温度\r\n".encode("gbk"))
    write("fuzz_ini_language", "preamble", "top=1\n[ a ]\nk = v \n[A]\nK=2\n")

    block601 = bytearray(601)
    block601[0] = 1
    block601[1:3] = struct.pack(">H", 100)
    write("fuzz_parameter_block", "whole", bytes(block601))
    write("fuzz_parameter_block", "short", bytes(block601[:100]))

    record = ["20260105080000", "0210012345", "QL310", "", "", "", "", "",
              "_ 压力部分 _", "1,0,100,101,100,101,100.5,0.1,0.1,0.01,21.5",
              "2,100000,200,201,200,201,200.5,100.1,100.1,0.01,21.5", "_ 温度部分 _",
              "1,0.5,3000,3001,0.5,0.5,0,08:00:00", "2,25,4000,4001,25,25,0,08:10:00"]
    write("fuzz_record_file", "sections", "\r\n".join(record) + "\r\n")
    write("fuzz_record_file", "gbk_no_sections", ("\r\n".join(r for r in record if not r.startswith("_")) + "\r\n").encode("gbk"))

    write("fuzz_update_info", "two_files",
          "softversion= V2.0.1.20\rnewfile00 = velmo.bin\rsha25600 = " + "ab" * 32 + "\rnewfile01 = lang.ini\r")
    write("fuzz_update_info", "traversal", "softversion=V9\rnewfile00=../x\rnewfile01 = a/b.ini\r")

    write("fuzz_barometric", "csv", "\x00time,kPa\n2026-03-01 00:00:00,101.32\n2026-03-01T00:15:00,101.30\r\n\n")
    write("fuzz_barometric", "records", b"\x01" + records(5))

    write("fuzz_download_record", "record",
          '{"serial": "210012345", "slot": 2, "entry": "' + file_entry().hex() + '", "announced_size": 1602, '
          '"stored_size": 1602, "stray_bytes_removed": 0, "crc": "match", "sha256": "' + "0" * 64 +
          '", "pc_time": "2026-01-05T06:00:00", "logger_clock": ""}')

    # serulo: the last byte picks the reader (FuzzedDataProvider reads numbers from the end).
    write("fuzz_assistant", "hex", "01 03 0g 2 ab\x00")
    write("fuzz_assistant", "read_out", bytes(range(40)) + b"\x00" * 20 + b"\x01")
    text = "接收 hello".encode("utf-8")
    write("fuzz_assistant", "companion", struct.pack("<i", len(text)) + text + b"pad\x02")

    write("fuzz_cli_options", "download", b"\x02--port\x00/dev/ttyUSB0\x00--baud\x009600\x00--timeout\x000.5")
    write("fuzz_cli_options", "calibration", b"\x09--table\x00temperature\x00--order\x003\x00--json")


if __name__ == "__main__":
    main()
