#!/usr/bin/env python3
"""Runs each fuzz_* executable of the fuzz build for a fixed time with its seed folders, reports
the CPU time fuzzed and writes a JUnit file (one test case per target; a crash is a failure)."""
import argparse
import glob
import os
import resource
import subprocess
import sys
import time
import xml.etree.ElementTree as ET

parser = argparse.ArgumentParser()
parser.add_argument("--build", required=True)
parser.add_argument("--root", required=True)
parser.add_argument("--seconds", type=int, default=60)
parser.add_argument("--junit")
args = parser.parse_args()

targets = sorted(p for p in glob.glob(os.path.join(args.build, "fuzz_*")) if os.access(p, os.X_OK) and os.path.isfile(p))
suite = ET.Element("testsuite", name="fuzz")
total_cpu = 0.0
failed = 0
for target in targets:
    name = os.path.basename(target)
    work = os.path.join(args.build, "corpus", name)
    os.makedirs(work, exist_ok=True)
    seeds = [work]
    seed_list = os.path.join(args.root, "fuzz", name + ".seeds")
    if os.path.exists(seed_list):
        with open(seed_list) as f:
            seeds += [os.path.join(args.root, line.strip()) for line in f if line.strip() and not line.startswith("#")]
    dictionary = os.path.join(args.root, "fuzz", name + ".dict")
    command = [target, f"-max_total_time={args.seconds}", "-rss_limit_mb=2048", "-timeout=10",
               f"-artifact_prefix={os.path.join(args.build, 'findings', name)}-", "-print_final_stats=1"]
    if os.path.exists(dictionary):
        command.append(f"-dict={dictionary}")
    os.makedirs(os.path.join(args.build, "findings"), exist_ok=True)
    before = resource.getrusage(resource.RUSAGE_CHILDREN)
    started = time.time()
    log_path = os.path.join(args.build, name + ".log")
    with open(log_path, "w") as log:
        result = subprocess.run(command + seeds, stdout=log, stderr=subprocess.STDOUT)
    after = resource.getrusage(resource.RUSAGE_CHILDREN)
    cpu = (after.ru_utime - before.ru_utime) + (after.ru_stime - before.ru_stime)
    total_cpu += cpu
    case = ET.SubElement(suite, "testcase", classname="fuzz", name=name, time=f"{time.time() - started:.1f}")
    if result.returncode != 0:
        failed += 1
        with open(log_path, errors="replace") as log:
            ET.SubElement(case, "failure", message=f"exit {result.returncode}").text = log.read()[-4000:]
        print(f"FUZZ FINDING in {name}: see {log_path}", file=sys.stderr)
    else:
        print(f"{name}: {cpu:.1f} s CPU, no finding", file=sys.stderr)
print(f"fuzzed {len(targets)} targets, {total_cpu:.1f} s CPU in all, {failed} with findings", file=sys.stderr)
if args.junit:
    os.makedirs(os.path.dirname(args.junit), exist_ok=True)
    ET.ElementTree(suite).write(args.junit, encoding="utf-8", xml_declaration=True)
sys.exit(1 if failed else 0)
