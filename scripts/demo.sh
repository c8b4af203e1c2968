#!/usr/bin/env bash
# Builds everything and runs Velnor in the stand-in shell under Wine on this machine's real
# interfaces: in a live window when a display is set, under Xvfb otherwise. After a few seconds of
# ticks it writes a screenshot of the widget to build/demo/velnor.png, then prints the kernel's
# own counters of the interface shown, in the widget's formats. When nothing moves (or with
# --traffic) it shows the loopback and makes its own traffic there, rising and falling. It also
# writes build/demo/usage.png, the usage window of the month: its days before today come from
# samples/demo.usage, today's column is the machine's own traffic; and build/demo/usage-cap.png,
# the same window against a cap of 100 GB. Nothing outside build/ is written: the README's
# pictures are runs of it, committed by hand.
# Usage: scripts/demo.sh [--traffic] [seconds [interface]]   (5 seconds; the busiest interface)
set -euo pipefail
cd "$(dirname "$0")/.."
traffic=
if [ "${1:-}" = --traffic ]; then
  traffic=asked
  shift
fi
seconds=${1:-5}
wanted=${2:-}
case "$seconds" in '' | *[!0-9]*) echo "demo: seconds must be a number" >&2; exit 2 ;; esac

scripts/setup.sh
preset=$(scripts/windows_preset.sh)
[ "$preset" = win32 ] || echo "demo: this kernel runs no 32-bit programs: showing the 64-bit build"
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset" -j "$(nproc)"
. scripts/wine.sh "build/$preset"
wine_prepare_prefix

# The interface that moved most over one second (its total breaks ties), so that the graphs show
# something, the loopback only when nothing else is there; and the bytes it moved.
busiest_interface() {
  local before after
  before=$(tail -n +3 /proc/net/dev)
  sleep 1
  after=$(tail -n +3 /proc/net/dev)
  join <(echo "$before" | tr ':' ' ' | awk '{print $1, $2 + $10}' | sort) \
       <(echo "$after" | tr ':' ' ' | awk '{print $1, $2 + $10}' | sort) |
    awk '{ lo = ($1 == "lo") ? 1 : 0; print lo, $3 - $2, $3, $1 }' |
    sort -k1,1n -k2,2nr -k3,3nr | head -n 1 | awk '{print $4, $2}'
}

demo=build/demo
mkdir -p "$demo"
cp "build/$preset/bin/kestrum.exe" "build/$preset/bin/Velnor.dll" "$demo/"

if [ -z "$wanted" ] && [ -z "$traffic" ] && [ -r /proc/net/dev ]; then
  read -r wanted moved < <(busiest_interface)
  [ "$moved" != 0 ] || traffic=quiet
fi
case "$traffic" in
  asked) echo "demo: making ramped traffic through the loopback (lo) while the widget runs, as asked" ;;
  quiet) echo "demo: nothing moves here: making ramped traffic through the loopback (lo) while the widget runs" ;;
esac
[ -z "$traffic" ] || wanted=lo
# Wine names each interface after its Linux name; find its position in the table the widget sees.
# Inside a session of its own: a Wine started without the display would keep the desktop from the
# widget's session.
listing=$(wine_session "$wine_run" "build/$preset/bin/ifstat.exe" 0 2>/dev/null | tr -d '\r')
echo "$listing" | grep -E "^ *[0-9]+: "
position=$(echo "$listing" | awk -v name="$wanted" '$1 ~ /^[0-9]+:$/ && $2 == name { sub(":", "", $1); print $1; exit }')
position=${position:-0}
wanted=${wanted:-$(echo "$listing" | awk '$1 == "0:" { print $2; exit }')}
echo "demo: showing interface $position (${wanted:-the first}) for $seconds seconds"

# The widget's run counts as the interface's counters do (Velnor.period: boot), so that its
# labels can be held against the kernel's; the usage window's runs before and after it keep the
# month's ledger.
{ cat samples/demo.rc; echo "Velnor.adapter: $position"; } >"$demo/Velnor.rc"
{ cat "$demo/Velnor.rc"; echo "Velnor.period: month"; } >"$demo/month.rc"
# The same month held against a cap: the usage window's picture with a limit.
{ cat "$demo/month.rc"; echo "Velnor.cap: 100 GB"; } >"$demo/cap.rc"
price=$(awk -F': *' 'tolower($1) == "velnor.price" { print $2; exit }' "$demo/Velnor.rc")
rm -f "$demo/velnor.png" "$demo/usage.png" "$demo/usage-cap.png" "$demo/kestrum.log" "$demo/usage.log" "$demo"/Velnor.usage*
cp "build/$preset/bin/traffic.exe" "$demo/"

# The month's earlier days: a first start and stop makes the ledger, whose interface lines give
# the shown interface's id and whose checkpoints start today's count; the sample's days before
# today go onto this month's same days for that interface.
cp "$demo/Velnor.rc" "$demo/boot.rc"
cp "$demo/month.rc" "$demo/Velnor.rc"
(cd "$demo" && wine_session "$wine_run" kestrum.exe --log usage.log Velnor.dll "start free" "stop" >/dev/null 2>&1)
cp "$demo/boot.rc" "$demo/Velnor.rc"
id=$(awk -F'\t' -v name="$wanted" '$1 == "interface" && $3 == name { print $2; exit }' "$demo/Velnor.usage" 2>/dev/null || true)
id=${id:-$wanted}
awk -F'\t' -v OFS='\t' -v month="$(date +%Y-%m)" -v today="$(date +%d)" -v id="$id" \
  '$1 ~ /^[0-9][0-9][0-9][0-9]-[0-9][0-9]-[0-9][0-9]$/ && substr($1, 9, 2) + 0 < today + 0 { print month "-" substr($1, 9, 2), id, $3, $4 }' \
  samples/demo.usage >>"$demo/Velnor.usage"
echo "demo: the usage window's days of this month before today are the sample month samples/demo.usage, copied into the ledger beside the DLL for ${wanted:-the first interface}; today's column is this machine's real traffic"
# The traffic rises from nothing and falls back over the run, ending about a tick after the
# screenshot (both programs start in one session, each about as fast): the picture catches it
# falling, and the kernel's counters printed after it lead the picture's totals by little more
# than the traffic since the widget's last tick.
# The usage window's run comes last: its start counts what moved since the first start, the
# widget's run included, into today.
ramp=0
[ -z "$traffic" ] || ramp=$((seconds * 1000 + 250))
(
  cd "$demo"
  wine_session bash -c '
    [ "$1" -le 250 ] || "$0" traffic.exe ramp "$1" &
    "$0" kestrum.exe --log kestrum.log Velnor.dll \
      "start free" "wait $(($2 * 1000))" "screenshot velnor.png" "stop"
    wait
    "$0" traffic.exe counters "$3" "$4"
    cp month.rc Velnor.rc
    "$0" kestrum.exe --log usage.log Velnor.dll "start free" "broadcast @Velnor.usage" \
      "screenshot usage.png \"Velnor usage\"" "stop" >/dev/null
    cp cap.rc Velnor.rc
    "$0" kestrum.exe --log usage.log Velnor.dll "start free" "broadcast @Velnor.usage" \
      "screenshot usage-cap.png \"Velnor usage\"" "stop" >/dev/null
    cp boot.rc Velnor.rc' "$wine_run" "$ramp" "$seconds" "${wanted:-lo}" "${price:-1}" | tr -d '\r'
)
if [ ! -s "$demo/velnor.png" ]; then
  echo "demo: no screenshot was written; see $demo/kestrum.log" >&2
  exit 1
fi
echo "demo: wrote $demo/velnor.png"
if [ ! -s "$demo/usage.png" ]; then
  echo "demo: no picture of the usage window was written; see $demo/usage.log" >&2
  exit 1
fi
echo "demo: wrote $demo/usage.png (the days before today from samples/demo.usage)"
if [ ! -s "$demo/usage-cap.png" ]; then
  echo "demo: no picture of the usage window with a cap was written; see $demo/usage.log" >&2
  exit 1
fi
echo "demo: wrote $demo/usage-cap.png, the same month against Velnor.cap: 100 GB"
