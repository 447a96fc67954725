#!/bin/sh
# Builds the programs and starts the workstation on the demo installation
# in ./demo (created on first use).
set -eu
cd "$(dirname "$0")/.."
scripts/build.sh release
root="${DEMO_ROOT:-$PWD/demo}"
mkdir -p "$root"
exec build/src/culinarotable --root "$root" "$@"
