#!/usr/bin/env python3
"""What the Linux clock costs while it runs, next to xclock and oclock.

Under one private Xvfb with openbox, each clock runs several times in turn; each run
measures, after a short settling time:
  - client CPU seconds per minute (all threads), and the X server's in the same span;
  - context switches per second of the client (all threads): its wake-ups;
  - resident memory at the end;
  - time from starting the program to its window being mapped.
The figures are medians over the runs; torven's client + X server CPU is also set
against xclock's of the same run, and the median of those ratios reported. Then:
  - how late each new second reaches the X server: the moments the X server reports
    new pixels in the clock's window (the Damage extension), in ms after the second;
  - instructions (callgrind) per second of running, of the clock and of an X server
    that runs under callgrind too, and per tick and per redraw of the clock; unlike
    times, they do not depend on how busy the machine is.

  bench/bench.py <torven binary> [--runs N] [--seconds S] [--clients torven,xclock]
                 [--before OTHER_TORVEN] [--size TWIPS] [--screen WxH] [--env NAME=VALUE]
                 [--no-callgrind]

With --before, another build of torven runs too (client "before"), interleaved with this
one, and this build's client + X CPU is set against it run by run.

Prints a Markdown report (bench/RESULTS.md keeps the last one).
"""
import argparse
import ctypes
import ctypes.util
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
    "before": None,  # another build of torven, with --before
    "xclock": ["xclock", "-analog", "-update", "1"],
    "oclock": ["oclock"],
    # Floors, built from bench/ into the scratch folder: what a wake-up a second costs
    # the operating system, and what a Qt window woken as often costs, doing nothing
    # or repainting a small square.
    "floor_poll": None,
    "floor_qt": None,
    "floor_qt_paint": None,
}
LABELS = {
    "floor_poll": "floor: poll() once a second, no window",
    "floor_qt": "floor: Qt window, empty 1 s QTimer",
    "floor_qt_paint": "floor: Qt window repainting 40x40 px each second",
}
WINDOW_NAMES = {"torven": "TORVEN", "before": "TORVEN", "xclock": "xclock", "oclock": "oclock"}
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
    CLIENTS["floor_qt_paint"] = [qt, "paint"]


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
    """Resident, proportional (shared pages divided among their users) and private dirty
    (what the process wrote itself: its heap and images, not the library pages that no
    other process happens to map)."""
    fields = {}
    with open(f"/proc/{pid}/smaps_rollup") as f:
        for line in f:
            parts = line.split()
            if len(parts) == 3 and parts[2] == "kB":
                fields[parts[0].rstrip(":")] = int(parts[1]) / 1024
    return (fields.get("Rss", 0), fields.get("Pss", 0),
            fields.get("Private_Dirty", 0))


class Desktop:
    """A private X server with a window manager, and a watch on windows being mapped."""

    def __init__(self, screen="1024x768", server_prefix=()):
        self.work = tempfile.mkdtemp(prefix="torven-bench-")
        read_fd, write_fd = os.pipe()
        self.xvfb = subprocess.Popen(
            [*server_prefix, "Xvfb", "-displayfd", str(write_fd), "-screen", "0",
             screen + "x24", "-nolisten", "tcp"], pass_fds=[write_fd],
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, cwd=self.work)
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
            capture_output=True).stdout, timeout=60)
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

    def start(self, command, maps=True, env=None):
        """Starts a client; returns it and the seconds until its window was mapped."""
        self._drain()
        started = time.monotonic()
        client = subprocess.Popen(command, env=dict(self.env, **(env or {})),
                                  stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        if not maps:
            return client, float("nan")
        buffer = b""
        while b"MapNotify" not in buffer:
            if not select.select([self.xev.stdout], [], [], 10)[0]:
                raise RuntimeError(f"{command[0]} did not map a window")
            buffer += os.read(self.xev.stdout.fileno(), 65536)
        return client, time.monotonic() - started

    def set_size(self, twips):
        """Starts torven at this size (twips) in the top left corner."""
        if not twips:
            return
        folder = os.path.join(self.env["XDG_CONFIG_HOME"], "TORVEN")
        os.makedirs(folder, exist_ok=True)
        with open(os.path.join(folder, "TORVEN.conf"), "w") as f:
            f.write(f"[Startup]\nSize={twips}\nLeft=0\nTop=0\n")

    def close(self):
        for process in (self.xev, self.wm, self.xvfb):
            process.terminate()
            process.wait()
        shutil.rmtree(self.work, ignore_errors=True)


def measure(desktop, command, seconds, settle=2.0, env=None):
    client, mapped = desktop.start(command, maps=command != CLIENTS["floor_poll"], env=env)
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


# --- how late the new second reaches the X server --------------------------------

class DamageWatch:
    """The moments (CLOCK_REALTIME) at which the X server reports new pixels in a
    window: a second client on the display, asking for a Damage event per change."""

    def __init__(self, display, window):
        self.x11 = ctypes.CDLL(ctypes.util.find_library("X11"))
        damage = ctypes.CDLL(ctypes.util.find_library("Xdamage"))
        self.x11.XOpenDisplay.restype = ctypes.c_void_p
        self.x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
        for name in ("XConnectionNumber", "XPending", "XFlush", "XCloseDisplay"):
            getattr(self.x11, name).argtypes = [ctypes.c_void_p]
        self.x11.XNextEvent.argtypes = [ctypes.c_void_p, ctypes.c_void_p]
        damage.XDamageQueryExtension.argtypes = [ctypes.c_void_p] + 2 * [
            ctypes.POINTER(ctypes.c_int)]
        damage.XDamageCreate.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int]
        damage.XDamageCreate.restype = ctypes.c_ulong
        self.dpy = self.x11.XOpenDisplay(display.encode())
        event_base, error_base = ctypes.c_int(), ctypes.c_int()
        if not damage.XDamageQueryExtension(self.dpy, ctypes.byref(event_base),
                                            ctypes.byref(error_base)):
            raise RuntimeError("the X server has no Damage extension")
        self.notify = event_base.value  # XDamageNotify is the extension's first event
        damage.XDamageCreate(self.dpy, window, 0)  # XDamageReportRawRectangles
        self.x11.XFlush(self.dpy)

    def watch(self, seconds):
        times = []
        event = ctypes.create_string_buffer(192)  # sizeof(XEvent)
        connection = self.x11.XConnectionNumber(self.dpy)
        end = time.monotonic() + seconds
        while time.monotonic() < end:
            select.select([connection], [], [], 0.2)
            arrived = time.clock_gettime(time.CLOCK_REALTIME)
            while self.x11.XPending(self.dpy):
                self.x11.XNextEvent(self.dpy, event)
                if ctypes.c_int.from_buffer(event).value == self.notify:
                    times.append(arrived)
        self.x11.XCloseDisplay(self.dpy)
        return times


def lateness(desktop, name, seconds, env=None, settle=3.0):
    """Milliseconds from each second's start to the first new pixels in it."""
    client, _ = desktop.start(CLIENTS[name], env=env)
    time.sleep(settle)
    window = subprocess.run(["xdotool", "search", "--onlyvisible", "--name",
                             f"^{WINDOW_NAMES[name]}$"], env=desktop.env, capture_output=True,
                            text=True, check=True).stdout.split()[0]
    watch = DamageWatch(desktop.display, int(window))
    began = time.clock_gettime(time.CLOCK_REALTIME)
    times = watch.watch(seconds)
    client.send_signal(signal.SIGTERM)
    client.wait(timeout=10)
    first = {}
    for t in times:
        if int(t) > began:  # whole seconds only
            first.setdefault(int(t), t)
    return [(t - second) * 1000 for second, t in sorted(first.items())]


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


def callgrind(seconds, size=None, env=None, settle=20):
    """Instructions a second of torven and of xclock, each with the X server in the same
    span (both run under callgrind), and torven's per tick and per redraw."""
    grind = ["valgrind", "--tool=callgrind", "--compress-strings=no", "--compress-pos=no"]
    work = tempfile.mkdtemp(prefix="torven-grind-")
    server_out = os.path.join(work, "xvfb.out")
    desktop = Desktop(server_prefix=[*grind, f"--callgrind-out-file={server_out}"])
    desktop.set_size(size)
    control = ["callgrind_control"]
    results = {}
    try:
        names = [name for name in ("torven", "before", "xclock") if CLIENTS[name]]
        # The X server does work once, for its first client of a kind (its caches): a first
        # run of torven, not counted, so that neither build in the comparison pays it.
        warm, _ = desktop.start(CLIENTS["torven"], maps=False, env=env)
        time.sleep(settle)
        warm.send_signal(signal.SIGTERM)
        warm.wait(timeout=120)
        subprocess.run([*control, "-z", str(desktop.xvfb.pid)], capture_output=True, check=True)
        for dump, name in enumerate(names, start=1):
            out = os.path.join(work, f"{name}.out")
            client, _ = desktop.start([*grind, f"--callgrind-out-file={out}", *CLIENTS[name]],
                                      maps=False, env=env if name != "xclock" else None)
            # Count only the steady state: zero after start-up, dump after `seconds`.
            time.sleep(settle)
            pids = [str(client.pid), str(desktop.xvfb.pid)]
            for pid in pids:
                subprocess.run([*control, "-z", pid], capture_output=True, check=True)
            time.sleep(seconds)
            for pid in pids:
                subprocess.run([*control, "-d", pid], capture_output=True, check=True)
            client.send_signal(signal.SIGTERM)
            client.wait(timeout=120)
            total, inclusive, calls = read_calls_and_costs(out + ".1")
            server_total, _, _ = read_calls_and_costs(f"{server_out}.{dump}")

            def find(function):  # by name, whatever its parameters
                names = [n for n in inclusive if n == function or n.startswith(function + "(")]
                return (sum(inclusive[n] for n in names), sum(calls.get(n, 0) for n in names))

            tick_ir, ticks = find("torven::Form1::Timer")
            draw_ir, draws = find("torven::Form1::DRAWHANDS")
            # A tick's pixels go out through X11Push (ClockWindow::Push before it); other
            # paints through Qt's repaint.
            pushed = [a + b for a, b in zip(find("torven::qt::X11Push::Send"),
                                            find("torven::qt::ClockWindow::Push"))]
            painted = find("QWidgetRepaintManager::sync")
            paint_ir, paints = pushed[0] + painted[0], pushed[1] + painted[1]
            results[name] = {"ticks": ticks, "redraws": draws, "tick_ir": tick_ir,
                             "draw_ir": draw_ir, "paint_ir": paint_ir, "paints": paints,
                             "total": total, "server": server_total, "seconds": seconds}
    finally:
        desktop.close()
        shutil.rmtree(work, ignore_errors=True)
    return results


def report_side_by_side(results, args):
    med = {name: {key: statistics.median(r[key] for r in runs) for key in runs[0]}
           for name, runs in results.items()}
    print(f"Medians of {args.runs} runs of {args.seconds:g} s each, one Xvfb {args.screen} "
          "with openbox, clients interleaved.\n")
    print("| client | client CPU s/min | X server CPU s/min | client + X | "
          "context switches/s | RSS MiB | PSS MiB | private dirty MiB | start to mapped ms |")
    print("|---|---|---|---|---|---|---|---|---|")
    for name, m in med.items():
        label = LABELS.get(name, " ".join(CLIENTS[name]) if name != "torven" else "torven")
        label = "torven before" if name == "before" else label
        print(f"| {label} | {m['client']:.3f} | {m['x']:.3f} | {m['client'] + m['x']:.3f} | "
              f"{m['switches']:.1f} | {m['rss']:.1f} | {m['pss']:.1f} | {m['private']:.1f} | "
              + (f"{m['mapped']:.0f} |" if m["mapped"] == m["mapped"] else "– |"))
    for other in ("xclock", "before"):
        if "torven" not in results or other not in results:
            continue
        ratios = [(t["client"] + t["x"]) / (x["client"] + x["x"])
                  for t, x in zip(results["torven"], results[other])]
        print(f"\ntorven's client + X CPU against {other}'s, run by run: "
              f"{', '.join(f'{r:.2f}' for r in ratios)}; median {statistics.median(ratios):.2f}.")


def report_lateness(late):
    print("\nNew pixels at the X server, ms after the start of the second:\n")
    print("| client | seconds | median | 90th percentile | worst |")
    print("|---|---|---|---|---|")
    for name, ms in late.items():
        if len(ms) < 2:  # oclock draws once a minute
            continue
        tenth = statistics.quantiles(ms, n=10, method="inclusive")[-1]
        print(f"| {name} | {len(ms)} | {statistics.median(ms):.1f} | {tenth:.1f} | "
              f"{max(ms):.1f} |")


def report_callgrind(grind):
    seconds = grind["torven"]["seconds"]
    print(f"\ncallgrind, {seconds} s of steady running, the X server under callgrind too; "
          "instructions a second:\n")
    print("| client | client | X server | client + X |")
    print("|---|---|---|---|")
    for name, g in grind.items():
        client, server = g["total"] / seconds, g["server"] / seconds
        print(f"| {name} | {client:,.0f} | {server:,.0f} | {client + server:,.0f} |")
    for name in ("torven", "before"):
        if name not in grind:
            continue
        g = grind[name]
        redraws = max(g["redraws"], 1)
        rest = (g["total"] - g["draw_ir"] - g["paint_ir"]) / max(g["ticks"], 1)
        print(f"\n{name}: {g['ticks']} ticks, {g['redraws']} of them with a new second, "
              f"{g['paints']} pushes or paints. Per redraw: hands and readout into the image "
              f"{g['draw_ir'] / redraws:,.0f}, pushing or repainting them to X "
              f"{g['paint_ir'] / redraws:,.0f}; "
              f"per tick, everything else (event loop, timer, reading the time) {rest:,.0f}.")


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("torven")
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--seconds", type=float, default=30)
    parser.add_argument("--clients", default=",".join(CLIENTS),
                        help="the clients to run, in this order (default: all)")
    parser.add_argument("--before", help="another build of torven to run beside this one")
    parser.add_argument("--size", type=int, help="torven's size in twips (15 to a pixel)")
    parser.add_argument("--screen", default="1024x768", help="the X server's screen, WxH")
    parser.add_argument("--env", action="append", default=[], metavar="NAME=VALUE",
                        help="more environment for torven")
    parser.add_argument("--late-seconds", type=float, default=30)
    parser.add_argument("--no-callgrind", action="store_true")
    args = parser.parse_args()
    CLIENTS["torven"] = [os.path.abspath(args.torven)]
    CLIENTS["before"] = [os.path.abspath(args.before)] if args.before else None
    names = [name for name in args.clients.split(",") if CLIENTS[name] or name.startswith("floor")]
    env = dict(item.split("=", 1) for item in args.env)

    desktop = Desktop(args.screen)
    try:
        desktop.set_size(args.size)
        if {"floor_poll", "floor_qt", "floor_qt_paint"} & set(names):
            build_floors(desktop.work)
        results = {name: [] for name in names}
        for run in range(args.runs):
            for name in names:  # interleaved: drift hits all alike
                results[name].append(measure(desktop, CLIENTS[name], args.seconds,
                                             env=env if name in ("torven", "before") else None))
                print(f"run {run + 1}/{args.runs} {name}: {results[name][-1]}", file=sys.stderr)
        late = {name: lateness(desktop, name, args.late_seconds,
                               env=env if name in ("torven", "before") else None)
                for name in names if name in WINDOW_NAMES and args.late_seconds > 0}
    finally:
        desktop.close()
    grind = None if args.no_callgrind else callgrind(20, args.size, env=env)

    if args.runs:
        report_side_by_side(results, args)
    if late:
        report_lateness(late)
    if grind:
        report_callgrind(grind)


if __name__ == "__main__":
    main()
