#!/usr/bin/env python3
"""What the Linux clock costs while it runs, next to xclock and oclock.

Under one private Xvfb with openbox, each clock runs several times in turn; each run
measures, after a short settling time:
  - client CPU seconds per minute (all threads), and the X server's in the same span;
  - context switches per second of the client (all threads);
  - resident memory at the end;
  - time from starting the program to its window being mapped.
The figures are medians over the runs. Then the clock runs under callgrind to count
instructions per quiet tick and per redraw, which, unlike times, do not depend on how
busy the machine is.

  bench/bench.py <torven binary> [--runs N] [--seconds S] [--no-callgrind]

Prints a Markdown report (bench/RESULTS.md keeps the last one).
"""
import argparse
import os
import re
import select
import shutil
import signal
import statistics
import subprocess
import sys
import tempfile
import time

CLIENTS = {
    "torven": None,  # filled from the command line
    "xclock": ["xclock", "-analog", "-update", "1"],
    "oclock": ["oclock"],
    # Floors, built from bench/ into the scratch folder: what ten wake-ups a second
    # cost the operating system, and what a do-nothing Qt window with the tick costs.
    "floor_poll": None,
    "floor_qt": None,
}
LABELS = {
    "floor_poll": "floor: poll() every 100 ms, no window",
    "floor_qt": "floor: Qt window, empty 100 ms QTimer",
}
HERE = os.path.dirname(os.path.abspath(__file__))


def build_floors(work):
    poll = os.path.join(work, "floor_poll")
    qt = os.path.join(work, "floor_qt")
    subprocess.run(["cc", "-O2", "-o", poll, os.path.join(HERE, "floor_poll.c")], check=True)
    flags = subprocess.run(["pkg-config", "--cflags", "--libs", "Qt6Widgets"], check=True,
                           capture_output=True, text=True).stdout.split()
    subprocess.run(["c++", "-std=c++17", "-O2", "-fPIC", "-o", qt,
                    os.path.join(HERE, "floor_qt.cpp"), *flags], check=True)
    CLIENTS["floor_poll"] = [poll]
    CLIENTS["floor_qt"] = [qt]


def cpu_ns(pid):
    """CPU time of every thread of the process, nanoseconds (schedstat)."""
    total = 0
    for task in os.listdir(f"/proc/{pid}/task"):
        with open(f"/proc/{pid}/task/{task}/schedstat") as f:
            total += int(f.read().split()[0])
    return total


def context_switches(pid):
    total = 0
    for task in os.listdir(f"/proc/{pid}/task"):
        with open(f"/proc/{pid}/task/{task}/status") as f:
            for line in f:
                if line.startswith(("voluntary_ctxt_switches", "nonvoluntary_ctxt_switches")):
                    total += int(line.split()[1])
    return total


def memory_mib(pid):
    """Resident, proportional (shared pages divided among their users) and private."""
    fields = {}
    with open(f"/proc/{pid}/smaps_rollup") as f:
        for line in f:
            parts = line.split()
            if len(parts) == 3 and parts[2] == "kB":
                fields[parts[0].rstrip(":")] = int(parts[1]) / 1024
    return (fields.get("Rss", 0), fields.get("Pss", 0),
            fields.get("Private_Clean", 0) + fields.get("Private_Dirty", 0))


class Desktop:
    """A private X server with a window manager, and a watch on windows being mapped."""

    def __init__(self):
        self.work = tempfile.mkdtemp(prefix="torven-bench-")
        read_fd, write_fd = os.pipe()
        self.xvfb = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_fd), "-screen", "0", "1024x768x24", "-nolisten",
             "tcp"], pass_fds=[write_fd], stderr=subprocess.DEVNULL)
        os.close(write_fd)
        with os.fdopen(read_fd) as f:
            self.display = ":" + f.readline().strip()
        self.env = dict(os.environ, DISPLAY=self.display, HOME=self.work,
                        XDG_CONFIG_HOME=os.path.join(self.work, "config"),
                        XDG_RUNTIME_DIR=os.path.join(self.work, "run"))
        os.makedirs(self.env["XDG_RUNTIME_DIR"], mode=0o700)
        self.wm = subprocess.Popen(["openbox", "--sm-disable"], env=self.env,
                                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self._wait(lambda: b"window id" in subprocess.run(
            ["xprop", "-root", "_NET_SUPPORTING_WM_CHECK"], env=self.env,
            capture_output=True).stdout)
        # MapNotify on the root window's children: the window manager's frame of a
        # newly mapped client window.
        self.xev = subprocess.Popen(["xev", "-root", "-event", "substructure"], env=self.env,
                                    stdout=subprocess.PIPE, bufsize=0)
        time.sleep(0.5)
        self._drain()

    @staticmethod
    def _wait(ready, timeout=10):
        end = time.monotonic() + timeout
        while time.monotonic() < end:
            if ready():
                return
            time.sleep(0.05)
        raise RuntimeError("the desktop did not come up")

    def _drain(self):
        while select.select([self.xev.stdout], [], [], 0)[0]:
            if not os.read(self.xev.stdout.fileno(), 65536):
                break

    def start(self, command, maps=True):
        """Starts a client; returns it and the seconds until its window was mapped."""
        self._drain()
        started = time.monotonic()
        client = subprocess.Popen(command, env=self.env, stdout=subprocess.DEVNULL,
                                  stderr=subprocess.DEVNULL)
        if not maps:
            return client, float("nan")
        buffer = b""
        while b"MapNotify" not in buffer:
            if not select.select([self.xev.stdout], [], [], 10)[0]:
                raise RuntimeError(f"{command[0]} did not map a window")
            buffer += os.read(self.xev.stdout.fileno(), 65536)
        return client, time.monotonic() - started

    def close(self):
        for process in (self.xev, self.wm, self.xvfb):
            process.terminate()
            process.wait()
        shutil.rmtree(self.work, ignore_errors=True)


def measure(desktop, command, seconds, settle=2.0):
    client, mapped = desktop.start(command, maps=command != CLIENTS["floor_poll"])
    time.sleep(settle)
    cpu0, x0, cs0 = cpu_ns(client.pid), cpu_ns(desktop.xvfb.pid), context_switches(client.pid)
    t0 = time.monotonic()
    time.sleep(seconds)
    elapsed = time.monotonic() - t0
    cpu1, x1, cs1 = cpu_ns(client.pid), cpu_ns(desktop.xvfb.pid), context_switches(client.pid)
    rss, pss, private = memory_mib(client.pid)
    client.send_signal(signal.SIGTERM)
    client.wait(timeout=10)
    per_minute = 60.0 / elapsed
    return {
        "client": (cpu1 - cpu0) / 1e9 * per_minute,
        "x": (x1 - x0) / 1e9 * per_minute,
        "switches": (cs1 - cs0) / elapsed,
        "rss": rss,
        "pss": pss,
        "private": private,
        "mapped": mapped * 1000,
    }


# --- callgrind -----------------------------------------------------------------

def read_calls_and_costs(path):
    """Inclusive Ir and call counts per function from a callgrind output file."""
    names, inclusive, calls = {}, {}, {}
    total = 0
    pending_call = None  # (callee, count): the next cost line is the call's inclusive cost

    def name_of(field):
        m = re.match(r"\((\d+)\)(?: (.*))?", field)
        if not m:
            return field
        if m.group(2):
            names[m.group(1)] = m.group(2)
        return names.get(m.group(1), field)

    with open(path) as f:
        for line in f:
            line = line.rstrip("\n")
            if line.startswith("fn="):
                name_of(line[3:])  # may introduce a compressed name
            elif line.startswith("cfn="):
                callee = name_of(line[4:])
                pending_call = [callee, 0]
            elif line.startswith("calls="):
                pending_call[1] = int(line[6:].split()[0])
            elif line.startswith("summary:") or line.startswith("totals:"):
                total = int(line.split()[1])
            elif line and (line[0].isdigit() or line[0] in "+-*"):
                parts = line.split()
                cost = int(parts[1]) if len(parts) > 1 else 0
                if pending_call:
                    callee, count = pending_call
                    inclusive[callee] = inclusive.get(callee, 0) + cost
                    calls[callee] = calls.get(callee, 0) + count
                    pending_call = None
    return total, inclusive, calls


def callgrind(desktop, torven, seconds, settle=15):
    """Instructions of the running clock, per tick and per redraw."""
    out = os.path.join(desktop.work, "callgrind.out")
    client = subprocess.Popen(
        ["valgrind", "--tool=callgrind", f"--callgrind-out-file={out}",
         "--compress-strings=no", "--compress-pos=no", torven],
        env=desktop.env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, cwd=desktop.work)
    # Count only the steady state: zero after start-up, dump after `seconds`.
    time.sleep(settle)
    subprocess.run(["callgrind_control", "-z", str(client.pid)], capture_output=True, check=True)
    time.sleep(seconds)
    subprocess.run(["callgrind_control", "-d", str(client.pid)], capture_output=True, check=True)
    client.send_signal(signal.SIGTERM)
    client.wait(timeout=120)
    total, inclusive, calls = read_calls_and_costs(out + ".1")

    def find(name):
        return inclusive.get(name, 0), calls.get(name, 0)

    tick_ir, ticks = find("torven::Form1::Timer()")
    draw_ir, draws = find("torven::Form1::DRAWHANDS()")
    paint_ir, paints = find("QWidgetRepaintManager::sync()")
    return {"ticks": ticks, "redraws": draws, "tick_ir": tick_ir, "draw_ir": draw_ir,
            "paint_ir": paint_ir, "paints": paints, "total": total, "seconds": seconds}


def report_side_by_side(results, args):
    med = {name: {key: statistics.median(r[key] for r in runs) for key in runs[0]}
           for name, runs in results.items()}
    print(f"Medians of {args.runs} runs of {args.seconds:g} s each, one Xvfb 1024x768 with "
          "openbox, clients interleaved.\n")
    print("| client | client CPU s/min | X server CPU s/min | client + X | "
          "context switches/s | RSS MiB | PSS MiB | private MiB | start to mapped ms |")
    print("|---|---|---|---|---|---|---|---|---|")
    for name, m in med.items():
        label = LABELS.get(name, " ".join(CLIENTS[name]) if name != "torven" else "torven")
        print(f"| {label} | {m['client']:.3f} | {m['x']:.3f} | {m['client'] + m['x']:.3f} | "
              f"{m['switches']:.1f} | {m['rss']:.1f} | {m['pss']:.1f} | {m['private']:.1f} | "
              f"{m['mapped']:.0f} |")
    ratio = (med["torven"]["client"] + med["torven"]["x"]) / (
        med["xclock"]["client"] + med["xclock"]["x"])
    print(f"\ntorven's client + X CPU is {ratio:.2f} times xclock's.")


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("torven")
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--seconds", type=float, default=30)
    parser.add_argument("--no-callgrind", action="store_true")
    args = parser.parse_args()
    CLIENTS["torven"] = [os.path.abspath(args.torven)]

    desktop = Desktop()
    try:
        build_floors(desktop.work)
        results = {name: [] for name in CLIENTS}
        for run in range(args.runs):
            for name, command in CLIENTS.items():  # interleaved: drift hits all alike
                results[name].append(measure(desktop, command, args.seconds))
                print(f"run {run + 1}/{args.runs} {name}: {results[name][-1]}", file=sys.stderr)
        grind = None if args.no_callgrind else callgrind(desktop, CLIENTS["torven"][0], 20)
    finally:
        desktop.close()

    if args.runs:
        report_side_by_side(results, args)
    if grind:
        g = grind
        redraws = max(g["redraws"], 1)
        redraw = (g["draw_ir"] + g["paint_ir"]) / redraws
        quiet = (g["total"] - g["draw_ir"] - g["paint_ir"]) / g["ticks"] if g["ticks"] else 0
        print(f"\ncallgrind, {g['seconds']} s of steady running: {g['ticks']} ticks, "
              f"{g['redraws']} of them with a new second, {g['paints']} paints; "
              f"{g['total']:,} instructions in all the process's threads.\n")
        print(f"- per tick, everything but drawing and painting (event loop, timer, time "
              f"reading): {quiet:,.0f} instructions")
        print(f"- per redraw, hands and readout into the image "
              f"{g['draw_ir'] / redraws:,.0f} + repaint and flush to X "
              f"{g['paint_ir'] / redraws:,.0f} = {redraw:,.0f} instructions")


if __name__ == "__main__":
    main()
