#!/usr/bin/env python3
"""Writes the seed corpora of the fuzz targets into fuzz/seeds/<target>/.

Deterministic; the files it writes are committed. Run it again after
changing it: fuzz/seeds/make_seeds.py
"""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))


def write(target, name, data):
    folder = os.path.join(HERE, target)
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data)


# cut_list_fuzzer: one byte for the format (0 cue, 1 labels, 2 csv; +3 per
# frame length), two for the frame count, then the file.
def cut_list(name, fmt, frames, text):
    write("cut_list", name, bytes([fmt]) + struct.pack("<H", frames) + text)


CUE = (
    'PERFORMER "Album Artist"\nTITLE "Album \\\\ One"\nFILE "mix.mp3" MP3\n'
    '  TRACK 01 AUDIO\n    TITLE "Caf\xc3\xa9 \\"live\\""\n    PERFORMER "A"\n'
    "    INDEX 01 00:00:00\n"
    '  TRACK 02 AUDIO\n    TITLE "back\\\\"\n    INDEX 00 00:09:00\n    INDEX 01 00:10:37\n'
    "  TRACK 03 AUDIO\n    PREGAP 00:01:00\n    INDEX 01 00:30:00\n"
).encode()
cut_list("cue_utf8.bin", 0, 3000, CUE)
cut_list("cue_bom_crlf.bin", 3, 3000, b"\xef\xbb\xbf" + CUE.replace(b"\n", b"\r\n"))
cut_list("cue_utf16le.bin", 6, 3000, b"\xff\xfe" + CUE.decode().encode("utf-16-le"))
cut_list("cue_cp1252.bin", 9, 900, CUE.replace("\xc3\xa9".encode(), b"\xe9\x96"))
LABELS = b"0.000000\t10.500000\tIntro\n10.5\t10.5\tPoint\n\\\t100.0\t2000.0\n" \
         b"30\t45.25\tCaf\xc3\xa9 \\ end\\\n70.000000\t80.000000\tpast the end\n"
cut_list("labels.bin", 1, 3000, LABELS)
cut_list("labels_utf16be.bin", 4, 3000, b"\xfe\xff" + LABELS.decode().encode("utf-16-be"))
CSV = b'start,end,label\n0,10.5,"Intro, with comma"\n10.5,,\n30,45.25,"say ""hi"""\n' \
      b'50,60,"two\nlines"\n'
cut_list("csv.bin", 2, 3000, CSV)
cut_list("csv_short_file.bin", 5 + 128, 3, CSV)


# source_tag_fuzzer and open_index_fuzzer: ID3v2 tags.
def syncsafe(n):
    return bytes([(n >> 21) & 0x7F, (n >> 14) & 0x7F, (n >> 7) & 0x7F, n & 0x7F])


def frame(fid, body, version):
    size = syncsafe(len(body)) if version == 4 else struct.pack(">I", len(body))
    return fid.encode() + size + b"\x00\x00" + body


def text(fid, s, version, enc=3):
    if enc == 3:
        data = s.encode("utf-8")
    elif enc == 1:
        data = b"\xff\xfe" + s.encode("utf-16-le")
    else:
        data = s.encode("latin-1", "replace")
    return frame(fid, bytes([enc]) + data, version)


def comment(desc, s, version, enc):
    if enc == 1:
        strings = b"\xff\xfe" + desc.encode("utf-16-le") + b"\x00\x00" + b"\xff\xfe" + \
            s.encode("utf-16-le")
    else:
        strings = desc.encode("utf-8") + b"\x00" + s.encode("utf-8")
    return frame("COMM", bytes([enc]) + b"eng" + strings, version)


def tag(frames, version, padding=16):
    body = b"".join(frames) + b"\x00" * padding
    return b"ID3" + bytes([version, 0, 0]) + syncsafe(len(body)) + body


PNG = bytes.fromhex("89504e470d0a1a0a0000000d4948445200000001000000010806000000"
                    "1f15c4890000000d49444154789c6360000002000154a24f5d0000000049454e44ae426082")


def chapter(cid, start, end, title, version):
    sub = text("TIT2", title, version)
    body = cid.encode() + b"\x00" + struct.pack(">IIII", start, end, 0xFFFFFFFF, 0xFFFFFFFF)
    return frame("CHAP", body + sub, version)


for v in (3, 4):
    enc = 3 if v == 4 else 1
    frames = [text("TIT2", "Ünïcødé — 日本語", v, enc), text("TPE1", "Artist", v, 0),
              text("TALB", "Album", v, enc), text("TRCK", "3/12", v, 0),
              text("TDRC" if v == 4 else "TYER", "2024", v, 0), text("TCON", "(17)Rock", v, 0),
              comment("c", "comment", v, enc),
              frame("APIC", bytes([0]) + b"image/png\x00" + b"\x03" + b"cover\x00" + PNG, v),
              chapter("ch0", 0, 1000, "First", v), chapter("ch1", 1000, 2000, "Second", v),
              frame("TLEN", b"\x002000", v)]
    write("source_tag", "v2%d_full.bin" % v, tag(frames, v))
write("source_tag", "v24_bad_encoding.bin", tag([frame("TIT2", b"\x23title", 4)], 4))
write("source_tag", "v23_plain.bin", tag([text("TIT2", "plain", 3, 0)], 3, 0))
write("source_tag", "v22.bin", b"ID3\x02\x00\x00" + syncsafe(11) + b"TT2\x00\x00\x05\x00abcd")

# peak_cache_fuzzer: an even first byte puts the right header in front; the
# peaks of mono.mp3's frames (top >= bottom), and a file of the wrong length.
peaks = b"".join(struct.pack("<hhhh", 1000 + i, -1000 - i, 0, 0) for i in range(80))
write("peak_cache", "header_and_peaks.bin", b"\x00" + peaks)
write("peak_cache", "short.bin", b"\x00" + peaks[:100])
write("peak_cache", "no_header.bin", b"\x01TSVPEAK1" + b"\x00" * 32)

# time_text_fuzzer: texts for the parsers; eight bytes of a double for the
# formatters.
for i, t in enumerate(["1:02:03.250", "59:59", "0:00", "999:59:59", "12.5", ".5", "125:03",
                       "1:00:00", "00:59.999"]):
    write("time_text", "text%d.bin" % i, t.encode())
for i, x in enumerate([0.0, 0.0005, 59.9995, 3599.9995, 1e61, 1e300, -1.0, 86400.5]):
    write("time_text", "number%d.bin" % i, struct.pack("<d", x))
