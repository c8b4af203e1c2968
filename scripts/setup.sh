#!/usr/bin/env bash
# Installs, idempotently, everything the build, the tests and the demo need on a Debian machine.
# Runs as root; a second run with everything in place changes nothing and takes a second.
#
# A package mirror can be mid-sync for hours: one index fails to download, and the packages whose
# candidates come from that suite cannot be resolved for both architectures. So the update is
# tried three times and then taken as it is, and a failed install is tried again with the
# release's own versions, which are the same for every architecture.
set -euo pipefail

packages=(
  cmake make g++ clang libclang-rt-14-dev googletest
  g++-mingw-w64-i686-posix gcc-mingw-w64-i686-posix binutils-mingw-w64-i686
  g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
  wine wine32:i386 wine64 xvfb xauth zip unzip
)
# Without it only the 32-bit build's Wine tests cannot run; the test command says so.
optional=wine32:i386

sudo=""
[ "$(id -u)" = 0 ] || sudo="sudo"

if ! dpkg --print-foreign-architectures | grep -qx i386; then
  $sudo dpkg --add-architecture i386
fi

missing_packages() {
  local p
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || echo "$p"
  done
}

mapfile -t missing < <(missing_packages "${packages[@]}")
[ ${#missing[@]} -gt 0 ] || exit 0
echo "setup: installing ${missing[*]}"

update_log=$(mktemp)
trap 'rm -f "$update_log"' EXIT
updated=no
for attempt in 1 2 3; do
  if $sudo apt-get update -q >"$update_log" 2>&1; then
    updated=yes
    break
  fi
  [ "$attempt" = 3 ] || sleep "$attempt"
done
if [ "$updated" = no ]; then
  failed=$(sed -n 's/^E: Failed to fetch \([^ ]*\).*/\1/p' "$update_log" | paste -sd ' ' -)
  echo "setup: apt-get update failed 3 times (${failed:-$(grep '^E:' "$update_log" | head -1)});" \
    "going on with the package lists there are" >&2
fi

install() {
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q "$@"
}

codename=$(. /etc/os-release && echo "${VERSION_CODENAME:-}")
release=()
[ -z "$codename" ] || release=(-t "$codename")

install "${missing[@]}" && exit 0
if [ -n "$codename" ]; then
  echo "setup: the install failed; trying again with the release's own versions (-t $codename)" >&2
  install "${release[@]}" "${missing[@]}" && exit 0
fi
rest=()
for p in "${missing[@]}"; do [ "$p" = "$optional" ] || rest+=("$p"); done
if [ ${#rest[@]} -lt ${#missing[@]} ] && { [ ${#rest[@]} = 0 ] || install "${release[@]}" "${rest[@]}"; }; then
  echo "setup: $optional cannot be installed; the 32-bit build's Wine tests will not run" >&2
  exit 0
fi
mapfile -t still < <(missing_packages "${packages[@]}")
echo "setup: cannot install ${still[*]:-${missing[*]}}" >&2
exit 1
