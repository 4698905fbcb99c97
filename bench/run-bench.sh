#!/usr/bin/env bash
# Benchmarks TagWedge under Wine, side by side with the build whose loop never waits when idle,
# and prints one table. Usage: bench/run-bench.sh [lines idle_s flood_lines paced_s]
set -euo pipefail
cd "$(dirname "$0")/.."
lines=${1:-1000} idle=${2:-20} flood=${3:-1000} paced=${4:-10}

tools/install-deps.sh
cmake --preset win64 >/dev/null
cmake --build --preset win64 --target TagWedge TagWedgeBusy bench_driver EpcDll >/dev/null
bin=$PWD/build/win64/bin
state=$PWD/build/win64/bench-env
tests/wine/harness/wine-env.sh start "$state" >/dev/null
trap 'tests/wine/harness/wine-env.sh stop "$state" >/dev/null' EXIT
. "$state/env"
export WINELOADER=/usr/lib/wine/wine64

# utime + stime of a process, in clock ticks.
ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat" 2>/dev/null || echo 0; }
pid_of_program() {
  local p
  for p in /proc/[0-9]*; do
    grep -qa "$1" "$p/cmdline" 2>/dev/null && [ "$(tr '\0' ' ' <"$p/cmdline" | grep -c bench_driver)" = 0 ] \
      && { echo "${p#/proc/}"; return; }
  done
}
read -r server _ <"$state/pids/wineserver"
hz=$(getconf CLK_TCK)

# CPU of the program and of wineserver between the driver's <phase>-begin and <phase>-end lines,
# in % of one core.
sample() {
  local phase=$1 exe=$2 out=$3 driver=$4 program t0 s0 p0 t1 s1 p1
  until grep -q "$phase-begin" "$out" || ! kill -0 "$driver" 2>/dev/null; do sleep 0.05; done
  program=$(pid_of_program "$exe")
  t0=$(date +%s.%N) s0=$(ticks "$server") p0=$(ticks "$program")
  until grep -q "$phase-end" "$out" || ! kill -0 "$driver" 2>/dev/null; do sleep 0.05; done
  t1=$(date +%s.%N) s1=$(ticks "$server") p1=$(ticks "$program")
  awk -v a="$p0" -v b="$p1" -v c="$s0" -v d="$s1" -v t="$t0" -v u="$t1" -v hz="$hz" -v k="$phase" 'BEGIN {
    printf "%s_cpu_program_pct %.3f\n%s_cpu_wineserver_pct %.3f\n%s_cpu_total_pct %.3f\n",
      k, 100 * (b - a) / hz / (u - t), k, 100 * (d - c) / hz / (u - t), k, 100 * (b - a + d - c) / hz / (u - t) }'
}

# Runs the driver against one build; leaves its figures in bench.<exe>.
measure() {
  local exe=$1 out=$state/bench.$1 cpu=$state/cpu.$1
  "$WINELOADER" "$bin/bench_driver.exe" "$exe" COM5 COM6 "$lines" "$idle" "$flood" "$paced" \
    </dev/null >"$out" 2>"$out.err" &
  local driver=$!
  { sample baseline "$exe" "$out" $driver; sample idle "$exe" "$out" $driver; } >"$cpu"
  wait $driver || echo "bench: the driver reported a failure for $exe (see $out.err)" >&2
  cat "$cpu" >>"$out"
  echo "file_size_kib $(($(stat -c %s "$bin/$exe") / 1024))" >>"$out"
}

measure TagWedge.exe
measure TagWedgeBusy.exe
echo "file_size_epcdll_kib $(($(stat -c %s "$bin/EpcDll.dll") / 1024))" >>"$state/bench.TagWedge.exe"

echo "TagWedge under Wine ($(/usr/lib/wine/wine64 --version)), $(nproc) cores, $(uname -r)"
echo "lines=$lines idle=${idle}s flood_lines=$flood paced=${paced}s at 115200 baud"
awk '
  FNR == 1 { file++ }
  { sub(/\r$/, "") }
  /^[a-z0-9_]+ -?[0-9.]+$/ { v[file, $1] = $2; if (!($1 in seen)) { seen[$1] = 1; order[++n] = $1 } }
  END {
    printf "%-30s %14s %14s %10s\n", "figure", "TagWedge", "busy loop", "ratio"
    for (i = 1; i <= n; i++) {
      k = order[i]; a = v[1, k]; b = v[2, k]
      r = (a != "" && b != "" && a + 0 != 0) ? sprintf("%.2f", b / a) : "-"
      printf "%-30s %14s %14s %10s\n", k, a, (b == "" ? "-" : b), r
    }
  }' "$state/bench.TagWedge.exe" "$state/bench.TagWedgeBusy.exe"
