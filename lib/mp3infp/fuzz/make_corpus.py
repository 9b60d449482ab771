#!/usr/bin/env python3
"""Writes the fuzz target's seed corpus into corpus/: one small hand-built file of each kind the
tag library reads (MPEG frames bare and tagged with ID3v1, ID3v2.2/2.3/2.4 and APE, RIFF 'RMP3',
WAV files with INFO lists, an 'id3 ' chunk or RF64 sizes), and two inputs of the target's frame
mode (first byte >= 0x80: ID3v2 frames the target wraps in a tag, 0x40 adding a compressed one).
Run it again after changing it; the files are kept in the tree."""
import os
import struct

HERE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "corpus")

# An MPEG-1 layer III frame of 128 kbit/s at 44.1 kHz: 417 bytes, silent.
FRAME = b"\xff\xfb\x90\x64" + bytes(413)
FRAMES = FRAME * 3
JPEG = bytes.fromhex("ffd8ffc0000b080001000101011100ffd9")


def syncsafe(n):
    return bytes((n >> s) & 0x7F for s in (21, 14, 7, 0))


def frame(major, fid, body):
    if major == 2:
        return fid + struct.pack(">I", len(body))[1:] + body
    size = syncsafe(len(body)) if major == 4 else struct.pack(">I", len(body))
    return fid + size + b"\0\0" + body


def id3v2(major, frames, padding=16):
    body = b"".join(frame(major, f, b) for f, b in frames) + bytes(padding)
    return b"ID3" + bytes([major, 0, 0]) + syncsafe(len(body)) + body


def id3v1(title, track=None, genre=17):
    tag = b"TAG" + title.ljust(30, b"\0") + b"artist".ljust(30, b"\0") + bytes(30) + b"2024"
    comment = b"comment".ljust(30, b"\0")
    if track is not None:
        comment = comment[:28] + b"\0" + bytes([track])
    return tag + comment + bytes([genre])


def chunk(cid, body):
    return cid + struct.pack("<I", len(body)) + body + (b"\0" if len(body) % 2 else b"")


def info(items):
    return chunk(b"LIST", b"INFO" + b"".join(chunk(i, v + b"\0") for i, v in items))


def riff(form, chunks, magic=b"RIFF", size=None):
    body = form + b"".join(chunks)
    return magic + struct.pack("<I", len(body) if size is None else size) + body


FMT = chunk(b"fmt ", struct.pack("<HHIIHH", 1, 1, 8000, 16000, 2, 16))
PCM = chunk(b"data", bytes(800))
TITLE_CP932 = "夜明け".encode("cp932")

FILES = {
    "frames.mp3": FRAMES,
    "id3v23_v11.mp3": id3v2(3, [(b"TIT2", b"\0title"),
                                (b"TPE1", b"\1" + "歌手".encode("utf-16")),
                                (b"COMM", b"\0jpn\0comment"),
                                (b"TXXX", b"\0REPLAYGAIN_TRACK_GAIN\0-6.52 dB")])
                      + FRAMES + id3v1(b"title", track=3),
    "id3v24_cover.mp3": id3v2(4, [(b"TIT2", b"\3" + "夜明け".encode()), (b"TDRC", b"\0002024-05-01"),
                                  (b"APIC", b"\0image/jpeg\0\3\0" + JPEG)]) + FRAMES,
    "id3v22.mp3": id3v2(2, [(b"TT2", b"\0title"), (b"TP1", b"\0artist"), (b"TCO", b"\0(17)")])
                  + FRAMES,
    "ape_v1.mp3": FRAMES + b"APETAGEX" + struct.pack("<IIII", 2000, 32, 0, 0) + bytes(8)
                  + id3v1(b"ape"),
    "rmp3.mp3": riff(b"RMP3", [chunk(b"data", FRAMES + id3v1(b"v1")),
                               info([(b"INAM", TITLE_CP932), (b"IART", b"artist")])]),
    "info.wav": riff(b"WAVE", [FMT, PCM, info([(b"INAM", TITLE_CP932), (b"ITRK", b"3/12"),
                                               (b"IPRT", b"3")])]),
    "id3chunk.wav": riff(b"WAVE", [FMT, PCM, info([(b"INAM", b"title")]),
                                   chunk(b"id3 ", id3v2(3, [(b"TIT2", b"\0title")]))]),
    # RF64: the sizes stand in 'ds64' (RIFF body, data, sample frames), the header's are -1.
    "rf64.wav": riff(b"WAVE", [chunk(b"ds64", struct.pack("<QQQI", 4 + 36 + 24 + 808, 800, 400, 0)),
                               FMT, PCM[:4] + b"\xff\xff\xff\xff" + PCM[8:]],
                     magic=b"RF64", size=0xFFFFFFFF),
    # Frame mode: version 3, no flags, TIT2 and COMM frames.
    "frames_v23.bin": b"\x80\x01\x00\x00" + frame(3, b"TIT2", b"\0title")
                      + frame(3, b"COMM", b"\0jpn\0text"),
    # Frame mode with a compressed TIT2 made from the last 4 * 2 bytes.
    "frames_zlib.bin": b"\xc0\x01\x00\x02" + frame(3, b"TPE1", b"\0artist") + b"\0tit2txt",
}

if __name__ == "__main__":
    os.makedirs(HERE, exist_ok=True)
    for name, data in FILES.items():
        with open(os.path.join(HERE, name), "wb") as f:
            f.write(data)
