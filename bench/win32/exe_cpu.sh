#!/usr/bin/env bash
# torven.exe on its own for a minute, after two seconds of start-up, under the Wine
# prefix and on the display the caller set up: its CPU time, all threads, from the
# kernel (under Wine, GetProcessTimes cannot see another process's time).
#   exe_cpu.sh <torven.exe>
set -euo pipefail
exe=$1
wine "$exe" &
pid=$!  # wine becomes the program
sleep 2
cpu_ns() { cat /proc/"$pid"/task/*/schedstat | awk '{ n += $1 } END { print n }'; }
before=$(cpu_ns)
sleep 60
awk -v ns=$(($(cpu_ns) - before)) -v exe="$exe" \
    'BEGIN { printf "%s alone, 60 s: %.3f CPU s/min\n", exe, ns / 1e9 }'
kill "$pid"
