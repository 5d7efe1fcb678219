# Wine helpers for the scripts; source this file. WINEPREFIX must be set by the caller.
WINE64=/usr/lib/wine/wine64
WINESERVER=/usr/lib/wine/wineserver
export WINEDEBUG=${WINEDEBUG:--all}
# No Mono or Gecko installer dialogs, and no debugger on a crash.
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree=;mshtml=;winedbg.exe=d}

# wine_prefix: make the prefix if it is not there yet.
wine_prefix() {
  mkdir -p "$WINEPREFIX"
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    "$WINE64" wineboot -i </dev/null >/dev/null 2>&1
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
