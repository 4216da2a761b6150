#!/usr/bin/env python3
"""Checks the README and the pages in docs/ as a reader would use them.

Every command in a ```sh block is checked: each `plenorium` sub-command and option it uses must be
one the command's help lists, and blocks not marked `no-run` are run, in order, in a scratch folder
that holds the build, copies of scripts/ and examples/, and the clips the pages name. Renders are
cut to their first ten frames (--frames 0-9) unless they name frames, to keep the check short.
Links and the repository paths the pages name in backquotes must exist (in the repository, or
made by the pages' own commands).

usage: check_docs.py REPOSITORY BUILD SCRATCH
"""
import os
import re
import shlex
import shutil
import subprocess
import sys
import time

REPO, BUILD, SCRATCH = (os.path.abspath(a) for a in sys.argv[1:4])
PLENORIUM = os.path.join(BUILD, "bin", "plenorium")
PAGES = ["README.md"] + sorted("docs/" + f for f in os.listdir(os.path.join(REPO, "docs")) if f.endswith(".md"))
TOP_FOLDERS = ("scripts", "bench", "tests", "plugin", "host", "cli", "preview", "sdk", "units", "tools", "cmake",
               "examples", "docs")
failures = []


def fail(page, what):
    failures.append(f"{page}: {what}")
    print(f"FAIL {page}: {what}", flush=True)


def run(command, timeout=600):
    return subprocess.run(["bash", "-euo", "pipefail", "-c", command], cwd=SCRATCH, capture_output=True, text=True,
                          timeout=timeout)


def prepare():
    shutil.rmtree(SCRATCH, ignore_errors=True)
    os.makedirs(SCRATCH)
    os.symlink(BUILD, os.path.join(SCRATCH, "build"))
    shutil.copytree(os.path.join(REPO, "scripts"), os.path.join(SCRATCH, "scripts"))
    shutil.copytree(os.path.join(REPO, "examples"), os.path.join(SCRATCH, "examples"),
                    ignore=shutil.ignore_patterns("clips"))
    ff = "ffmpeg -nostdin -loglevel error -y -f lavfi -i"
    made = run(f"""bash scripts/make-example-clips.sh clips 2>/dev/null
        {ff} testsrc2=size=360x640:rate=25:duration=1 -pix_fmt yuv420p portrait.mp4
        {ff} color=orange:size=200x200 -frames:v 1 logo.png
        {ff} testsrc=size=320x180:rate=25 -frames:v 3 -start_number 1 shot.%04d.png
        {PLENORIUM} wall clips/*.mp4 --grid 3x2 --frames 0 -q -o first.png --save-project wall.json""")
    if made.returncode != 0:
        sys.exit("cannot prepare the scratch folder:\n" + made.stderr)


def commands(block):
    """The block's commands, continuation lines joined, comments and blank lines left out."""
    joined = re.sub(r"\\\n\s*", " ", block)
    for line in joined.splitlines():
        line = line.strip()
        if line and not line.startswith("#"):
            yield line


def options_used(words):
    """The sub-command path and the options of one plenorium command line."""
    path, options = [], []
    for word in words:
        if word.startswith("-"):
            options.append(word.split("=")[0])
        elif not options and word in ("render", "wall", "preview", "check", "comps", "params", "about", "farm",
                                      "slurm") and (not path or path[-1] == "farm"):
            path.append(word)
    return path, options


HELP = {}


def check_options(page, line):
    try:
        words = shlex.split(line.split(" #")[0])
    except ValueError as e:
        fail(page, f"cannot read `{line}`: {e}")
        return
    for at, word in enumerate(words):
        if os.path.basename(word) != "plenorium":
            continue
        path, options = options_used(words[at + 1:])
        key = " ".join(path)
        if key not in HELP:
            HELP[key] = subprocess.run([PLENORIUM, *path, "--help"], capture_output=True, text=True).stdout
        for option in options:
            if option in ("-h", "--help", "--version"):
                continue
            if not re.search(r"(^|[\s,])" + re.escape(option) + r"\b", HELP[key]):
                fail(page, f"`{line}`: plenorium {key} has no option {option}")


def runnable(line):
    """The command as run: renders cut to ten frames unless they name their own."""
    words = line.split(" #")[0]
    if re.search(r"plenorium (wall|render)\b", words) and "--frames" not in words and "--help" not in words:
        words += " --frames 0-9"
    return words


def check_paths(page, text):
    folder = os.path.dirname(os.path.join(REPO, page))
    for link in re.findall(r"\]\(([^)\s]+)\)", text):
        if re.match(r"[a-z]+:", link) or link.startswith("#"):
            continue
        if not os.path.exists(os.path.join(folder, link.split("#")[0])):
            fail(page, f"link to {link}, which does not exist")
    for quoted in re.findall(r"`([^`\s]+)`", text):
        if not quoted.startswith(tuple(f + "/" for f in TOP_FOLDERS)) or re.search(r"[*%#<\[]|\.\.\.", quoted):
            continue
        name = quoted.split(":")[0]
        if not os.path.exists(os.path.join(REPO, name)) and not os.path.exists(os.path.join(SCRATCH, name)):
            fail(page, f"names {quoted}, which does not exist")


def main():
    prepare()
    for page in PAGES:
        text = open(os.path.join(REPO, page)).read()
        for info, block in re.findall(r"```([^\n]*)\n(.*?)```", text, re.S):
            if not info.startswith("sh"):
                continue
            for line in commands(block):
                check_options(page, line)
                if "no-run" in info:
                    continue
                started = time.monotonic()
                done = run(runnable(line))
                print(f"{'ok  ' if done.returncode == 0 else 'FAIL'} {page}: {runnable(line)} "
                      f"({time.monotonic() - started:.1f} s)", flush=True)
                if done.returncode != 0:
                    fail(page, f"`{line}` exited {done.returncode}:\n{done.stdout[-2000:]}{done.stderr[-2000:]}")
        # After the commands, so that what they make (examples/clips/) counts.
        check_paths(page, text)
    if failures:
        sys.exit(f"{len(failures)} problems in the pages")
    print(f"{len(PAGES)} pages checked")


main()
