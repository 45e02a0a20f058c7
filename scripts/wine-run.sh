#!/bin/sh
# Runs a Windows program under Wine in a private prefix: wine-run.sh PREFIX PROGRAM [ARGS...]
# (wine-run.sh --prefix PREFIX prints the prefix a program would run in.)
#
# A prefix belongs to one user (Wine refuses another's): a user who does not own PREFIX gets one
# of their own beside it, PREFIX-USER. The tests run as an ordinary user, the package check as
# root, on one build folder.
#
# The prefix is made on first use: no Mono or Gecko prompts; windows not handed to a window
# manager, which would make every hide wait about two seconds; the temporary folder on the Linux
# side (Z:), beside the prefix, so tests work on real folders there rather than inside the
# prefix, and the shell's folder dialog does not walk a /tmp that other programs keep changing.
#
# Wine's background processes start with the first program of a session and keep whatever output
# that program had, so a caller reading through a pipe (ctest) would wait for them to end. Each
# session is therefore started here with its output sent nowhere, and kept for a while after its
# last program so that a test run uses one session.
set -eu
own_prefix() {
  if [ -e "$1" ] && [ "$(stat -c %u "$1")" != "$(id -u)" ]; then
    printf '%s-%s\n' "$1" "$(id -un)"
  else
    printf '%s\n' "$1"
  fi
}
if [ "$1" = --prefix ]; then
  own_prefix "$2"
  exit 0
fi
given=$(own_prefix "$1")
mkdir -p "$given"
prefix=$(cd "$given" && pwd)  # Wine takes absolute prefixes only
shift
export WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
temp="$(dirname "$prefix")/tmp"
mkdir -p "$temp"
(
  flock 9
  if [ ! -f "$prefix/.pixferry-ready" ]; then
    log="$(dirname "$prefix")/wineboot.log"
    windows_temp="Z:$(printf '%s' "$temp" | tr / '\\')"
    wineboot --init >"$log" 2>&1 </dev/null 9>&-
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f \
      >>"$log" 2>&1 </dev/null 9>&-
    wine reg add 'HKCU\Environment' /v TEMP /t REG_SZ /d "$windows_temp" /f >>"$log" 2>&1 </dev/null 9>&-
    wine reg add 'HKCU\Environment' /v TMP /t REG_SZ /d "$windows_temp" /f >>"$log" 2>&1 </dev/null 9>&-
    wineserver -w 9>&-
    touch "$prefix/.pixferry-ready"
  fi
  # A second drive letter for the temporary folder, as subst or a mapped share gives one: tests
  # check that the program sees one folder behind both spellings.
  [ -e "$prefix/dosdevices/t:" ] || ln -s "$temp" "$prefix/dosdevices/t:"
  # Exits at once, with status 2, when the session is running already. What starts here lives
  # on and must not hold the lock (9).
  if wineserver -p10 </dev/null >/dev/null 2>&1 9>&-; then
    wine cmd /c exit </dev/null >/dev/null 2>&1 9>&- || true
  fi
) 9>"$prefix.lock"
exec wine "$@"
