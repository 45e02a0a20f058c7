#!/bin/sh
# Runs a Windows program under Wine in a private prefix: wine-run.sh PREFIX PROGRAM [ARGS...]
# The prefix is made on first use: no Mono or Gecko prompts; windows not handed to a window
# manager, which would make every hide wait about two seconds; the temporary folder on the Linux
# side (Z:), so tests work on real folders there rather than inside the prefix.
set -eu
prefix=$1
shift
export WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
if [ ! -f "$prefix/.pixferry-ready" ]; then
  mkdir -p "$prefix"
  (
    flock 9
    if [ ! -f "$prefix/.pixferry-ready" ]; then
      wineboot --init >"$prefix/../wineboot.log" 2>&1 </dev/null
      wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f \
        >>"$prefix/../wineboot.log" 2>&1 </dev/null
      wine reg add 'HKCU\Environment' /v TEMP /t REG_SZ /d 'Z:\tmp' /f \
        >>"$prefix/../wineboot.log" 2>&1 </dev/null
      wine reg add 'HKCU\Environment' /v TMP /t REG_SZ /d 'Z:\tmp' /f \
        >>"$prefix/../wineboot.log" 2>&1 </dev/null
      wineserver -w
      touch "$prefix/.pixferry-ready"
    fi
  ) 9>"$prefix.lock"
fi
exec wine "$@"
