#!/bin/sh
# The Windows build and its tests: cross-builds pixferry.exe and the test programs with Debian's
# mingw-w64, checks that the program needs nothing beside the system's own DLLs, and runs every
# test program under Wine (the core and platform suites as on Linux, on real folders reached
# through Wine's Z: drive, and the Win32 front-end tests) on a virtual X display.
#
# The tests run as an ordinary user, as a Windows user's import does: Wine run as root ignores
# Unix permissions, so read-only files would not behave as on Windows. Run as root (CI), the
# script builds as root and then runs the tests as the user PIXFERRY_TEST_USER (default pixtest),
# made with useradd when missing. That user owns what the tests write in the build folder (ctest's
# logs and test lists, build/win/tmp), has a Wine prefix of its own beside root's
# (build/win/wineprefix-pixtest, see scripts/wine-run.sh) and starts its own virtual display. The
# checkout must be readable by that user. Run as anyone else, the script builds and tests as them.
#
#   scripts/ci-windows.sh            configure, build, test
#   scripts/ci-windows.sh --test     only the tests, as the user running it, on an earlier build
#   JOBS=4 scripts/ci-windows.sh     more parallel build and test jobs (default 2)
set -eu
cd "$(dirname "$0")/.."
jobs=${JOBS:-2}
build=build/win
prefix=$(pwd)/$build/wineprefix

# ---- Tests. One Wine session on one display for the whole run: a session started without a
# display would keep serving later programs without one. A test that passed in every run here
# once failed under Wine in CI, and was not seen to fail again; a failed test is therefore run
# once more, its first output kept in the log, so that a real fault still fails (twice) while a
# passing hiccup of the emulator does not hide the result of everything else.
run_tests() {
  WINEPREFIX=$(scripts/wine-run.sh --prefix "$prefix")
  export WINEPREFIX
  wineserver -k 2>/dev/null || true
  status=0
  xvfb-run -a -s "-screen 0 1024x768x24" sh -c '
    scripts/wine-run.sh "$1" cmd /c exit >/dev/null 2>&1 </dev/null
    ctest --preset mingw -j "$2" --repeat until-pass:2
  ' sh "$prefix" "$jobs" || status=$?
  wineserver -k 2>/dev/null || true
  return $status
}
if [ "${1:-}" = --test ]; then
  run_tests
  exit
fi

# ---- Tools: installed when missing and we may (Debian packages).
missing=""
need() { command -v "$1" >/dev/null 2>&1 || missing="$missing $2"; }
need x86_64-w64-mingw32-g++-posix g++-mingw-w64-x86-64
need wine wine
need wine64 wine64
need xvfb-run xvfb
need xauth xauth
need cmake cmake
need ninja ninja-build
need flock util-linux
if [ -n "$missing" ]; then
  if [ "$(id -u)" = 0 ]; then
    apt-get update -qq
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends $missing
  else
    echo "missing packages:$missing" >&2
    exit 1
  fi
fi
[ -d /usr/src/googletest ] || { echo "missing /usr/src/googletest (googletest package)" >&2; exit 1; }

started=$(date +%s)

# ---- Build. A warning fails it, as it does the Linux test build.
cmake --preset mingw -DPIXFERRY_WERROR=ON >/dev/null
cmake --build --preset mingw -j "$jobs"

# ---- One self-contained program: system DLLs only, no compiler runtime beside it.
exe=$build/ui/win32/pixferry.exe
dlls=$(x86_64-w64-mingw32-objdump -p "$exe" | sed -n 's/^[[:space:]]*DLL Name: //p')
echo "pixferry.exe imports:" $dlls
for dll in $dlls; do
  case $(echo "$dll" | tr '[:upper:]' '[:lower:]') in
    libstdc++*|libgcc*|libwinpthread*|*mingw*)
      echo "pixferry.exe needs $dll beside it: not statically linked" >&2
      exit 1
      ;;
  esac
done

# ---- Tests, as an ordinary user (see above).
if [ "$(id -u)" = 0 ]; then
  tester=${PIXFERRY_TEST_USER:-pixtest}
  id -u "$tester" >/dev/null 2>&1 || useradd --create-home --shell /bin/sh "$tester"
  home=$(getent passwd "$tester" | cut -d: -f6)
  # Root's prefix stays root's (the package check uses it); the tester makes its own beside it.
  mkdir -p "$prefix" "$build/tmp"
  find "$build" -name 'wineprefix*' -prune -o ! -user "$tester" -exec chown -h "$tester" {} +
  as_tester() {
    runuser -u "$tester" -- env -u XDG_RUNTIME_DIR -u XAUTHORITY -u DISPLAY HOME="$home" \
      USER="$tester" LOGNAME="$tester" JOBS="$jobs" "$@"
  }
  as_tester test -r CMakeLists.txt || {
    echo "$tester cannot read $(pwd): the tests need the checkout readable by an ordinary user" >&2
    exit 1
  }
  status=0
  as_tester scripts/ci-windows.sh --test || status=$?
else
  status=0
  run_tests || status=$?
fi

echo "Windows build and tests took $(($(date +%s) - started)) s"
exit $status
