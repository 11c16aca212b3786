# Wine and a virtual X display for the Windows test suites. The prefix lives
# in the build folder so tests never touch a user's own prefix; the wine
# server and Xvfb are ended by their own process ids.

WINE64=/usr/lib/wine/wine64
WINESERVER=/usr/lib/wine/wineserver

# Whether this machine runs 32-bit programs: Wine's 32-bit half is a 32-bit
# Linux program, and some kernels are built without 32-bit support.
wine32_runs() {
  [ -x /usr/lib/wine/wine ] && /usr/lib/wine/wine --version >/dev/null 2>&1
}

# A virtual X display of its own (DISPLAY, XVFB_PID): the server picks a
# free number.
start_display() {
  local display_file
  display_file=$(mktemp)
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$display_file" >/dev/null 2>&1 &
  XVFB_PID=$!
  for _ in $(seq 1 100); do
    [ -s "$display_file" ] && break
    sleep 0.1
  done
  export DISPLAY=":$(head -n 1 "$display_file")"
  rm -f "$display_file"
}

# The environment of Wine in the prefix of a build folder.
wine_environment() {
  local build_dir=$1
  export WINEPREFIX="$build_dir/wineprefix"
  export WINEDEBUG=-all
  # Without its menu builder, Wine copies no shortcut that a test creates
  # into this machine's own menus.
  export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
  export WINE64
}

# Makes the prefix where there is none yet (wineboot -i, tens of seconds,
# mostly waiting). Needs wine_environment and a display.
make_wine_prefix() {
  # A prefix made before Wine's 32-bit half was installed has no 32-bit
  # system, and 32-bit programs fail in it: make it anew.
  if wine32_runs && [ -f "$WINEPREFIX/system.reg" ] &&
    [ ! -f "$WINEPREFIX/drive_c/windows/syswow64/kernel32.dll" ]; then
    rm -rf "$WINEPREFIX"
  fi
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    "$WINE64" wineboot -i >/dev/null 2>&1
  fi
  profile_folders_in_prefix
}

# A new prefix links the profile's Desktop, Documents, Downloads, Music,
# Pictures, Videos and Templates to the Unix home folder (or its XDG
# folders): a test's desktop shortcut would land in the home of whoever runs
# the tests. Each link becomes an empty folder of the prefix; Wine leaves
# real folders as they are when it boots or updates the prefix. Prefixes
# made before are mended here too.
profile_folders_in_prefix() {
  local link
  while IFS= read -r -d '' link; do
    rm -f "$link" && mkdir "$link"
  done < <(find "$WINEPREFIX/drive_c/users" -type l -print0 2>/dev/null)
}

# The prefix of a build folder made ahead, while something else runs: on a
# display of its own, and with Wine's server ended on its own afterwards,
# so that the registry is on disk before a session starts.
prepare_wine_prefix() {
  wine_environment "$1"
  start_display
  make_wine_prefix
  timeout 120 "$WINESERVER" -w >/dev/null 2>&1
  kill "$XVFB_PID" >/dev/null 2>&1
  wait "$XVFB_PID" 2>/dev/null
  return 0
}

start_wine_session() {
  local build_dir=$1
  wine_environment "$build_dir"

  start_display

  make_wine_prefix
  # One persistent server: each test process then starts in a tenth of a
  # second instead of seconds.
  "$WINESERVER" -p >/dev/null 2>&1 &
  # Wine's own services start with the first program and keep its standard
  # streams; let them start here, away from the tests' output.
  "$WINE64" wineboot >/dev/null 2>&1
  # The display has no window manager: a window that Wine leaves to one is
  # waited on for two seconds when it closes (every message box). Wine
  # places the windows itself instead.
  if ! grep -q '^"Managed"="N"' "$WINEPREFIX/user.reg" 2>/dev/null; then
    "$WINE64" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
  fi
  # A crashed program would start Wine's debugger (winedbg), which here
  # keeps the process waiting for a minute and more instead of ending it.
  # Wine starts the command of AeDebug's "Debugger" value, and winedbg when
  # the value is absent; "Auto" other than 1 first asks in a message box. An
  # empty command with Auto=1 starts nothing: the process ends at once,
  # after Wine's "Unhandled ..." line, which scripts/test looks for. The
  # registry file is written some time after a change: a prefix whose file
  # does not show both values yet (a new one) gets them written again.
  if ! aedebug_off; then
    local key='HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug'
    "$WINE64" reg add "$key" /v Debugger /d '' /f >/dev/null 2>&1
    "$WINE64" reg add "$key" /v Auto /d 1 /f >/dev/null 2>&1
  fi
}

# Whether the prefix's crash debugger is off already (as start_wine_session
# leaves it).
aedebug_off() {
  awk '/^\[/ { inside = ($0 ~ /^\[Software\\\\Microsoft\\\\Windows NT\\\\CurrentVersion\\\\AeDebug\]/) }
       inside && $0 == "\"Debugger\"=\"\"" { debugger = 1 }
       inside && $0 == "\"Auto\"=\"1\"" { auto = 1 }
       END { exit !(debugger && auto) }' "$WINEPREFIX/system.reg" 2>/dev/null
}

# Process ids of everything running in our prefix: the server, the launched
# programs and Wine's own helpers (services, explorer, ...).
wine_session_pids() {
  local pid
  for pid in $(ls /proc | grep -E '^[0-9]+$'); do
    if { tr '\0' '\n' <"/proc/$pid/environ"; } 2>/dev/null | grep -qxF "WINEPREFIX=$WINEPREFIX"; then
      echo "$pid"
    fi
  done
}

stop_wine_session() {
  if [ -n "${WINEPREFIX:-}" ]; then
    "$WINESERVER" -k >/dev/null 2>&1 || true
    local pids
    pids=$(wine_session_pids)
    [ -n "$pids" ] && kill -9 $pids >/dev/null 2>&1 || true
  fi
  [ -n "${XVFB_PID:-}" ] && kill "$XVFB_PID" >/dev/null 2>&1 || true
  wait 2>/dev/null || true
}
