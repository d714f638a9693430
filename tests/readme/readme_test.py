#!/usr/bin/env python3
"""The README's examples run as they are shown, so the README cannot drift from vemcad.

Every fenced block of README.md is read in order, in one scratch folder that holds a copy
of examples/ and build/bin (a link to the built vemcad and its modules):

- ```scr blocks whose first line is "; NAME.scr: ..." are written to NAME.scr; a script
  that no console block runs is run alone and must print no refusal.
- ```console blocks hold sessions: a "$ build/bin/vemcad ..." line, then what vemcad
  prints. With --script the lines shown are its output ("..." alone on a line stands for
  any lines); without, they are a session typed at the keyboard: the answers are read
  off the prompts, run as a script (which echoes them after their prompts, as typing
  shows them) and the whole output must be what is shown. Every "$" line must be vemcad.
- ```sh blocks are not run, but any vemcad in them must be --serve, which is started
  once here to check that it prints the address to open.

What varies is normalised: the usage text printed before "VEMD loaded.", today's date as
SHEET's default, blanks at line ends.
Usage: readme_test.py --vemcad VEMCAD --source SOURCE_DIR SCRATCH_DIR
"""

import argparse
import os
import re
import shlex
import shutil
import subprocess
import sys

SNAPS = "END|MID|CEN|NOD|QUA|INT|INS|PER|TAN|NEA|NON"
# Lines vemcad prints that look like prompts but ask for nothing.
NOT_PROMPTS = [
    re.compile(r"^序号\d+:"),                 # COLIST's listing
    re.compile(r"^选择\w+对象\(多选\):$"),    # the batch commands' heading of a selection
]
REFUSALS = ["Unknown command", "Invalid", "Requires", "无效", "不正确", "Cannot", "No snap point"]


def fail(message):
    print("FAIL: " + message)
    sys.exit(1)


def fenced_blocks(text):
    """(info string, lines, line number) of every fenced block, in order."""
    blocks, lines = [], text.split("\n")
    i = 0
    while i < len(lines):
        m = re.match(r"^```(\S*)", lines[i])
        if not m:
            i += 1
            continue
        start, body = i + 1, []
        i += 1
        while i < len(lines) and not lines[i].startswith("```"):
            body.append(lines[i])
            i += 1
        blocks.append((m.group(1), body, start))
        i += 1
    return blocks


def prompt_answer(line):
    """The answer typed after a prompt on this transcript line, or None for output."""
    if any(p.search(line) for p in NOT_PROMPTS):
        return None
    cut = line.rfind("):")
    if cut >= 0:
        answer = line[cut + 2:]
    elif re.match(r"^[A-Z\u4e00-\u9fff]", line) and (": " in line or line.endswith(":")):
        cut = line.find(": ")
        answer = "" if cut < 0 else line[cut + 2:]
    else:
        return None
    answer = answer[1:] if answer.startswith(" ") else answer
    # A typed snap shows " of " before its point; the script gives both on one line.
    return re.sub(r"^(%s) of (.*)$" % SNAPS, r"\1 \2", answer)


def answers_of(transcript):
    answers = [a for a in (prompt_answer(l) for l in transcript) if a is not None]
    # The session ends where the last prompt waits with nothing typed.
    if transcript and answers and prompt_answer(transcript[-1]) == "":
        answers.pop()
    return answers


def normalised(lines):
    out = []
    for line in lines:
        line = re.sub(r"Date <\d{4}-\d{2}-\d{2}>", "Date <DATE>", line.rstrip())
        out.append(line)
    while out and out[0] == "":
        out.pop(0)
    while out and out[-1] == "":
        out.pop()
    return out


def printed(output):
    """vemcad's output from its modules' announcement on. What comes before it must be
    the usage text, its items numbered 1 to 16, printed when VEMD loads."""
    lines = output.split("\n")
    if "VEMD loaded." not in lines:
        return normalised(lines)
    start = lines.index("VEMD loaded.")
    items = [m.group(1) for m in (re.match(r"^(\d+)\.", l) for l in lines[:start]) if m]
    if items != [str(i) for i in range(1, 17)]:
        fail("the usage text before \"VEMD loaded.\" has items %s, not 1 to 16" % items)
    return normalised(lines[start:])


def find_lines(segment, lines, start):
    """Where segment first occurs in lines at start or later, or -1."""
    for i in range(start, len(lines) - len(segment) + 1):
        if lines[i:i + len(segment)] == segment:
            return i
    return -1


def matches(expected, actual):
    """Whether the lines shown are the output, "..." standing for any lines. Each part
    between two "..." is taken where it first occurs, which finds a match when any
    exists."""
    parts = [[]]
    for line in expected:
        if line == "...":
            parts.append([])
        else:
            parts[-1].append(line)
    first, last = parts[0], parts[-1]
    if len(parts) == 1:
        return first == actual
    if actual[:len(first)] != first or len(actual) < len(first) + len(last):
        return False
    at = len(first)
    for part in parts[1:-1]:
        found = find_lines(part, actual, at)
        if found < 0:
            return False
        at = found + len(part)
    return len(actual) - len(last) >= at and (not last or actual[len(actual) - len(last):] == last)


def run_vemcad(vemcad, scratch, args):
    result = subprocess.run([vemcad] + args, cwd=scratch, stdin=subprocess.DEVNULL, capture_output=True,
                            timeout=60)
    return result.returncode, result.stdout.decode("utf-8", "replace"), result.stderr.decode("utf-8", "replace")


def show_difference(where, expected, actual):
    print("FAIL: %s: vemcad printed something else" % where)
    print("---- README shows")
    print("\n".join(expected))
    print("---- vemcad printed")
    print("\n".join(actual))
    sys.exit(1)


class Readme:
    def __init__(self, vemcad, scratch):
        self.vemcad, self.scratch = vemcad, scratch
        self.scripts, self.scripts_run, self.sessions = {}, set(), 0

    def script_block(self, body, where):
        m = re.match(r"^; (\S+\.scr):", body[0]) if body else None
        if not m:
            fail("%s: a script block must begin with \"; NAME.scr: ...\"" % where)
        path = os.path.join(self.scratch, m.group(1))
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "w", encoding="utf-8") as f:
            f.write("\n".join(body) + "\n")
        self.scripts[m.group(1)] = where

    def console_block(self, body, where, first_line):
        session, line_no = None, first_line
        for i, line in enumerate(body + ["$ "]):
            if line.startswith("$ "):
                if session is not None:
                    self.session(session[0], session[1], "README.md line %d" % line_no)
                session, line_no = (line[2:].strip(), []), first_line + i
            elif session is None:
                fail("%s: a console block must begin with a $ line" % where)
            else:
                session[1].append(line)

    def session(self, command, shown, where):
        if command == "":
            return
        words = shlex.split(command)
        if words[0] != "build/bin/vemcad":
            fail("%s: only vemcad runs in a console block, not %r" % (where, command))
        args = words[1:]
        if "--script" in args:
            self.scripts_run.add(args[args.index("--script") + 1])
        else:
            answers = answers_of(normalised(shown))
            name = ".readme-session-%d.scr" % self.sessions
            with open(os.path.join(self.scratch, name), "w", encoding="utf-8") as f:
                f.write("".join(a + "\n" for a in answers))
            args = ["--script", name] + args
        self.sessions += 1
        status, out, err = run_vemcad(self.vemcad, self.scratch, args)
        if status != 0:
            fail("%s: %s ended with %d: %s" % (where, command, status, err))
        expected, actual = normalised(shown), printed(out)
        if expected and not matches(expected, actual):
            show_difference(where, expected, actual)

    def lone_scripts(self):
        for name, where in self.scripts.items():
            if name in self.scripts_run:
                continue
            status, out, err = run_vemcad(self.vemcad, self.scratch, ["--script", name])
            bad = [l for l in out.split("\n") if any(r in l for r in REFUSALS)]
            if status != 0 or bad:
                fail("%s: %s: %s %s" % (where, name, err, "\n".join(bad)))
            self.sessions += 1

    def serve(self, lines, where):
        for line in lines:
            if line.lstrip().startswith("build/bin/vemcad") and "--serve" not in line:
                fail("%s: %r is not run; show it in a console block" % (where, line))
        return any("--serve" in line for line in lines)

    def check_serve(self):
        proc = subprocess.Popen([self.vemcad, "--serve", "--port", "0"], cwd=self.scratch, stdin=subprocess.PIPE,
                                stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
        try:
            seen = b""
            while b"?token=" not in seen:
                chunk = proc.stdout.readline()
                if not chunk:
                    break
                seen += chunk
            if not re.search(rb"\nvemcad serves the drawing at\n  http://127\.0\.0\.1:\d+/\?token=[0-9a-f]+\n", seen):
                fail("vemcad --serve printed no address: %r" % seen[-300:])
        finally:
            proc.terminate()
            proc.wait(timeout=10)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--vemcad", required=True)
    parser.add_argument("--source", required=True)
    parser.add_argument("scratch")
    args = parser.parse_args()
    scratch = os.path.abspath(args.scratch)
    shutil.rmtree(scratch, ignore_errors=True)
    os.makedirs(os.path.join(scratch, "build"))
    os.symlink(os.path.dirname(os.path.abspath(args.vemcad)), os.path.join(scratch, "build", "bin"))
    shutil.copytree(os.path.join(args.source, "examples"), os.path.join(scratch, "examples"))
    with open(os.path.join(args.source, "README.md"), encoding="utf-8") as f:
        blocks = fenced_blocks(f.read())

    readme = Readme(os.path.abspath(args.vemcad), scratch)
    serve_shown = False
    for info, body, line in blocks:
        where = "README.md line %d" % line
        if info == "scr":
            readme.script_block(body, where)
        elif info == "console":
            readme.console_block(body, where, line)
        else:
            serve_shown = readme.serve(body, where) or serve_shown
    readme.lone_scripts()
    if serve_shown:
        readme.check_serve()
    if readme.sessions < 8:
        fail("only %d vemcad runs found in the README" % readme.sessions)
    print("README: %d vemcad runs as shown" % readme.sessions)


if __name__ == "__main__":
    main()
