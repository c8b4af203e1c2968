# Sourced by the scripts: a Wine prefix of our own under the build folder, made once, and the
# settings the rig depends on. Usage: . scripts/wine.sh build/win32
wine_build_dir=$(cd "$1" && pwd)
export WINEPREFIX="$wine_build_dir/wineprefix"
export WINEDEBUG=-all

wine_prepare_prefix() {
  if [ ! -f "$WINEPREFIX/.velnor-ready" ]; then
    rm -rf "$WINEPREFIX"
    # No Mono or Gecko prompts: nothing here needs them.
    WINEDLLOVERRIDES="mscoree,mshtml=" wineboot -i >/dev/null 2>&1
    wineserver -w
    # Without this every message box takes 2 s to return after it is closed.
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
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
    xvfb-run -a -s "-screen 0 1024x768x24" bash -c 'wineserver -p; wine cmd /c exit </dev/null >/dev/null 2>&1; "$@"; rc=$?; wineserver -k; exit $rc' _ "$@"
  else
    wineserver -p
    wine cmd /c exit </dev/null >/dev/null 2>&1
    local rc=0
    "$@" || rc=$?
    wineserver -k
    return $rc
  fi
}
