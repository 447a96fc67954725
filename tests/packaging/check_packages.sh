#!/bin/sh
# Builds the Debian packages from a build folder and checks them: the files
# and dependencies of each package, that the unpacked programs run, and that
# the service unit passes systemd-analyze verify when it names the unpacked
# program.   check_packages.sh BUILD_DIR [CPACK]
# Exit 77 (skipped) when a tool it needs is missing.
set -u
build=$1
cpack=${2:-cpack}

skip() { echo "SKIPPED: $*"; exit 77; }
for tool in "$cpack" dpkg-deb dpkg-shlibdeps systemd-analyze; do
  command -v "$tool" >/dev/null 2>&1 ||
    skip "$tool is not installed (scripts/install-deps.sh installs it)"
done

status=0
fail() { echo "FAIL: $*"; status=1; }
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

if ! "$cpack" -G DEB --config "$build/CPackConfig.cmake" -B "$scratch/out" >"$scratch/cpack.log" 2>&1; then
  cat "$scratch/cpack.log"
  echo "FAIL: cpack did not build the packages"
  exit 1
fi

deb() { ls "$scratch"/out/"$1"_*.deb 2>/dev/null | head -n 1; }

# check_package NAME "DEPENDS PATTERNS" FILE...: the package exists, its
# Depends names each pattern, and it holds each file.
check_package() {
  name=$1 depends=$2
  shift 2
  file=$(deb "$name")
  if [ -z "$file" ]; then
    fail "no package $name"
    return
  fi
  [ "$(dpkg-deb --field "$file" Package)" = "$name" ] || fail "$name: wrong Package field"
  # A description given as a CMake list leaves its ";" in the long text.
  dpkg-deb --field "$file" Description | grep -q '^ *;' && fail "$name: ';' in the Description"
  field=$(dpkg-deb --field "$file" Depends)
  for d in $depends; do
    echo "$field" | grep -q "$d" || fail "$name: Depends lacks $d ($field)"
  done
  dpkg-deb --contents "$file" | awk '{print $6}' >"$scratch/$name.files"
  for f in "$@"; do
    grep -qx "./$f" "$scratch/$name.files" || fail "$name: missing /$f"
  done
  # Nothing strays outside the program, data, unit and settings folders.
  stray=$(grep -v '/$' "$scratch/$name.files" |
    grep -Ev '^\./(usr/bin|usr/share|usr/lib/systemd/system|etc/culinarotable)/' || true)
  [ -z "$stray" ] || fail "$name: unexpected files: $stray"
  dpkg-deb -x "$file" "$scratch/root"
}

check_package culinarotable "libc6 libsqlite3-0 libstdc++6" \
  usr/bin/culinarotable usr/bin/culinarotable-admin usr/share/culinarotable/KIV_ML.xml
check_package kivserver "libc6 libstdc++6" \
  usr/bin/kivserver usr/lib/systemd/system/kivserver.service etc/culinarotable/kivserver.ini
dpkg-deb --ctrl-tarfile "$(deb kivserver)" | tar -xO ./conffiles 2>/dev/null |
  grep -qx /etc/culinarotable/kivserver.ini || fail "kivserver: settings file is not a conffile"
if [ -x "$build/src/culinarotable-desk" ]; then
  version=$(dpkg-deb --field "$(deb culinarotable)" Version)
  check_package culinarotable-desk "culinarotable.(=.$version) libqt6widgets6" \
    usr/bin/culinarotable-desk usr/share/applications/culinarotable-desk.desktop
  entry=$scratch/root/usr/share/applications/culinarotable-desk.desktop
  grep -qx 'Exec=culinarotable-desk' "$entry" || fail "the desktop entry does not start culinarotable-desk"
fi

# The unpacked programs run: a new installation, a sign-in and a command on
# it, the relay with the packaged settings.
root=$scratch/root
export COMPUTERNAME=PKGTEST CULINAROTABLE_REGISTRY="$scratch/registry.ini"
"$root/usr/bin/culinarotable" --version >"$scratch/version" 2>&1 || fail "culinarotable --version"
if "$root/usr/bin/culinarotable-admin" init "$scratch/site" >"$scratch/init.log" 2>&1; then
  printf 'admin\nadmin123\n2\nwhoami\nquit\ny\n' |
    "$root/usr/bin/culinarotable" --root "$scratch/site" >"$scratch/session" 2>&1
  grep -q "^admin	" "$scratch/session" || fail "the unpacked workstation did not sign in: $(cat "$scratch/session")"
  # The window on Qt's offscreen platform, driven by a script as the console is.
  if [ -x "$root/usr/bin/culinarotable-desk" ]; then
    printf 'admin\nadmin123\n2\nwhoami\n' >"$scratch/desk.txt"
    QT_QPA_PLATFORM=offscreen "$root/usr/bin/culinarotable-desk" --root "$scratch/site" \
      --script "$scratch/desk.txt" >"$scratch/desk.out" 2>&1
    grep -q "^admin	" "$scratch/desk.out" || fail "the unpacked desk did not sign in: $(cat "$scratch/desk.out")"
  fi
else
  fail "culinarotable-admin init: $(cat "$scratch/init.log")"
fi
"$root/usr/bin/kivserver" --config "$root/etc/culinarotable/kivserver.ini" --port 0 \
  >"$scratch/kiv.out" 2>"$scratch/kiv.err" &
kiv=$!
for _ in 1 2 3 4 5 6 7 8 9 10; do
  grep -q "listening on" "$scratch/kiv.out" && break
  sleep 0.5
done
grep -q "kivserver listening on 127.0.0.1:" "$scratch/kiv.out" ||
  fail "the unpacked kivserver did not listen: $(cat "$scratch/kiv.err")"
kill "$kiv" 2>/dev/null
wait "$kiv" 2>/dev/null

# The unit, pointed at the unpacked program and settings.
mkdir "$scratch/units"
sed -e "s|/usr/bin/kivserver|$root/usr/bin/kivserver|" \
  -e "s|/etc/culinarotable/|$root/etc/culinarotable/|" \
  "$root/usr/lib/systemd/system/kivserver.service" >"$scratch/units/kivserver.service"
grep -q "^ExecStart=$root/usr/bin/kivserver " "$scratch/units/kivserver.service" ||
  fail "the unit does not start /usr/bin/kivserver"
# verify reports some faults (an unknown setting) without failing: any
# output is a fault.
if ! systemd-analyze verify "$scratch/units/kivserver.service" >"$scratch/verify" 2>&1 ||
  [ -s "$scratch/verify" ]; then
  fail "systemd-analyze verify: $(cat "$scratch/verify")"
fi

[ $status -eq 0 ] && echo "packages: $(cd "$scratch/out" && ls ./*.deb | tr '\n' ' ')checked"
exit $status
