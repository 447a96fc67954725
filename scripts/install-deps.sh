#!/bin/sh
# Installs every Debian package the project builds, tests and runs with.
set -eu
PACKAGES="build-essential cmake ninja-build pkg-config clang clang-format libclang-rt-14-dev
  libsqlite3-dev libasio-dev libpugixml-dev libexpat1-dev nettle-dev libcurl4-openssl-dev
  libcpp-httplib-dev libcli11-dev libgtest-dev libgmock-dev libbenchmark-dev
  libpq-dev postgresql postgresql-contrib
  unixodbc-dev tdsodbc libsqliteodbc odbc-postgresql
  unzip zip sqlite3 python3 dpkg-dev systemd
  qt6-base-dev xvfb xauth fonts-noto-cjk"
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
missing=""
for p in $PACKAGES; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done
if [ -n "$missing" ]; then
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y --no-install-recommends $missing
fi
