# Sourced by the scripts: the Wine prefix of a build folder, made once, and the settings the rig
# depends on. Usage: . scripts/wine.sh build/win32
#
# One 64-bit prefix serves both Windows builds (the presets give both build/wineprefix), and one
# Xvfb session with one wineserver serves both test runs. A 32-bit prefix cannot run the 64-bit
# build at all ("Bad EXE format"), while a 64-bit one runs 32-bit programs beside 64-bit ones; so
# a prefix per architecture would only add a second prefix to make (15 to 18 s each, measured on 2
# busy cores, Wine 8.0; about 15 s for a 32-bit one before) and a second session to start. The
# 64-bit tests take about 2 minutes in the shared prefix. The 32-bit run could not be timed in
# either prefix: the machine measured on runs no i386 programs at all.
wine_build_dir=$(cd "$1" && pwd)
wine_prefix=$(sed -n 's/^VELNOR_WINE_PREFIX:PATH=//p' "$wine_build_dir/CMakeCache.txt" 2>/dev/null)
export WINEPREFIX="${wine_prefix:-$wine_build_dir/wineprefix}"
export WINEDEBUG=-all
# The prefix is made and served by the 64-bit loader: `wine` would start the 32-bit one first.
wine_loader=/usr/lib/wine/wine64
[ -x "$wine_loader" ] || wine_loader=wine
# What runs the build's own programs: Debian's `wine` for 32-bit ones, the 64-bit loader directly
# for 64-bit ones, since `wine` tries the 32-bit loader first.
wine_run=wine
[ "$(basename "$wine_build_dir")" != win64 ] || wine_run=$wine_loader

wine_prepare_prefix() {
  if [ ! -f "$WINEPREFIX/.velnor-ready" ] || ! grep -q '^#arch=win64' "$WINEPREFIX/system.reg"; then
    rm -rf "$WINEPREFIX"
    # No Mono or Gecko prompts: nothing here needs them.
    WINEDLLOVERRIDES="mscoree,mshtml=" "$wine_loader" wineboot -i >/dev/null 2>&1
    wineserver -w
    # Without this every message box takes 2 s to return after it is closed.
    "$wine_loader" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
    wineserver -w
    touch "$WINEPREFIX/.velnor-ready"
  fi
}

# Runs "$@" in one Xvfb session (24-bit, so exact colour checks hold) with one persistent
# wineserver, unless a display is already set. The prefix's services are started first with no
# pipes of ours: started by the first test instead, they inherit its output pipe and ctest waits
# for them until the test times out.
wine_session() {
  if [ -z "${DISPLAY:-}" ]; then
    xvfb-run -a -s "-screen 0 1024x768x24" bash -c 'wineserver -p; "$0" cmd /c exit </dev/null >/dev/null 2>&1; "$@"; rc=$?; wineserver -k; exit $rc' "$wine_loader" "$@"
  else
    wineserver -p
    "$wine_loader" cmd /c exit </dev/null >/dev/null 2>&1
    local rc=0
    "$@" || rc=$?
    wineserver -k
    return $rc
  fi
}
