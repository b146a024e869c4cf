#!/usr/bin/env python3
"""Runs the shell examples of a Markdown page, as a reader would type them.

Convention (docs/development.md describes it for page writers):
  ```sh                 run by this test: bash -euo pipefail, from the top of a workspace
                        that looks like the repository after a build (build/bin/...,
                        docs/..., bench/...); blocks of a page run in order, in one
                        workspace, so a block may use the files an earlier one wrote.
  ```sh timeout=300     the same with another time limit in seconds (default 60).
  ```sh status=1        the block must end with this exit status instead of 0: an example
                        of a refusal (the block stops at its first failing command).
  ```sh notest          shown only: set-up commands, long runs, placeholders.
  any other fence       (```text, ```console, ...) is never run.
A block fails the test when it ends with another exit status or runs out of time.

Usage: doc_test.py --source SRC --build BUILD PAGE.md
       doc_test.py --self-test
"""
import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile

DEFAULT_TIMEOUT = 60


def blocks(text):
    """(line number of the opening fence, info words, body) for every fenced block."""
    out = []
    lines = text.split("\n")
    i = 0
    while i < len(lines):
        m = re.match(r"^(\s*)(```+|~~~+)(.*)$", lines[i])
        if not m:
            i += 1
            continue
        indent, fence, info = m.group(1), m.group(2), m.group(3).split()
        start = i + 1
        body = []
        i += 1
        while i < len(lines) and not lines[i].strip().startswith(fence):
            line = lines[i]
            body.append(line[len(indent):] if line.startswith(indent) else line)
            i += 1
        out.append((start, info, "\n".join(body) + "\n"))
        i += 1
    return out


def runnable(info):
    """(time limit, expected exit status) of a block that runs, or None."""
    if not info or info[0] != "sh" or "notest" in info[1:]:
        return None
    timeout, status = DEFAULT_TIMEOUT, 0
    for word in info[1:]:
        if word.startswith("timeout="):
            timeout = int(word.split("=", 1)[1])
        elif word.startswith("status="):
            status = int(word.split("=", 1)[1])
    return timeout, status


def workspace(source, build):
    """A folder with the repository's entries linked in and build/bin's programs linked
    into a folder of its own, so that commands write their files here."""
    ws = tempfile.mkdtemp(prefix="doctest-")
    for name in os.listdir(source):
        if name in (".git", "build") or name.startswith("build"):
            continue
        os.symlink(os.path.join(source, name), os.path.join(ws, name))
    bin_dir = os.path.join(ws, "build", "bin")
    os.makedirs(bin_dir)
    real_bin = os.path.join(build, "bin")
    for name in os.listdir(real_bin):
        os.symlink(os.path.join(real_bin, name), os.path.join(bin_dir, name))
    if os.path.isdir(os.path.join(build, "share")):
        os.symlink(os.path.join(build, "share"), os.path.join(ws, "build", "share"))
    return ws


def run_page(page, source, build, log=sys.stdout):
    """Runs the page's blocks; returns the number of failed blocks."""
    with open(page, encoding="utf-8") as f:
        text = f.read()
    ws = workspace(os.path.abspath(source), os.path.abspath(build))
    failed = ran = 0
    try:
        for line, info, body in blocks(text):
            how = runnable(info)
            if how is None:
                continue
            timeout, status = how
            ran += 1
            print(f"--- {page}:{line} (timeout {timeout} s)\n{body}", file=log, flush=True)
            proc = subprocess.Popen(["bash", "-euo", "pipefail", "-c", body], cwd=ws,
                                    stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                                    stderr=subprocess.STDOUT, start_new_session=True)
            try:
                out, _ = proc.communicate(timeout=timeout)
                print(out.decode(errors="replace"), file=log, end="", flush=True)
                if proc.returncode != status:
                    print(f"FAILED {page}:{line}: exit status {proc.returncode}, not {status}",
                          file=log)
                    failed += 1
            except subprocess.TimeoutExpired:
                # The whole group: the block's commands and whatever they started.
                os.killpg(proc.pid, signal.SIGKILL)
                proc.communicate()
                print(f"FAILED {page}:{line}: still running after {timeout} s", file=log)
                failed += 1
    finally:
        shutil.rmtree(ws, ignore_errors=True)
    print(f"{page}: {ran} blocks run, {failed} failed", file=log)
    return failed


def self_test():
    """The runner on a page of its own: what runs, what does not, what fails."""
    import io
    tmp = tempfile.mkdtemp(prefix="doctest-self-")
    try:
        src, build = os.path.join(tmp, "src"), os.path.join(tmp, "build")
        os.makedirs(os.path.join(src, "docs"))
        os.makedirs(os.path.join(build, "bin"))
        with open(os.path.join(src, "docs", "data.txt"), "w") as f:
            f.write("42\n")
        page = os.path.join(src, "page.md")
        with open(page, "w") as f:
            f.write("# Page\n"
                    "```sh\n"
                    "grep -q 42 docs/data.txt && echo made > out.txt\n"
                    "```\n"
                    "```sh notest\nexit 3\n```\n"
                    "```text\nexit 4\n```\n"
                    "```bash\nexit 5\n```\n"
                    "  ```sh\n  test \"$(cat out.txt)\" = made\n  ```\n"
                    "```sh\nfalse | true\n```\n"
                    "```sh timeout=1\nsleep 5\n```\n"
                    "```sh status=3\nexit 3\n```\n"
                    "```sh status=1\nno-such-program-here\n```\n")
        log = io.StringIO()
        failed = run_page(page, src, build, log)
        out = log.getvalue()
        problems = []
        if failed != 3:
            problems.append(f"{failed} failures, not 3")
        if "FAILED " + page + ":26: exit status 127, not 1" not in out:
            problems.append("a missing program passed for an expected refusal")
        if "FAILED " + page + ":17: exit status 1, not 0" not in out:
            problems.append("the pipeline whose first command fails is not reported")
        if "FAILED " + page + ":20: still running" not in out:
            problems.append("the timed-out block is not reported")
        if "6 blocks run" not in out:
            problems.append("the wrong blocks ran")
        if os.path.exists(os.path.join(src, "out.txt")):
            problems.append("a block wrote into the source tree")
        if problems:
            print(out + "\n".join(problems))
            return 1
        print("doc test runner: ok")
        return 0
    finally:
        shutil.rmtree(tmp, ignore_errors=True)


def main(argv):
    if argv[1:] == ["--self-test"]:
        return self_test()
    if len(argv) != 6 or argv[1] != "--source" or argv[3] != "--build":
        print(__doc__, file=sys.stderr)
        return 2
    return 1 if run_page(argv[5], argv[2], argv[4]) else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
