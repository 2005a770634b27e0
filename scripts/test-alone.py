#!/usr/bin/env python3
"""Runs every GoogleTest case of a build tree on its own (--gtest_filter), each
in a process of its own, so that no case passes only thanks to one that ran
before it. The programs and their folders and environments come from ctest.

  scripts/test-alone.py BUILD_DIR [--label L | --not-label L]

Windows programs run through the tree's emulator, so a Windows tree is run
inside a Wine session (make test-alone does that).
"""
import json
import os
import subprocess
import sys


def ctest_programs(build_dir, label, not_label):
    out = subprocess.run(["ctest", "--show-only=json-v1"], cwd=build_dir, check=True,
                         capture_output=True, text=True).stdout
    for test in json.loads(out)["tests"]:
        command = test.get("command") or []
        if not command or not command[-1].endswith(("_test", "_test.exe")):
            continue  # scripts and programs with arguments are not GoogleTest programs
        props = {p["name"]: p["value"] for p in test.get("properties", [])}
        labels = props.get("LABELS", [])
        if (label and label not in labels) or (not_label and not_label in labels):
            continue
        env = dict(os.environ)
        env.update(v.split("=", 1) for v in props.get("ENVIRONMENT", []))
        yield test["name"], command, props.get("WORKING_DIRECTORY", build_dir), env


def list_cases(command, cwd, env):
    result = subprocess.run(command + ["--gtest_list_tests"], cwd=cwd, env=env,
                            capture_output=True, text=True, timeout=300)
    cases, suite = [], None
    for line in result.stdout.splitlines():
        if not line.strip() or line.startswith(("Running main", "[")):
            continue
        if not line.startswith(" "):
            suite = line.split("#")[0].strip()
        elif suite and "DISABLED_" not in suite + line:
            cases.append(suite + line.split("#")[0].strip())
    return cases


def main():
    args = sys.argv[1:]
    if not args:
        sys.exit(__doc__)
    build_dir = os.path.abspath(args[0])
    label = args[args.index("--label") + 1] if "--label" in args else None
    not_label = args[args.index("--not-label") + 1] if "--not-label" in args else None
    failed, count = [], 0
    for name, command, cwd, env in ctest_programs(build_dir, label, not_label):
        cases = list_cases(command, cwd, env)
        if not cases:
            failed.append(name + " (lists no test)")
            continue
        for case in cases:
            count += 1
            run = subprocess.run(command + ["--gtest_filter=" + case], cwd=cwd, env=env,
                                 capture_output=True, text=True, timeout=600)
            if run.returncode != 0 or "[  PASSED  ] 1 test." not in run.stdout:
                failed.append(name + " " + case)
                print(run.stdout[-3000:] + run.stderr[-1000:])
        print(f"{name}: {len(cases)} cases alone", flush=True)
    print(f"{count} cases run alone in {build_dir}, {len(failed)} failed")
    for f in failed:
        print("  FAILED " + f)
    sys.exit(1 if failed else 0)


if __name__ == "__main__":
    main()
