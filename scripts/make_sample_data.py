#!/usr/bin/env python3
"""Makes a sample logging-program folder and a sample mirror of every data source.

The mirror holds one folder per web host (as the program's catalogue names them),
each with the files at their remote paths, so a web server can serve it by host name.
Everything is generated: callsign lists of realistic shape, node lists, a JSON
calendar, and the award and country archives made with the `zip` command.

usage: make_sample_data.py OUT_DIR [--calls N] [--seed S]
  OUT_DIR/kestrl   the logging program's folder (SAVE, IMPORT, kestrl.exe, files)
  OUT_DIR/mirror   the web servers' trees
"""
import argparse
import json
import os
import random
import struct
import subprocess
import sys
import tempfile

HOST_UPDATER = "updates.kstlupd.example"
HOST_COUNTRY = "www.country-files.com"
HOST_IOTA = "www.iota-world.org"
HOST_NODES = "nodes.dxcluster.example"
HOST_CLUBLOG = "cdn.clublog.org"
HOST_SCP = "www.supercheckpartial.com"
HOST_EQSL = "www.eqsl.cc"
HOST_LOTW = "lotw.arrl.org"
HOST_CLUBS = "lists.clubs.example"
HOST_CALENDAR = "www.425dxn.org"

PREFIXES = ["K", "W", "N", "AA", "AB", "AC", "AD", "AE", "AF", "AG", "AI", "AJ", "AK", "KA", "KB", "KC",
            "KD", "KE", "KF", "KG", "KI", "KJ", "KK", "WA", "WB", "WD", "G", "M", "2E", "DL", "DK", "DJ",
            "F", "I", "IK", "IZ", "EA", "EB", "JA", "JH", "JR", "VK", "ZL", "VE", "VA", "PY", "LU", "OH",
            "SM", "OZ", "LA", "ON", "PA", "OK", "OM", "SP", "HA", "YO", "LZ", "UA", "RA", "RZ", "UR", "ES",
            "YL", "LY", "S5", "9A", "E7", "4X", "ZS", "VU", "BV", "HL", "DS", "YB", "HS", "9M", "VR"]
SUFFIXES = ["/P", "/M", "/QRP", "/MM", "/AM", "/7", "/3", "/R"]


def callsign(rng):
    prefix = rng.choice(PREFIXES)
    digit = str(rng.randint(0, 9)) if not prefix[-1].isdigit() else ""
    letters = "".join(rng.choice("ABCDEFGHIJKLMNOPQRSTUVWXYZ") for _ in range(rng.choice([1, 2, 2, 3, 3, 3])))
    return prefix + digit + letters


def call_pool(rng, n):
    pool = set()
    while len(pool) < n:
        pool.add(callsign(rng))
    return sorted(pool)


def write(path, data, mtime=None):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    mode = "wb" if isinstance(data, bytes) else "w"
    kwargs = {} if isinstance(data, bytes) else {"newline": ""}
    with open(path, mode, **kwargs) as f:
        f.write(data)
    if mtime is not None:
        os.utime(path, (mtime, mtime))


def crlf(lines):
    return "".join(line + "\r\n" for line in lines)


def zip_files(archive, files):
    """An archive made by Info-ZIP's zip from (name, content) pairs."""
    with tempfile.TemporaryDirectory() as tmp:
        for name, content in files:
            write(os.path.join(tmp, name), content)
        if os.path.exists(archive):
            os.remove(archive)
        os.makedirs(os.path.dirname(archive), exist_ok=True)
        subprocess.run(["zip", "-q", "-X", os.path.abspath(archive)] + [n for n, _ in files], cwd=tmp, check=True)


def pe_with_version(major, minor, build, revision):
    """A minimal Windows executable image with a version resource."""
    image = bytearray(0x400)
    image[0:2] = b"MZ"
    struct.pack_into("<I", image, 0x3C, 0x40)
    image[0x40:0x44] = b"PE\0\0"
    coff, optional = 0x44, 0x44 + 20
    struct.pack_into("<HH", image, coff, 0x14C, 1)
    struct.pack_into("<H", image, coff + 16, 224)
    struct.pack_into("<H", image, optional, 0x10B)
    dirs = optional + 96
    struct.pack_into("<I", image, dirs - 4, 16)
    struct.pack_into("<II", image, dirs + 16, 0x1000, 0x58 + 92)
    sections = optional + 224
    image[sections:sections + 5] = b".rsrc"
    struct.pack_into("<IIII", image, sections + 8, 0x58 + 92, 0x1000, 0x200, 0x200)
    r = 0x200
    for level, (ident, target) in enumerate([(16, 0x80000018), (1, 0x80000030), (0x409, 0x48)]):
        base = r + level * 0x18
        struct.pack_into("<HII", image, base + 14, 1, ident, target)
    struct.pack_into("<II", image, r + 0x48, 0x1000 + 0x58, 92)
    v = r + 0x58
    struct.pack_into("<HHH", image, v, 92, 52, 0)
    key = "VS_VERSION_INFO\0".encode("utf-16-le")
    image[v + 6:v + 6 + len(key)] = key
    struct.pack_into("<IIII", image, v + 40, 0xFEEF04BD, 0x00010000, major << 16 | minor, build << 16 | revision)
    return bytes(image)


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("out")
    parser.add_argument("--calls", type=int, default=20000, help="callsigns in the largest list")
    parser.add_argument("--seed", type=int, default=73)
    args = parser.parse_args()
    rng = random.Random(args.seed)
    out = os.path.abspath(args.out)
    kestrl = os.path.join(out, "kestrl")
    mirror = os.path.join(out, "mirror")
    server_time = 1764000000  # 24-Nov-2025: the servers' files are of this date

    def serve(host, path, data):
        write(os.path.join(mirror, host, path), data, server_time)

    # The logging program's folder.
    for d in ("SAVE", "IMPORT"):
        os.makedirs(os.path.join(kestrl, d), exist_ok=True)
    write(os.path.join(kestrl, "kestrl.exe"), pe_with_version(8, 5, 0, 39))
    write(os.path.join(kestrl, "SAVE", "KESTRL.TCP"), crlf([
        "K1TTT,dxc.k1ttt.example:7373",
        "MYLOCAL1,192.168.1.20:7300",
        "LOCAL,127.0.0.1:7300",
        "VERSION,2025-01-01",
    ]))
    write(os.path.join(kestrl, "member.txt"), crlf(["# my club", "K1ABC,Joe", "W1AW", "G3XYZ,Ann"]))

    # Awards and country files (archives made with zip).
    awd = os.path.join(mirror, HOST_UPDATER, "kestrl/awards/download/kestrl_awd.zip")
    zip_files(awd, [("kestrl.awd", crlf(["AWARD,Worked All Sample Islands", "WASI-%03d" % 1]))])
    os.utime(awd, (server_time, server_time))
    cty = os.path.join(mirror, HOST_COUNTRY, "kestrl/download/kestrl_cty.zip")
    zip_files(cty, [("kestrl.cty", crlf(["Sample Country:  14:  04:  NA:  40.00:  75.00:  5.0:  K:",
                                         "    K,N,W,AA,AB,AC,AD,AE,AF,AG,AI,AJ,AK;"])),
                    ("adif.pmp", crlf(["K 291", "G 223", "DL 230"]))])
    os.utime(cty, (server_time, server_time))

    serve(HOST_UPDATER, "kestrl/updater/download/kstlupd.exe", pe_with_version(9, 6, 0, 0))
    serve(HOST_IOTA, "xml/fulllist.xml", '<?xml version="1.0"?>\r\n<iota><island ref="EU-005" name="Great Britain"/></iota>\r\n')
    serve(HOST_UPDATER, "kestrl/WPX/KESTRL.WPX", crlf(["%s %d" % (callsign(rng), rng.randint(300, 3000)) for _ in range(500)]))

    # DX cluster nodes: a few hundred nodes.
    nodes = []
    for i in range(300):
        call = callsign(rng) + ("-%d" % rng.randint(1, 15) if rng.random() < 0.5 else "")
        nodes.append("%s,%s.example.net:%d" % (call, call.lower().replace("-", ""), rng.choice([23, 7300, 7373, 8000])))
    nodes += ["RBN,telnet.reversebeacon.example:7000", "VERSION,2025-11-20"]
    serve(HOST_NODES, "telnet/KESTRL.TCP", crlf(nodes))
    serve(HOST_NODES, "telnet/KESTRL.KCP", crlf(nodes))

    # Callsign lists: overlapping pools, suffixes and a few broken lines.
    pool = call_pool(rng, args.calls)

    def pick(fraction):
        return [c for c in pool if rng.random() < fraction]

    def decorate(calls):
        lines = []
        for c in calls:
            if rng.random() < 0.05:
                c += rng.choice(SUFFIXES)
            lines.append(c)
            if rng.random() < 0.002:
                lines.append(rng.choice(["SWL-%d" % rng.randint(1, 999), "", "12345", "A_B"]))
        return lines

    clublog = decorate(pick(0.9))
    zip_files(os.path.join(mirror, HOST_CLUBLOG, "clublog.scp.zip"), [("clublog.scp", crlf(clublog))])
    os.utime(os.path.join(mirror, HOST_CLUBLOG, "clublog.scp.zip"), (server_time, server_time))
    serve(HOST_SCP, "MASTER.LIS", crlf(["%05d %s" % (i, c) for i, c in enumerate(decorate(pick(0.3)))]))
    serve(HOST_EQSL, "qslcard/DownloadedFiles/AGMemberList.txt",
          crlf(["List of AG members"] + decorate(pick(0.5))))
    serve(HOST_LOTW, "lotw/lotw1.txt", crlf(decorate(pick(0.6))))
    serve(HOST_CLUBS, "lists/OQRS.txt", crlf(["# OQRS users"] + decorate(pick(0.1))))
    serve(HOST_CLUBS, "lists/CWOPS_csv2.txt",
          crlf(['"Call","Name","Number"'] + ["%s,Op,%d" % (c, i) for i, c in enumerate(pick(0.02))]))

    # The DX calendar.
    events = []
    for i in range(200):
        start = (2026, rng.randint(1, 12), rng.randint(1, 28))
        end = (start[0], start[1], min(28, start[2] + rng.randint(0, 14)))
        events.append({"start": "%d-%02d-%02d" % start, "end": "%d-%02d-%02d" % end,
                       "text": "%s: %s by %s" % (rng.choice(PREFIXES), rng.choice(["IOTA", "DXpedition", "Contest"]),
                                                 callsign(rng))})
    serve(HOST_CALENDAR, "kestrl.php", json.dumps(events, indent=1))
    print("sample folder: %s\nsample mirror: %s (%d callsigns in the largest list)" % (kestrl, mirror, len(clublog)))


if __name__ == "__main__":
    sys.exit(main())
