#!/bin/sh
# Builds the programs, starts the relay server (kivserver) in the background
# on the port the demo installation names, and runs the workstation on the
# demo installation in ./demo (created with culinarotable-admin init --demo on
# first use). The relay server stops when the workstation ends.
# `scripts/demo.sh desk [ARGS]` starts the desk window instead of the console.
set -eu
program=culinarotable
if [ "${1:-}" = desk ]; then program=culinarotable-desk; shift; fi
cd "$(dirname "$0")/.."
scripts/build.sh release
root="${DEMO_ROOT:-$PWD/demo}"
if [ ! -f "$root/Client/cfg/KIV4Connstr.ini" ]; then
  build/src/culinarotable-admin init "$root" --demo
fi
port=$(build/src/culinarotable-admin sql --db "$root/Data/KIVDB1.db" \
  "SELECT TOP 1 IPPort FROM tbl_ServiceServer WHERE RowStatus = 'A' ORDER BY ServiceID" | sed -n 2p)
mkdir -p "$root/Client/Log"
build/src/kivserver --port "${port:-7500}" --pos-status POS1=online --pos-status POS2=online \
  --db "$root/Data/KIVDB1.db" --db "$root/Data/KIVDB2.db" --log "$root/Client/Log/kivserver.log" >/dev/null &
kiv=$!
# The web booking service simulator; its file names its port and account.
web=""
if [ -f "$root/Data/websim.json" ]; then
  build/src/websim --config "$root/Data/websim.json" >/dev/null 2>"$root/Client/Log/websim.log" &
  web=$!
fi
trap 'kill "$kiv" $web 2>/dev/null || true; wait "$kiv" $web 2>/dev/null || true' EXIT
trap 'exit 130' INT TERM
sleep 0.2
if ! kill -0 "$kiv" 2>/dev/null; then
  echo "kivserver did not start; see $root/Client/Log/kivserver.log" >&2
fi
status=0
build/src/"$program" --root "$root" "$@" || status=$?
exit "$status"
