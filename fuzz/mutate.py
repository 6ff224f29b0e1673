#!/usr/bin/env python3
"""Mutation run for the document engine: damaged copies of real documents through --publish.

    fuzz/mutate.py [--engine PATH] [--count N] [--seed S] [--jobs J] [--keep DIR] [DOCUMENT...]

Makes N mutants (default 300) of the documents given (default: tests/data; bit flips, overwritten runs, truncation,
duplicated chunks, length fields set to 0xFFFF or 0xFFFFFFFF), publishes each as XML and as HTML
(every other one with pictures=svg) and checks every run:

- it ends by itself with exit code 0, 4 (not a readable document) or 5 (password-protected);
- it takes under 5 s and at most 200 MB of memory (for inputs under 2 MB);
- a failed run leaves nothing in the output folder; a successful one leaves the output (and
  its picture folder); no run leaves a note of an unfinished publish;
- every XML output is valid DocBook 5.0 (xmllint and the RELAX NG schema) and every page passes
  the Nu HTML checker (when vnu.jar is there: QUILLON_VNU_JAR or .tools under the project).

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
import subprocess
import sys
import tempfile
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
SCHEMA = "/usr/share/xml/docbook/schema/rng/5.0/docbook.rng"
TIME_LIMIT = 5.0
MEMORY_LIMIT_MB = 200
KILL_AFTER = 20.0
OK_CODES = {0, 4, 5}


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
    base = "m%04d-%s" % (index, fmt if "svg" not in config else "svg")
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
        if r["code"] == 0:
            extra = {n for n in r["names"] if n != target_name and not n.endswith("_files")}
            if target_name not in r["names"] or extra:
                failures.append("%s: files after success: %s" % (what, sorted(r["names"])))
            (xml_outputs if r["target"].endswith(".xml") else html_outputs).append(r["target"])
        else:
            if r["names"]:
                failures.append("%s: left behind %s" % (what, sorted(r["names"])))
            message = re.sub(r'^quillon-engine: Cannot open "[^"]*": ', "", r["stderr"])
            message = re.sub(r"\b\d+\b", "N", message.splitlines()[-1] if message else "")
            messages[message] += 1

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
