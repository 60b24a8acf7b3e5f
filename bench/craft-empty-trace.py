#!/usr/bin/python3
"""Writes a trace file of blocks of empty frames (data length 0): the smallest bytes that
inflate to the largest frame lists, for measuring what listing such a file costs in memory.

Run: /usr/bin/python3 bench/craft-empty-trace.py --blocks 3 --frames 4000000 --out x.tns
"""
import argparse
import struct
import zlib

SIGNATURE = bytes([0x1A, 0x70, 0x9D, 0xE5, 0xA9, 0xE4, 0x05, 0x10])
FREQUENCY = 1_000_000
CHUNK = 100_000  # frames serialised and compressed at a time


def compressed_batch(first, count):
    """The zlib stream of one serialised batch of count empty frames, and its inflated size."""
    packer = zlib.compressobj(9)
    parts = [packer.compress(struct.pack("<IIII", 1, FREQUENCY & 0xFFFFFFFF, FREQUENCY >> 32, count))]
    # Identical records (schema, capture time, stamp low, frame number, stamp high, captured
    # length, link code, total length, data length) compress best; nothing reads their numbers.
    record = struct.pack("<IIIIIIIII", 1, 1_700_000_000, 0, first, 0, 0, 4, 0, 0)
    for start in range(0, count, CHUNK):
        parts.append(packer.compress(record * min(CHUNK, count - start)))
    parts.append(packer.flush())
    return b"".join(parts), 16 + 36 * count


def main():
    ap = argparse.ArgumentParser(description=__doc__)
    ap.add_argument("--blocks", type=int, default=1)
    ap.add_argument("--frames", type=int, default=7_000_000, help="frames per block")
    ap.add_argument("--out", required=True)
    args = ap.parse_args()
    with open(args.out, "wb") as f:
        f.write(bytes(24))
        offset = 24
        for b in range(args.blocks):
            first = b * args.frames
            last = first + args.frames - 1
            stream, inflated = compressed_batch(first, args.frames)
            c = len(stream)
            following = offset + 32 + c
            f.write(struct.pack("<IIIII", first, last, following, c, inflated))
            f.write(stream)
            f.write(struct.pack("<III", first, last, offset))
            offset = following
        f.seek(0)
        f.write(struct.pack("<HH8sIII", 0, 1, SIGNATURE, args.blocks, offset, args.blocks * args.frames))


if __name__ == "__main__":
    main()
