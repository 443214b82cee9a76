#!/usr/bin/env python3
"""What Python's codecs say about single-byte code pages, as the expectation of
the code-page tests: for every codec named on the command line

    decode CODEC XX CCCC    byte XX is the character U+CCCC ("-": none)
    encode CODEC CCCC XX    the character U+CCCC is byte XX ("-": none)

for the bytes 01 to FF and for every character that one of the codecs gives
a byte (so each codec is asked for the others' letters too)."""
import sys

codecs = sys.argv[1:]
decoded = {}
for codec in codecs:
    for b in range(1, 256):
        try:
            text = bytes([b]).decode(codec)
        except UnicodeDecodeError:
            text = ""
        decoded[(codec, b)] = ord(text) if len(text) == 1 else None
characters = sorted({c for c in decoded.values() if c is not None})
for codec in codecs:
    for b in range(1, 256):
        c = decoded[(codec, b)]
        print("decode %s %02X %s" % (codec, b, "-" if c is None else "%04X" % c))
    for c in characters:
        try:
            encoded = chr(c).encode(codec)
        except UnicodeEncodeError:
            encoded = b""
        print("encode %s %04X %s" % (codec, c, "%02X" % encoded[0] if len(encoded) == 1 else "-"))
