#!/usr/bin/env python3
"""Runs the README's "Loading the results" lines on real output.

Usage: loading_results.py TOOL SOURCE_DIR TUNECMP TUNESTAT WORK_DIR
TOOL is pandas, r or weka. Copies samples/ into WORK_DIR, runs the README's
commands that write the outputs, then each of the tool's loading lines, and
checks the rows, the columns and which columns load as numbers; commands,
lines and expectations are in loading_results.txt beside this script, and
each must appear in README.md as it stands there. Exits with 77 (skipped)
when the tool is not installed.
"""
import os
import re
import shlex
import shutil
import subprocess
import sys

SKIPPED = 77

PANDAS_PROBE = ('import pandas as pd\nd = {line}\nprint(d.shape[0], d.shape[1], "".join('
                '"n" if k in "iuf" else "s" for k in d.dtypes.map(lambda t: t.kind)))')
R_PROBE = ('d <- {line}\ncat(nrow(d), ncol(d), paste(ifelse(sapply(d, is.numeric), "n", "s"),'
           ' collapse = ""))')


def find_tool(tool):
    """The command prefix that runs the tool's lines, or None."""
    if tool == "pandas":
        for python in (sys.executable, "/usr/bin/python3", shutil.which("python3")):
            if python and subprocess.run([python, "-c", "import pandas"],
                                         capture_output=True).returncode == 0:
                return python
        return None
    if tool == "r":
        return shutil.which("Rscript")
    jar = os.environ.get("WEKA_JAR", "/usr/share/java/weka.jar")
    return jar if shutil.which("java") and os.path.isfile(jar) else None


def weka_table(line, stdout, work):
    """Rows and column kinds of what a Weka line loaded."""
    target = re.search(r"> (\S+\.arff)$", line)
    if target is None:  # weka.core.Instances prints a summary
        rows = int(re.search(r"Num Instances:\s*(\d+)", stdout).group(1))
        kinds = re.findall(r"^\s*\d+ \S+\s+(Num|Nom|Str)\b", stdout, re.M)
        return rows, "".join("n" if k == "Num" else "s" for k in kinds)
    with open(os.path.join(work, target.group(1)), encoding="utf-8") as f:
        text = f.read()
    if "@data" not in text:  # the loader reports a failure but exits with 0
        return 0, ""
    head, data = text.split("@data", 1)
    kinds = re.findall(r"^@attribute \S+ (\S+)", head, re.M)
    return (len([l for l in data.splitlines() if l.strip()]),
            "".join("n" if k == "numeric" else "s" for k in kinds))


def load(tool, runner, line, work):
    """Runs one line; returns (rows, column kinds) or raises with its output."""
    if tool == "pandas":
        command = [runner, "-c", PANDAS_PROBE.format(line=line)]
    elif tool == "r":
        command = [runner, "-e", R_PROBE.format(line=line)]
    else:
        command = ["bash", "-c", line.replace("weka.jar", shlex.quote(runner))]
    result = subprocess.run(command, cwd=work, capture_output=True, text=True)
    if result.returncode != 0:
        raise RuntimeError(result.stdout + result.stderr)
    if tool == "weka":
        return weka_table(line, result.stdout, work)
    rows, columns, kinds = result.stdout.split()
    if int(columns) != len(kinds):
        raise RuntimeError(result.stdout)
    return int(rows), kinds


def main():
    tool, source, tunecmp, tunestat, work = sys.argv[1:6]
    with open(os.path.join(source, "README.md"), encoding="utf-8") as f:
        readme = f.read()
    runs, lines = [], []
    table = os.path.join(os.path.dirname(__file__), "loading_results.txt")
    with open(table, encoding="utf-8") as f:
        for entry in f.read().splitlines():
            if not entry or entry.startswith("#"):
                continue
            head, text = entry.split(": ", 1)
            if head == "run":
                runs.append(text)
            elif head.split()[0] == tool:
                lines.append((text, int(head.split()[1]), head.split()[2]))
    missing = [r for r in runs if r not in readme] + [l for l, _, _ in lines
                                                     if "`" + l + "`" not in readme]
    failures = [f"not in README.md as it stands here: {m}" for m in missing]
    runner = find_tool(tool)
    if runner is None and not failures:
        package = {"pandas": "python3-pandas", "r": "r-base-core", "weka": "weka"}[tool]
        print(f"SKIPPED: {tool} is not installed (Debian package {package})")
        return SKIPPED
    if runner is None:
        print("\n".join(failures))
        return 1

    shutil.rmtree(work, ignore_errors=True)
    shutil.copytree(os.path.join(source, "samples"), os.path.join(work, "samples"))
    for run in runs:
        words = shlex.split(run)
        programs = {"./build/tunecmp/tunecmp": tunecmp, "./build/tunestat/tunestat": tunestat}
        words[0] = programs[words[0]]
        subprocess.run(words, cwd=work, check=True, capture_output=True)

    for line, rows, kinds in lines:
        try:
            loaded = load(tool, runner, line, work)
        except (RuntimeError, AttributeError, ValueError) as e:
            failures.append(f"{line}\n  failed: {e}")
            continue
        if loaded != (rows, kinds):
            failures.append(f"{line}\n  loaded {loaded}, expected {(rows, kinds)}")
    for failure in failures:
        print("FAILED:", failure)
    print(f"{tool}: {len(lines)} loading lines, {len(failures)} problems")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
