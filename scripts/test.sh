#!/bin/sh
# Builds and runs every test.  scripts/test.sh [release|sanitize]
# When pg_virtualenv (postgresql-common) is there, the tests run inside a
# throwaway PostgreSQL cluster it starts, so the PostgreSQL engine's tests run
# too; without it they skip themselves.
set -eu
cd "$(dirname "$0")/.."
mode="${1:-release}"
scripts/build.sh "$mode"
dir=build
[ "$mode" = sanitize ] && dir=build-sanitize
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
cd "$dir"
# One job more than cores: many tests spend their time waiting on sockets,
# timers and the PostgreSQL server.
jobs=$(( $(nproc) + 1 ))
export CT_JOBS=$jobs
if command -v pg_virtualenv >/dev/null 2>&1 && [ -z "${CT_NO_POSTGRES:-}" ]; then
  exec pg_virtualenv -t sh -c 'ctest -j "$CT_JOBS" --output-on-failure'
fi
exec ctest -j "$jobs" --output-on-failure
