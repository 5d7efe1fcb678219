# Wine helpers for the scripts; source this file. WINEPREFIX must be set by the caller.
WINE64=/usr/lib/wine/wine64
WINESERVER=/usr/lib/wine/wineserver
export WINEDEBUG=${WINEDEBUG:--all}
# No Mono or Gecko installer dialogs, and no debugger on a crash.
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree=;mshtml=;winedbg.exe=d}

# wine_prefix: make the prefix if it is not there yet. wineboot's output is shown only when it fails.
wine_prefix() {
  mkdir -p "$WINEPREFIX"
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    local log status=0
    log=$(mktemp)  # a file, not a pipe: Wine's background processes keep what they inherit open
    "$WINE64" wineboot -i </dev/null >"$log" 2>&1 || status=$?
    if [ "$status" -ne 0 ]; then
      echo "wineboot -i failed with status $status to make the Wine prefix $WINEPREFIX:" >&2
      cat "$log" >&2
    fi
    rm -f "$log"
    [ "$status" -eq 0 ] || return "$status"
    # wineboot's server lingers a few seconds; a persistent one can only start once it has gone.
    "$WINESERVER" -w </dev/null >/dev/null 2>&1 || true
  fi
}

# wine_up: make the prefix if needed, start a persistent wineserver and warm it, so that processes
# started later (also from ctest) do not wait for Wine's start-up or hold the caller's pipes open.
wine_up() {
  wine_prefix
  "$WINESERVER" -p </dev/null >/dev/null 2>&1 || true
  "$WINE64" cmd /c exit </dev/null >/dev/null 2>&1
}

# wine_down: end every process of the prefix and its server.
wine_down() {
  "$WINESERVER" -k </dev/null >/dev/null 2>&1 || true
  "$WINESERVER" -w </dev/null >/dev/null 2>&1 || true
}

# wine_runs_i386: whether this machine runs i386 programs at all (some kernels refuse every 32-bit
# executable); the i386 builds are then built but cannot be tried.
wine_runs_i386() {
  /usr/lib/wine/wine --version >/dev/null 2>&1
}
