#!/bin/sh
# validate.sh TOOL PACKAGE ARGS...: runs TOOL ARGS..., or skips (77) when TOOL is not installed.
tool=$1 package=$2
shift 2
if ! command -v "$tool" >/dev/null 2>&1; then
  echo "skipped: $tool is not installed (Debian package $package)"
  exit 77
fi
# desktop-file-validate reports problems but may still exit 0: any line it prints is a failure.
out=$("$tool" "$@" 2>&1)
status=$?
printf '%s\n' "$out"
if [ "$tool" = desktop-file-validate ] && [ -n "$out" ]; then exit 1; fi
exit $status
