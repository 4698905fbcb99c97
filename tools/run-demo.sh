#!/usr/bin/env bash
# The main job: builds TagWedge and runs it under Wine with a virtual reader behind a
# pseudo-terminal cable, typing tag lines into a target window.
#   tools/run-demo.sh          with a display ($DISPLAY): shows the windows there and sends a line
#                              every 2 s until TagWedge is closed; without one: runs on Xvfb, sends
#                              8 lines, prints what was typed and saves a screenshot
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-deps.sh

# The 32-bit build is the primary one; it needs a 32-bit Wine loader, which not every machine can run.
preset=win32
/usr/lib/wine/wine --version >/dev/null 2>&1 || preset=win64
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset" --target TagWedge EpcDll demo >/dev/null
bin=$PWD/build/$preset/bin
state=$PWD/build/$preset/demo-env
shot=$PWD/build/$preset/demo-screenshot.png

lines=8
if [ -n "${DISPLAY:-}" ]; then
  export TAGWEDGE_DISPLAY=$DISPLAY
  lines=0
fi
tests/wine/harness/wine-env.sh start "$state" >/dev/null
trap 'tests/wine/harness/wine-env.sh stop "$state" >/dev/null' EXIT
. "$state/env"
loader=/usr/lib/wine/wine64
[ "$preset" = win32 ] && loader=/usr/lib/wine/wine

echo "TagWedge ($preset build) under Wine on display $DISPLAY"
out=$state/demo.out
"$loader" "$bin/demo.exe" "$lines" </dev/null >"$out" 2>&1 &
demo=$!
until grep -q "screenshot now" "$out" 2>/dev/null || ! kill -0 $demo 2>/dev/null; do sleep 0.2; done
if grep -q "screenshot now" "$out"; then
  import -display "$DISPLAY" -window root "$shot" 2>/dev/null && screenshot=yes
fi
status=0
wait $demo || status=$?
tr -d '\r' <"$out" | grep -v "screenshot now"
[ "${screenshot:-}" = yes ] && echo "screenshot: $shot"
exit $status
