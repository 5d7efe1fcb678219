# Runs a Windows CPython that the win32 and win64 presets build (tools/python25, tools/python3) under Wine, as
# a client runs it: the standard library from the source's Lib/, and the staged modules of dist/<edition>-<arch>/
# first on sys.path; the entries of PYTHONPATH (Linux paths, colon-separated) follow. With
# TESSIL_PYTHON_USER_BASE set (a Linux folder), dist/ stays off sys.path and the interpreter runs as a user's
# does who installs with pip --user there (Python 3: site.USER_SITE is <base>\Python39\site-packages). Both
# interpreters share the Wine prefix build/wine-python, made on first use. i386 runs under wine32, x86-64 under
# wine64.
# Usage, from a script: . script/lib/python-wine.sh; run_windows_python BUILT EDITION SOURCE_DIR ARCH ARGS...
# (BUILT: the interpreter's folder in build/<arch>/; EDITION: the dist prefix, python25 or python3;
# SOURCE_DIR: the interpreter's source tree.)

# A Linux path as the Windows programs see it: Wine's drive Z: is the root.
windows_path() {
  local path
  path=$(realpath -m "$1")
  printf 'Z:%s' "${path//\//\\}"
}

run_windows_python() {
  local built=$1 edition=$2 source=$3 arch=${4:-} launcher root
  shift 4 || true
  root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
  case "$arch" in
    win32) launcher=/usr/lib/wine/wine ;;
    win64) launcher=/usr/lib/wine/wine64 ;;
    *) echo "usage: $0 win32|win64 ARGS..." >&2; exit 2 ;;
  esac
  local python=$root/build/$arch/$built/python.exe
  if [ ! -f "$python" ]; then
    echo "$0: no $python: build it first (TESSIL_PRESETS=$arch script/build)" >&2
    exit 2
  fi
  local search_path=() entry extra
  if [ -n "${TESSIL_PYTHON_USER_BASE:-}" ]; then
    PYTHONUSERBASE=$(windows_path "$TESSIL_PYTHON_USER_BASE")
    export PYTHONUSERBASE
  else
    search_path+=("$(windows_path "$root/dist/$edition-$arch")")
  fi
  IFS=: read -r -a extra <<< "${PYTHONPATH:-}"
  for entry in "${extra[@]}"; do
    [ -n "$entry" ] && search_path+=("$(windows_path "$entry")")
  done
  PYTHONPATH=$(IFS=';'; printf '%s' "${search_path[*]}")
  export PYTHONPATH
  export PYTHONDONTWRITEBYTECODE=1  # the standard library is the shared source tree
  PYTHONHOME=$(windows_path "$source")
  export PYTHONHOME
  export WINEPREFIX=$root/build/wine-python
  # Wine's loader says why it could not start a process (a DLL not found, or one whose start failed) on this
  # channel alone: without it such a process ends within a few hundredths of a second, with no output at all.
  export WINEDEBUG=${WINEDEBUG:--all,err+module}
  . "$root/script/lib/wine.sh"
  wine_prefix
  # A closed standard descriptor would be taken by the next file Wine opens (its working directory), which the
  # interpreter would then take for its input or output: it gets the null device, Windows' nearest to none.
  local fd
  for fd in 0 1 2; do
    [ -e "/proc/$$/fd/$fd" ] || eval "exec $fd<>/dev/null"
  done
  exec "$launcher" "$python" "$@"
}
