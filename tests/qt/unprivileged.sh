#!/bin/sh
# unprivileged.sh PROGRAM ARGS...: as root, runs PROGRAM in a new user namespace, where root has
# no power over the files it owns and folder permissions apply; otherwise runs it as it is.
if [ "$(id -u)" = 0 ] && unshare -U true 2>/dev/null; then
  exec unshare -U "$@"
fi
exec "$@"
