#!/usr/bin/env bash
# scripts/setup.sh against a stand-in apt-get, dpkg and dpkg-query first on PATH: a mirror
# mid-sync whose update always fails and whose install resolves only with the release's own
# versions, a 32-bit Wine that cannot be had, nothing that can be installed, and nothing missing.
set -uo pipefail
cd "$(dirname "$0")/../.."
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
codename=$(. /etc/os-release && echo "${VERSION_CODENAME:-}")

mkdir "$root/bin"
cat >"$root/bin/apt-get" <<'STUB'
#!/usr/bin/env bash
# Stand-in: "update" fails as a mirror mid-sync does; "install" installs (into $STATE/installed)
# only when its mode allows: release (only with -t), no32 (with -t, never wine32:i386), none.
echo "apt-get $*" >>"$STATE/calls"
if [ "$1" = update ]; then
  echo "E: Failed to fetch http://mirror/dists/x-security/main/binary-i386/Packages.xz  File has unexpected size (1 != 2). Mirror sync in progress?"
  exit 100
fi
shift
release=no packages=()
while [ $# -gt 0 ]; do
  case "$1" in -t) release=$2; shift ;; -*) ;; *) packages+=("$1") ;; esac
  shift
done
[ "$MODE" != none ] && [ "$release" = "$CODENAME" ] || exit 100
for p in "${packages[@]}"; do [ "$MODE:$p" != no32:wine32:i386 ] || exit 100; done
printf '%s\n' "${packages[@]}" >>"$STATE/installed"
STUB
cat >"$root/bin/dpkg-query" <<'STUB'
#!/usr/bin/env bash
grep -qxF "${@: -1}" "$STATE/installed" && echo "install ok installed"
STUB
printf '#!/bin/sh\necho i386\n' >"$root/bin/dpkg"
printf '#!/bin/sh\n' >"$root/bin/sleep"
printf '#!/bin/sh\nexec "$@"\n' >"$root/bin/sudo"
chmod +x "$root"/bin/*

all=$(sed -n '/^packages=(/,/^)/p' scripts/setup.sh | sed '1d;$d' | tr -s ' \n' '\n' | sed '/^$/d')
passed=0 failed=0
check() { # name, condition
  if eval "$2"; then passed=$((passed + 1)); else failed=$((failed + 1)); echo "FAILED: $1 ($2)"; cat "$out"; fi
}
# mode, packages installed before, expected exit status, expected in the output, installed after
while IFS='|' read -r mode before status says after; do
  state="$root/$mode-$status"
  mkdir -p "$state"
  if [ "$before" = all ]; then echo "$all" >"$state/installed"; else : >"$state/installed"; fi
  out="$state/out"
  STATE=$state MODE=$mode CODENAME=$codename PATH="$root/bin:$PATH" bash scripts/setup.sh >"$out" 2>&1
  rc=$?
  check "$mode: exit status" "[ $rc = $status ]"
  if [ "$says" = - ]; then check "$mode: says nothing" "[ ! -s \"\$out\" ]"
  else check "$mode: says '$says'" "grep -q \"$says\" \"\$out\""; fi
  check "$mode: installed" "[ \"\$(sort -u \"$state/installed\" | wc -l)\" = $after ]"
  [ "$before" = all ] || check "$mode: update tried 3 times" "[ \$(grep -c update \"$state/calls\") = 3 ]"
done <<TABLE
release|none|0|release's own versions (-t $codename)|$(echo "$all" | wc -l)
no32|none|0|32-bit build's Wine tests will not run|$(($(echo "$all" | wc -l) - 1))
none|none|1|^setup: cannot install cmake .*wine32:i386|0
none|all|0|-|$(echo "$all" | wc -l)
TABLE
grep -q "binary-i386/Packages.xz" "$root/release-0/out" && passed=$((passed + 1)) ||
  { failed=$((failed + 1)); echo "FAILED: the failed index is not named"; }
echo "setup_test: $passed passed, $failed failed"
[ "$failed" = 0 ]
