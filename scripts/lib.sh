# Set-up shared by the scripts; sourced, not run. After it: $corvelle_root,
# $wine_loader and $wine_server, and the functions below.

corvelle_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
wine_loader=/usr/lib/wine/wine64
wine_server=/usr/lib/wine/wineserver64

# install_missing CALLER PACKAGE...: installs the Debian packages that are
# not installed yet, with one apt-get run; fails when some are missing and
# this is not root.
install_missing() {
  local caller=$1
  shift
  local missing=() package
  for package in "$@"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' || missing+=("$package")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  if [ "$(id -u)" -ne 0 ]; then
    echo "$caller: packages missing and not running as root: ${missing[*]}" >&2
    return 1
  fi
  echo "== Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq && apt-get install -y -qq "${missing[@]}" >/dev/null
}

# use_wine_prefix PATH: the Wine prefix of every Wine program this run starts
# (scripts/wine-run reads it).
use_wine_prefix() {
  export CORVELLE_WINEPREFIX=$1
}

# prepare_wine_prefix: creates the prefix on first use, once even when several
# programs start at the same time.
prepare_wine_prefix() {
  local prefix=${CORVELLE_WINEPREFIX:-$corvelle_root/build/windows/wineprefix}
  [ -f "$prefix/.corvelle-ready" ] && return 0
  mkdir -p "$(dirname "$prefix")"
  (
    flock 9
    if [ ! -f "$prefix/.corvelle-ready" ]; then
      WINEPREFIX="$prefix" WINEDLLOVERRIDES="mscoree,mshtml=" "$wine_loader" wineboot --init >/dev/null 2>&1
      # A crashing test must fail, not wait for someone to close a dialog.
      WINEPREFIX="$prefix" "$wine_loader" reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD \
        /d 0 /f >/dev/null 2>&1
      WINEPREFIX="$prefix" "$wine_server" -w
      touch "$prefix/.corvelle-ready"
    fi
  ) 9>"$prefix.lock"
}

# stop_wine: ends the prefix's Wine server and whatever still runs in it.
stop_wine() {
  WINEPREFIX="${CORVELLE_WINEPREFIX:-$corvelle_root/build/windows/wineprefix}" "$wine_server" -k >/dev/null 2>&1 ||
    true
}
