#!/usr/bin/env python3
"""Writes the seed inputs of the fuzz targets: small generated samples of every
format, pieces of the real published lists when a folder of them is given, and
small Windows executables found on this machine.

usage: make_seeds.py OUT_FOLDER [REAL_DATA_FOLDER]
One folder per target is (re)written under OUT_FOLDER.
"""
import glob
import gzip
import os
import shutil
import struct
import sys
import zipfile
import zlib
import io

PIECE = 4096


def crlf(lines):
    return "".join(line + "\r\n" for line in lines).encode("latin-1")


def pieces(path, count=3):
    """The first, a middle and the last piece of a file, each cut at line ends."""
    data = open(path, "rb").read()
    if len(data) <= PIECE:
        return [data]
    starts = [0, len(data) // 2, max(0, len(data) - PIECE)][:count]
    out = []
    for start in starts:
        if start:
            start = data.find(b"\n", start) + 1 or start
        out.append(data[start:start + PIECE])
    return out


def node_lists():
    yield crlf(["VERSION,2025-11-30 12:00:00 UTC", "GB7DJK,gb7djk.dxcluster.net:7300", "VE7CC,DXC.VE7CC.NET:23"])
    yield crlf(["ABC>link,addr|extra", "ABC,dup", "K7AR,K7AR.NET,7300", ",noname", "http://bad,x", "nocomma", ""])
    yield b"TWO>l1>l2,a|x|y\rlone CR\nLF,only\nLAST,no end"
    yield crlf(["LONG," + "x" * 300 + "TAIL,t", "EDGE," + "c" * 253])
    yield crlf(["A|x,b", "B,b>c", "C||,d", "VERSION>a,7", "LOCAL,127.0.0.1:7300"])


def call_lists():
    yield crlf(["#", "# Release 2026.01.01.00", "#", "1N5N", "2E0BPP", "2E0MGP/P", "4L/RC5A", "K1ABC/QRP", "dl1abc"])
    yield crlf(["1 K1ABC x", "2  W1AW/M", "single", "3 G4ABC/MM extra", "4 " + "A1" * 40])
    yield crlf(["2E\xd8FVL", "163 LR 009", "2E0FOA ", "DL/SQ7AEC\t", "K1A/P", "K1//P", "QRA1", "AB12", "A" * 70])
    yield crlf(["AB5EO_6", "BW2-5001", "2E0CVN/70", "SWLR-AN\xd8\xd89", "W1AW.", "N1ABC,,"])


def member_lists():
    yield crlf(["List of AG members as of 20-Oct-2019 17:00 UTC", "108FB010", "1b/n9ygf", "2a0VNW", "DG3PJ,p"])
    yield b"!!Order!!,Call,Name,Exch1,UserText,\n# CWOPS\n2E0OBO,Bob,2381,Edingthorpe\nAD5A/VP5,Mike,1415,\n"
    yield b"4O3A,Ranko,172\r4X0A,Jan,587\rN6TR,\"\"\"Tree\"\"\",83\rN9RD,J\x9frgen,582"
    yield b"CWOPS\nThe CW Operators' Club\nN3JT;1;2009-12-30;-\n1A0C,2020-07-26,16:13:32\n"
    yield crlf(["K" + "1" * 300, "W1AW/P", "w1aw", " W2AW", "\"K3ABC\""])


def calendars():
    event = '{"start":"%s","end":"%s","text":"%s","info":"https://example.org/%d"}'
    yield ("[" + ",\n".join(event % ("2026-%02d-01" % m, "2026-%02d-15" % m, "DX%d/P expedition" % m, m)
                            for m in range(1, 13)) + "]\n").encode()
    yield b'\xef\xbb\xbf[{"s":"2026/1/5 10:00","e":"2026 1 9","t":"Caf\\u00e9 \\ud83d\\ude00 line\\nbreak"}]'
    yield b'[1,"x",null,{},{"a":"1","b":"2"},{"a":1,"b":"2","c":"3"},{"a":"2026-13-01","b":"2026-01-01","c":"m"}]'
    yield b'[{"a":"2026-1-1","b":"2026-1-2","c":"same"},{"a":"2026-1-1","b":"2026-1-3","c":"same"}]'
    yield b'[{"a":"1-1-1","a":"2-2-2","c":"repeat"}]'
    yield b'[{"a":"99999999999-1-1","b":"+7-12-31","c":"big","d":[1.5e10,-0,true,false,{"x":[[[]]]}]}]'
    yield b"[" * 40 + b"]" * 40
    yield b"<html><body>Not found</body></html>"
    yield b"[]"


def zip_bytes(members, **options):
    buffer = io.BytesIO()
    with zipfile.ZipFile(buffer, "w", **options) as archive:
        for info, data in members:
            archive.writestr(info, data)
    return buffer.getvalue()


def member(name, system=3, read_only=False, method=zipfile.ZIP_DEFLATED, extra=b""):
    info = zipfile.ZipInfo(name, date_time=(2026, 1, 2, 3, 4, 6))
    info.compress_type = method
    info.create_system = system
    if system == 0:
        info.external_attr = 0x01 if read_only else 0x20
    else:
        info.external_attr = (0o444 if read_only else 0o644) << 16
    info.extra = extra
    return info


def zips():
    text = b"KESTRL country data\r\n" * 40
    stamp = struct.pack("<HHBI", 0x5455, 5, 1, 1767323045)
    yield zip_bytes([(member("KESTRL.CTY"), text)])
    yield zip_bytes([(member("readme.txt", method=zipfile.ZIP_STORED), b"hello"), (member("KESTRL.CTY", extra=stamp), text)])
    yield zip_bytes([(member("C:\\data\\..\\KESTRL.CTY", system=0, read_only=True), text)])
    yield zip_bytes([(member("/sub/../KESTRL.CTY", method=zipfile.ZIP_STORED), b"")])
    yield zip_bytes([(member("KESTRL.CTY"), b"\0" * 8000)], allowZip64=True)
    buffer = io.BytesIO()
    with zipfile.ZipFile(buffer, "w") as archive:
        with archive.open(member("KESTRL.CTY"), "w", force_zip64=True) as out:
            out.write(text)
        archive.comment = b"archive comment"
    yield buffer.getvalue()


def downloads():
    # The first byte picks the check (0 page, 1 XML, 2 and 3 lists, 4 nodes, 5 calendar, 11 zip).
    page = b"\xef\xbb\xbf<?xml version=\"1.0\"?><!-- x --><!DOCTYPE html><html><body>Sign in</body></html>"
    utf16 = b"\xff\xfe" + "<head><title>Error</title></head>".encode("utf-16-le")
    return [b"\0" + page, b"\0" + utf16, b"\1<?xml version=\"1.0\"?>\r\n<iota><island/></iota>",
            b"\2" + crlf(["1 K1ABC", "2 W1AW/P", "<p>x</p>"]), b"\3" + crlf(["Call,Name", "K1ABC,Joe"]),
            b"\4" + crlf(["K1TTT,dxc.example:7373", "VERSION,1"]),
            b"\5[{\"start\":\"2026-01-05\",\"end\":\"2026-01-19\",\"text\":\"T\"}]",
            b"\13" + zip_bytes([(member("kestrl.cty"), b"K1ABC\r\n")])]


def bodies():
    # The first byte sets the chunk size; the rest is read as a body of each encoding.
    text = crlf(["K1TTT,dxc.example:7373", "W1AW,dxc.example:23"])
    raw = zlib.compressobj(6, zlib.DEFLATED, -15)
    for step, body in [(0, gzip.compress(text)), (3, zlib.compress(text)), (63, raw.compress(text) + raw.flush()),
                       (7, gzip.compress(text) + gzip.compress(b"more")), (1, gzip.compress(text)[:-4]), (5, text)]:
        yield bytes([step]) + body


def selections():
    def record(version=b"9.6", sel=None, tag=b"KSTLUPD"):
        sel = sel if sel is not None else bytes([1, 0, 1, 0, 1, 1] + [0] * 15 + [ord("E"), ord("L"), 0, 0, 0, 1])
        ini = bytes(27)
        return (tag.ljust(8, b"\0") + version.ljust(8, b"\0") + b"INI\0" + ini + b"SEL\0" + sel + b"UPD\0" + bytes(27))
    yield record()
    yield record(version=b"9")
    yield record(version=b"8.1")
    yield record(sel=bytes(range(200, 227)))
    yield record(tag=b"KSTLUPX")
    yield record()[:100]


def http_dates():
    for text in ["Sun, 06 Nov 1994 08:49:37 GMT", "Sunday, 06-Nov-94 08:49:37 GMT", "Sun Nov  6 08:49:37 1994",
                 "Fri, 31 Dec 9999 23:59:59 GMT", "Thu, 01 Jan 1970 00:00:00 GMT", "Mon, 32 Foo 2026 25:61:61 GMT",
                 "Tue, 29 Feb 2028 12:00:00 GMT", "-1, -1 Jan -2147483649 99999999999:0:0", ""]:
        yield text.encode()


def real_pe_files():
    found = sorted(glob.glob("/usr/lib/x86_64-linux-gnu/wine/*-windows/*.dll"))
    for path in [path for path in found if os.path.getsize(path) <= 16384][:4]:
        yield open(path, "rb").read()


def main():
    out = sys.argv[1]
    real = sys.argv[2] if len(sys.argv) > 2 else ""
    generated = {
        "node_list_fuzz": node_lists(),
        "master_calls_fuzz": call_lists(),
        "member_list_fuzz": member_lists(),
        "calendar_fuzz": calendars(),
        "zip_member_fuzz": zips(),
        "selections_fuzz": selections(),
        "http_date_fuzz": http_dates(),
        "download_check_fuzz": downloads(),
        "body_decoder_fuzz": bodies(),
        "pe_version_fuzz": real_pe_files(),
    }
    real_files = {
        "node_list_fuzz": ["dxcluster-nodes.*"],
        "master_calls_fuzz": ["MASTER.SCP.*", "clublog.scp.*", "lotw1.*"],
        "member_list_fuzz": ["AGMemberList.*", "cwops-*", "lotw-user-activity.*", "lotw1.*"],
    }
    counts = {}
    for target, samples in generated.items():
        folder = os.path.join(out, target)
        shutil.rmtree(folder, ignore_errors=True)
        os.makedirs(folder)
        seeds = list(samples)
        if real and os.path.isdir(real):
            for pattern in real_files.get(target, []):
                for path in sorted(glob.glob(os.path.join(real, pattern))):
                    seeds.extend(pieces(path))
        for number, data in enumerate(seeds):
            with open(os.path.join(folder, "seed-%02d" % number), "wb") as f:
                f.write(data)
        counts[target] = len(seeds)
    print("seeds: " + ", ".join("%s %d" % item for item in counts.items()))


if __name__ == "__main__":
    main()
