#!/bin/sh
# Builds the programs and starts the workstation on the demo installation
# in ./demo (created with culinarotable-admin init --demo on first use).
set -eu
cd "$(dirname "$0")/.."
scripts/build.sh release
root="${DEMO_ROOT:-$PWD/demo}"
if [ ! -f "$root/Client/cfg/KIV4Connstr.ini" ]; then
  build/src/culinarotable-admin init "$root" --demo
fi
exec build/src/culinarotable --root "$root" "$@"
