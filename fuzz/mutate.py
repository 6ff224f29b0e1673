#!/usr/bin/env python3
"""Mutation run for the document engine: damaged copies of real documents through --publish.

    fuzz/mutate.py [--engine PATH] [--count N] [--seed S] [--jobs J] [--keep DIR] [DOCUMENT...]

Makes N mutants (default 300) of the documents given (default: tests/data; bit flips, overwritten runs, truncation,
duplicated chunks, length fields set to 0xFFFF or 0xFFFFFFFF), publishes each as XML and as HTML
(every other one with pictures=svg) and checks every run:

- it ends by itself with exit code 0, 4 (not a readable document), 5 (password-protected) or 8
  (damaged: its file ends before its structure does, and what could be read is written);
- it takes under 5 s and at most 200 MB of memory (for inputs under 2 MB);
- a failed run leaves nothing in the output folder; a successful or partial one leaves the
  output (and its picture folder); no run leaves a note of an unfinished publish;
- every XML output is valid DocBook 5.0 (xmllint and the RELAX NG schema) and every page passes
  the Nu HTML checker (when vnu.jar is there: QUILLON_VNU_JAR or .tools under the project).

Then the hostile cases, on every document that embeds a WordPerfect graphic (its first graphic
replaced, padded to its length): SVG pictures that name things outside themselves (a picture
file of a colour nothing else has, a pipe nobody writes, through an image, a style sheet, a use,
an entity, an address, an SVG embedded as data that names the file), an SVG with text, and
pictures of 6300 x 6300 pixels in a few kilobytes (PNG, GIF, JPEG); each published as XML, HTML
and HTML with SVG pictures under the same checks, and no picture written may hold the colour of
the file. And outputs that are not regular files (a pipe with a reader, a link to a pipe, the
engine's standard output, a socket): each must stay what it was, a pipe get the document.

Prints the figures and the failures; exits 1 when any check failed. The same seed makes the same
mutants.
"""

import argparse
import collections
import concurrent.futures
import os
import random
import re
import shutil
import signal
import socket
import stat
import struct
import subprocess
import sys
import tempfile
import threading
import time
import zlib

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
SCHEMA = "/usr/share/xml/docbook/schema/rng/5.0/docbook.rng"
TIME_LIMIT = 5.0
MEMORY_LIMIT_MB = 200
KILL_AFTER = 20.0
OK_CODES = {0, 4, 5, 8}


def mutate(data, rng, kind):
    """One mutant of data; kind chooses the damage."""
    out = bytearray(data)
    n = len(out)
    if n == 0:
        return bytes(out), "empty"
    if kind == "bitflip":
        flips = rng.randint(1, 8)
        for _ in range(flips):
            i = rng.randrange(n)
            out[i] ^= 1 << rng.randrange(8)
        return bytes(out), "%d bit(s) flipped" % flips
    if kind == "overwrite":
        length = min(n, rng.randint(4, 64))
        start = rng.randrange(n - length + 1)
        out[start:start + length] = bytes(rng.randrange(256) for _ in range(length))
        return bytes(out), "%d bytes overwritten at %d" % (length, start)
    if kind == "truncate":
        cut = rng.randrange(n)
        return bytes(out[:cut]), "truncated to %d of %d bytes" % (cut, n)
    if kind == "duplicate":
        length = min(n, rng.randint(16, 4096))
        start = rng.randrange(n - length + 1)
        at = rng.randrange(n + 1)
        chunk = out[start:start + length]
        return bytes(out[:at] + chunk + out[at:]), "%d bytes from %d repeated at %d" % (
            length, start, at)
    # A length field set to its largest value: the header pointer at offset 4, a field in the
    # header and index area (the first 1 KB) or anywhere, 16 or 32 bits wide.
    width = rng.choice((2, 4))
    where = rng.random()
    if where < 0.2 and n >= 8:
        at = 4
    elif where < 0.7:
        at = rng.randrange(max(1, min(n, 1024) - width + 1))
    else:
        at = rng.randrange(max(1, n - width + 1))
    at = min(at, max(0, n - width))
    out[at:at + width] = b"\xff" * min(width, n - at)
    return bytes(out), "0x%s at %d" % ("ff" * width, at)


KINDS = ("bitflip", "overwrite", "truncate", "duplicate", "length")

SENTINEL = (1, 254, 3)  # the colour of the picture file an SVG names: never in an output


def png(width, height, rows=None, colour=0, depth=1):
    """A PNG of the given rows (filter bytes included), by default all zero."""
    def chunk(kind, body):
        return (struct.pack(">I", len(body)) + kind + body +
                struct.pack(">I", zlib.crc32(kind + body) & 0xffffffff))
    if rows is None:
        rows = (b"\0" * ((width * depth + 7) // 8 + 1)) * height
    return (b"\x89PNG\r\n\x1a\n" +
            chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, depth, colour, 0, 0, 0)) +
            chunk(b"IDAT", zlib.compress(rows, 9)) + chunk(b"IEND", b""))


def gif(width, height):
    """A GIF whose logical screen is width x height, holding one pixel."""
    return (b"GIF89a" + struct.pack("<HHBBB", width, height, 0x80, 0, 0) + b"\0\0\0\xff\xff\xff" +
            b"," + struct.pack("<HHHHB", 0, 0, 1, 1, 0) + b"\x02\x02\x44\x01\x00;")


def jpeg(width, height):
    """A baseline grey JPEG of width x height whose scan stops after a few thousand blocks."""
    q = bytes([16, 11, 10, 16, 24, 40, 51, 61] * 8)
    dc = (bytes([0, 1, 5, 1, 1, 1, 1, 1, 1, 0, 0, 0, 0, 0, 0, 0]), bytes(range(12)))
    ac_counts = bytes([0, 2, 1, 3, 3, 2, 4, 3, 5, 5, 4, 4, 0, 0, 1, 0x7d])
    ac_values = bytes([0x01, 0x02, 0x03, 0x00, 0x04, 0x11, 0x05, 0x12, 0x21, 0x31, 0x41, 0x06,
                       0x13, 0x51, 0x61, 0x07, 0x22, 0x71, 0x14, 0x32, 0x81, 0x91, 0xa1, 0x08,
                       0x23, 0x42, 0xb1, 0xc1, 0x15, 0x52, 0xd1, 0xf0, 0x24, 0x33, 0x62, 0x72,
                       0x82, 0x09, 0x0a, 0x16, 0x17, 0x18, 0x19, 0x1a, 0x25, 0x26, 0x27, 0x28,
                       0x29, 0x2a, 0x34, 0x35, 0x36, 0x37, 0x38, 0x39, 0x3a, 0x43, 0x44, 0x45,
                       0x46, 0x47, 0x48, 0x49, 0x4a, 0x53, 0x54, 0x55, 0x56, 0x57, 0x58, 0x59,
                       0x5a, 0x63, 0x64, 0x65, 0x66, 0x67, 0x68, 0x69, 0x6a, 0x73, 0x74, 0x75,
                       0x76, 0x77, 0x78, 0x79, 0x7a, 0x83, 0x84, 0x85, 0x86, 0x87, 0x88, 0x89,
                       0x8a, 0x92, 0x93, 0x94, 0x95, 0x96, 0x97, 0x98, 0x99, 0x9a, 0xa2, 0xa3,
                       0xa4, 0xa5, 0xa6, 0xa7, 0xa8, 0xa9, 0xaa, 0xb2, 0xb3, 0xb4, 0xb5, 0xb6,
                       0xb7, 0xb8, 0xb9, 0xba, 0xc2, 0xc3, 0xc4, 0xc5, 0xc6, 0xc7, 0xc8, 0xc9,
                       0xca, 0xd2, 0xd3, 0xd4, 0xd5, 0xd6, 0xd7, 0xd8, 0xd9, 0xda, 0xe1, 0xe2,
                       0xe3, 0xe4, 0xe5, 0xe6, 0xe7, 0xe8, 0xe9, 0xea, 0xf1, 0xf2, 0xf3, 0xf4,
                       0xf5, 0xf6, 0xf7, 0xf8, 0xf9, 0xfa])

    def segment(marker, body):
        return b"\xff" + marker + struct.pack(">H", len(body) + 2) + body
    bits = "001010" * 4000  # a block: DC difference 0, then the end of block
    bits += "1" * (-len(bits) % 8)
    scan = bytes(int(bits[i:i + 8], 2) for i in range(0, len(bits), 8))
    return (b"\xff\xd8" + segment(b"\xdb", b"\0" + q) +
            segment(b"\xc0", struct.pack(">BHHB", 8, height, width, 1) + b"\x01\x11\x00") +
            segment(b"\xc4", b"\x00" + dc[0] + dc[1]) +
            segment(b"\xc4", b"\x10" + ac_counts + ac_values) +
            segment(b"\xda", b"\x01\x01\x00\x00\x3f\x00") + scan.replace(b"\xff", b"\xff\x00") +
            b"\xff\xd9")


def hostile_pictures(secret, fifo):
    """The hostile pictures by name."""
    head = ('<svg xmlns="http://www.w3.org/2000/svg" xmlns:xlink="http://www.w3.org/1999/xlink" '
            'width="40" height="40"><rect width="10" height="10" fill="blue"/>')
    image = '<image width="40" height="40" xlink:href="%s"/></svg>'
    inner = head + image % secret
    svgs = {
        "svg-image-file": head + image % secret,
        "svg-image-file-url": head + image % ("file://" + secret),
        "svg-image-pipe": head + image % fifo,
        "svg-image-address": head + image % "http://127.0.0.1:9/picture.png",
        "svg-style-sheet-pipe": '<?xml-stylesheet type="text/css" href="%s"?>' % fifo +
                                head + "</svg>",
        "svg-use-pipe": head + '<use xlink:href="%s#a"/></svg>' % fifo,
        "svg-entity-pipe": '<!DOCTYPE svg [<!ENTITY e SYSTEM "%s">]>' % fifo + head +
                           "<text>&e;</text></svg>",
        "svg-embedded-svg-file": head + image % (
            "data:image/svg+xml;base64," +
            __import__("base64").b64encode(inner.encode()).decode()),
        "svg-text": head + '<text x="1" y="30">SVG</text></svg>',
    }
    pictures = {name: text.encode() for name, text in svgs.items()}
    pictures["png-6300"] = png(6300, 6300)
    pictures["gif-6300"] = gif(6300, 6300)
    pictures["jpeg-6300"] = jpeg(6300, 6300)
    return pictures


def graphic_span(data):
    """Where the first embedded WPG 2 graphic of a document lies, up to its end record."""
    start = data.find(b"\xffWPC", 16)
    while start > 0 and not (start + 16 <= len(data) and data[start + 9] == 0x16 and
                             data[start + 10] == 2):
        start = data.find(b"\xffWPC", start + 1)
    if start <= 0:
        return None

    def length(at):
        n = data[at]
        at += 1
        if n == 0xFF:
            n = struct.unpack_from("<H", data, at)[0]
            at += 2
            if n & 0x8000:
                n = (n & 0x7FFF) << 16 | struct.unpack_from("<H", data, at)[0]
                at += 2
        return n, at
    at = start + struct.unpack_from("<I", data, start + 4)[0]
    try:
        while at + 4 <= len(data):
            kind = data[at + 1]
            _, at = length(at + 2)
            n, at = length(at)
            at += n
            if kind == 0x02:
                return (start, at) if at <= len(data) else None
    except (IndexError, struct.error):
        pass
    return None


def png_has(path, colour):
    """Whether a PNG (8-bit RGB or RGBA, not interlaced, as the engine writes) holds the colour."""
    with open(path, "rb") as f:
        data = f.read()
    if not data.startswith(b"\x89PNG"):
        return False
    at, idat, header = 8, b"", None
    while at + 8 <= len(data):
        n, kind = struct.unpack_from(">I4s", data, at)
        body = data[at + 8:at + 8 + n]
        if kind == b"IHDR":
            header = struct.unpack(">IIBBBBB", body)
        elif kind == b"IDAT":
            idat += body
        at += 12 + n
    if not header or header[2] != 8 or header[3] not in (2, 6) or header[6] != 0:
        return False
    width, height, _, kind = header[:4]
    bpp = 3 if kind == 2 else 4
    raw = zlib.decompress(idat)
    stride = width * bpp
    previous = bytearray(stride)
    wanted = bytes(colour)
    for y in range(height):
        line = raw[y * (stride + 1):(y + 1) * (stride + 1)]
        method, row = line[0], bytearray(line[1:])
        for i in range(stride):
            a = row[i - bpp] if i >= bpp else 0
            b = previous[i]
            c = previous[i - bpp] if i >= bpp else 0
            if method == 1:
                row[i] = (row[i] + a) & 255
            elif method == 2:
                row[i] = (row[i] + b) & 255
            elif method == 3:
                row[i] = (row[i] + (a + b) // 2) & 255
            elif method == 4:
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                row[i] = (row[i] + (a if pa <= pb and pa <= pc else b if pb <= pc else c)) & 255
        if any(row[x:x + 3] == wanted for x in range(0, stride, bpp)):
            return True
        previous = row
    return False


def outputs_not_files(engine, document, work, env):
    """Publishes a document to outputs that are not regular files; returns failures."""
    failures, runs = [], []
    folder = os.path.join(work, "not-files")
    os.makedirs(folder, exist_ok=True)
    pipe = os.path.join(folder, "pipe")
    os.mkfifo(pipe)
    link = os.path.join(folder, "link")
    os.symlink(pipe, link)
    sock_path = os.path.join(folder, "socket")
    sock = socket.socket(socket.AF_UNIX)
    sock.bind(sock_path)
    for name, target, reads in (("pipe", pipe, True), ("link to a pipe", link, True),
                                ("standard output", "/dev/fd/1", False),
                                ("socket", sock_path, False)):
        got = []
        if reads:
            # The reader holds a writing end too, so it ends whether the engine writes or not.
            r = os.open(pipe, os.O_RDONLY | os.O_NONBLOCK)
            w = os.open(pipe, os.O_WRONLY)
            os.set_blocking(r, True)
            reader = threading.Thread(target=lambda: got.append(b"".join(iter(
                lambda: os.read(r, 65536), b""))))
            reader.start()
        code, seconds, rss, stderr = run_engine(engine, ["--publish", "xml", document, target],
                                                env)
        if reads:
            os.close(w)
            reader.join()
            os.close(r)
        runs.append((name, code))
        if code not in (0, 6) or seconds > TIME_LIMIT:
            failures.append("output %s: exit code %s, %.1f s: %s" % (name, code, seconds,
                                                                     stderr[-200:]))
        if reads and code == 0 and b"<article" not in got[0]:
            failures.append("output %s: the pipe did not get the document" % name)
    kinds = {pipe: stat.S_ISFIFO, link: stat.S_ISLNK, sock_path: stat.S_ISSOCK}
    for path, is_kind in kinds.items():
        if not is_kind(os.lstat(path).st_mode):
            failures.append("output %s was replaced" % path)
    if sorted(os.listdir(folder)) != ["link", "pipe", "socket"]:
        failures.append("outputs that are not files: left %s" % sorted(os.listdir(folder)))
    sock.close()
    return failures, runs


def run_engine(engine, arguments, env):
    """Runs the engine; returns (exit code or -signal, seconds, peak RSS in MB, stderr)."""
    with tempfile.TemporaryFile() as err:
        start = time.monotonic()
        process = subprocess.Popen([engine] + arguments, stdout=subprocess.DEVNULL, stderr=err,
                                   env=env, start_new_session=True)
        # wait4 gives the resource usage of this child alone.
        while True:
            pid, status, usage = os.wait4(process.pid, os.WNOHANG)
            if pid == process.pid:
                break
            if time.monotonic() - start > KILL_AFTER:
                os.killpg(process.pid, signal.SIGKILL)
            time.sleep(0.002)
        seconds = time.monotonic() - start
        process.returncode = os.waitstatus_to_exitcode(status)
        err.seek(0)
        stderr = err.read().decode("utf-8", "replace")
    return process.returncode, seconds, usage.ru_maxrss / 1024.0, stderr


def leftovers(folder, expected):
    names = set(os.listdir(folder))
    return sorted(names - expected)


def one(task):
    index, mutant_path, fmt, config, engine, out_dir = task
    env = dict(os.environ, XDG_CONFIG_HOME=config,
               XDG_STATE_HOME=os.path.join(os.path.dirname(out_dir), "state"))
    base = "m%04d-%s" % (index, fmt if "config-svg" not in config else "svg")
    folder = os.path.join(out_dir, base)
    os.mkdir(folder)
    target = os.path.join(folder, "out." + ("xml" if fmt == "xml" else "html"))
    code, seconds, rss, stderr = run_engine(
        engine, ["--publish", fmt, mutant_path, target], env)
    names = set(os.listdir(folder))
    return {"index": index, "format": base.split("-", 1)[1], "code": code, "seconds": seconds,
            "rss": rss, "stderr": stderr.strip(), "target": target, "names": names}


def check_tool(arguments, files, chunk):
    """Runs a checker over files in chunks; returns the set of files it complained about."""
    bad = {}
    for i in range(0, len(files), chunk):
        part = files[i:i + chunk]
        result = subprocess.run(arguments + part, stdout=subprocess.PIPE,
                                stderr=subprocess.STDOUT)
        if result.returncode == 0:
            continue
        text = result.stdout.decode("utf-8", "replace")
        for f in part:
            if f in text or ("file:" + f) in text:
                bad.setdefault(f, [l for l in text.splitlines() if f in l][:3])
        if not any(f in bad for f in part):
            bad[part[0]] = text.splitlines()[:5]
    return bad


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("documents", nargs="*")
    parser.add_argument("--engine", default=os.path.join(ROOT, "build", "bin", "quillon-engine"))
    parser.add_argument("--count", type=int, default=300)
    parser.add_argument("--seed", type=int, default=13)
    parser.add_argument("--jobs", type=int, default=2)
    parser.add_argument("--keep", help="keep mutants and outputs in this folder")
    args = parser.parse_args()

    data = os.path.join(ROOT, "tests", "data")
    documents = args.documents or sorted(
        os.path.join(data, n) for n in os.listdir(data)
        if os.path.isfile(os.path.join(data, n)) and n not in ("MANIFEST.tsv", "NOTICE"))
    sources = []
    for path in documents:
        with open(path, "rb") as f:
            data = f.read()
        if 0 < len(data) < 2 * 1024 * 1024:
            sources.append((os.path.basename(path), data))
    if not sources:
        sys.exit("mutate.py: no document under 2 MB given")

    work = args.keep or tempfile.mkdtemp(prefix="quillon-mutants-")
    os.makedirs(work, exist_ok=True)
    mutants_dir = os.path.join(work, "mutants")
    out_dir = os.path.join(work, "out")
    os.makedirs(mutants_dir, exist_ok=True)
    os.makedirs(out_dir, exist_ok=True)
    plain = os.path.join(work, "config-png")
    svg = os.path.join(work, "config-svg")
    os.makedirs(os.path.join(svg, "quillon-engine"), exist_ok=True)
    os.makedirs(plain, exist_ok=True)
    with open(os.path.join(svg, "quillon-engine", "html.ini"), "w") as f:
        f.write("[html]\npictures=svg\n")

    rng = random.Random(args.seed)
    tasks = []
    described = {}
    for i in range(args.count):
        name, data = sources[i % len(sources)]
        kind = KINDS[(i // len(sources)) % len(KINDS)]
        mutant, how = mutate(data, rng, kind)
        path = os.path.join(mutants_dir, "m%04d-%s" % (i, name))
        with open(path, "wb") as f:
            f.write(mutant)
        described[i] = "%s: %s" % (name, how)
        tasks.append((i, path, "xml", plain, args.engine, out_dir))
        tasks.append((i, path, "html", svg if i % 2 else plain, args.engine, out_dir))

    # The hostile pictures, in every document that embeds a graphic.
    secret = os.path.join(work, "secret.png")
    row = b"\0" + bytes(SENTINEL) * 40
    with open(secret, "wb") as f:
        f.write(png(40, 40, row * 40, colour=2, depth=8))
    fifo = os.path.join(work, "fifo")
    os.mkfifo(fifo)
    hostile = set()
    index = args.count
    carriers = 0
    readable = []  # documents the engine converts as they are, smallest first
    check_env = dict(os.environ, XDG_CONFIG_HOME=plain, XDG_STATE_HOME=os.path.join(work, "state"))
    for name, data in sorted(sources, key=lambda s: len(s[1])):
        path = os.path.join(mutants_dir, "plain-" + name)
        with open(path, "wb") as f:
            f.write(data)
        if run_engine(args.engine, ["--publish", "xml", path, path + ".xml"], check_env)[0] == 0:
            readable.append((name, data, path))
        if os.path.exists(path + ".xml"):
            os.remove(path + ".xml")
        shutil.rmtree(os.path.splitext(path)[0] + "_files", ignore_errors=True)
    for name, data, _ in readable:
        span = graphic_span(data)
        if not span:
            continue
        carriers += 1
        start, end = span
        for kind, picture in sorted(hostile_pictures(secret, fifo).items()):
            if len(picture) > end - start:
                continue
            mutant = data[:start] + picture + b" " * (end - start - len(picture)) + data[end:]
            path = os.path.join(mutants_dir, "h%04d-%s" % (index, name))
            with open(path, "wb") as f:
                f.write(mutant)
            described[index] = "%s: %s" % (name, kind)
            hostile.add(index)
            tasks.append((index, path, "xml", plain, args.engine, out_dir))
            tasks.append((index, path, "html", plain, args.engine, out_dir))
            tasks.append((index, path, "html", svg, args.engine, out_dir))
            index += 1

    started = time.monotonic()
    with concurrent.futures.ThreadPoolExecutor(max_workers=args.jobs) as pool:
        results = list(pool.map(one, tasks))
    elapsed = time.monotonic() - started

    failures = []
    codes = collections.Counter()
    messages = collections.Counter()
    xml_outputs, html_outputs = [], []
    for r in results:
        codes[r["code"]] += 1
        what = "mutant %d (%s, %s)" % (r["index"], described[r["index"]], r["format"])
        target_name = os.path.basename(r["target"])
        if r["code"] not in OK_CODES:
            failures.append("%s: exit code %s: %s" % (what, r["code"], r["stderr"][-300:]))
        if r["seconds"] > TIME_LIMIT:
            failures.append("%s: %.1f s" % (what, r["seconds"]))
        if r["rss"] is not None and r["rss"] > MEMORY_LIMIT_MB:
            failures.append("%s: %.0f MB" % (what, r["rss"]))
        if r["code"] == 0 and r["index"] in hostile:
            pictures = os.path.join(os.path.dirname(r["target"]), "out_files")
            for picture in sorted(os.listdir(pictures)) if os.path.isdir(pictures) else []:
                if picture.endswith(".png") and png_has(os.path.join(pictures, picture),
                                                        SENTINEL):
                    failures.append("%s: %s shows the file the picture names" % (what, picture))
        if r["code"] in (0, 8):
            extra = {n for n in r["names"] if n != target_name and not n.endswith("_files")}
            if target_name not in r["names"] or extra:
                failures.append("%s: files after success: %s" % (what, sorted(r["names"])))
            (xml_outputs if r["target"].endswith(".xml") else html_outputs).append(r["target"])
        if r["code"] != 0:
            if r["names"] and r["code"] != 8:
                failures.append("%s: left behind %s" % (what, sorted(r["names"])))
            message = re.sub(r'^quillon-engine: Cannot (open|read all of) "[^"]*": ', "", r["stderr"])
            message = re.sub(r"\b\d+\b", "N", message.splitlines()[-1] if message else "")
            message = re.sub(r' What could be read was written to ".*"\.$', "", message)
            messages[message] += 1

    not_file_runs = []
    if readable:
        not_files, not_file_runs = outputs_not_files(args.engine, readable[0][2], work, check_env)
        failures += not_files

    notes = os.path.join(work, "state", "quillon-engine", "unfinished")
    if os.path.isdir(notes) and os.listdir(notes):
        failures.append("notes of unfinished publishes left: %s" % sorted(os.listdir(notes)))

    xml_bad = {}
    if xml_outputs and os.path.exists(SCHEMA) and shutil.which("xmllint"):
        xml_bad = check_tool(["xmllint", "--noout", "--relaxng", SCHEMA], xml_outputs, 200)
    else:
        print("mutate.py: xmllint or the DocBook schema missing: XML validity not checked")
    jar = os.environ.get("QUILLON_VNU_JAR") or os.path.join(
        ROOT, ".tools", "node_modules", "vnu-jar", "build", "dist", "vnu.jar")
    html_bad = {}
    if html_outputs and os.path.exists(jar) and shutil.which("java"):
        html_bad = check_tool(["java", "-jar", jar, "--errors-only"], html_outputs, 1000)
    else:
        print("mutate.py: the Nu checker (vnu.jar) missing: HTML validity not checked")
    for f, lines in list(xml_bad.items()) + list(html_bad.items()):
        failures.append("invalid output %s: %s" % (f, " / ".join(lines)))

    times = sorted(results, key=lambda r: r["seconds"])
    rss = sorted((r for r in results if r["rss"] is not None), key=lambda r: r["rss"])
    print("mutants: %d of %d documents, %d runs in %.0f s (%d jobs), seed %d" % (
        args.count, len(sources), len(results), elapsed, args.jobs, args.seed))
    print("exit codes: " + ", ".join("%s: %d" % (c, n) for c, n in sorted(codes.items())))
    median = times[len(times) // 2]["seconds"]
    slowest = times[-1]
    print("time: median %.3f s, slowest %.2f s (mutant %d, %s)" % (
        median, slowest["seconds"], slowest["index"], described[slowest["index"]]))
    if rss:
        print("peak memory: median %.0f MB, largest %.0f MB (mutant %d, %s)" % (
            rss[len(rss) // 2]["rss"], rss[-1]["rss"], rss[-1]["index"],
            described[rss[-1]["index"]]))
    print("hostile pictures: %d cases in %d documents that embed a graphic, %d runs" % (
        len(hostile), carriers, 3 * len(hostile)))
    print("outputs that are not files: " + ", ".join("%s: exit %s" % run for run in not_file_runs))
    print("outputs checked: %d XML (%d invalid), %d HTML (%d invalid)" % (
        len(xml_outputs), len(xml_bad), len(html_outputs), len(html_bad)))
    print("refusals by message:")
    for message, n in messages.most_common():
        print("  %4d  %s" % (n, message))
    if failures:
        print("FAILURES (%d):" % len(failures))
        for f in failures:
            print("  " + f)
    if not args.keep:
        shutil.rmtree(work, ignore_errors=True)
    else:
        print("mutants and outputs kept in " + work)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
