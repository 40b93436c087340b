#!/usr/bin/env bash
# Builds the .deb from the build of the README's test command, lists it, unpacks it into a scratch root,
# and runs the installed programs there: laifit on a reference run, laifit-inspect on the example. The man
# pages render without a warning.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
(cd build && cpack -G DEB -B "$root/package" >/dev/null)
deb=$(ls "$root"/package/laifit_*.deb)
echo "+ dpkg-deb -c $(basename "$deb")"
dpkg-deb -c "$deb" | awk '{ print $1, $6 }'
dpkg-deb -x "$deb" "$root/unpacked"
usr=$root/unpacked/usr
../shared/tools/check-case "$usr/bin/laifit" ../shared/cases/f03_all_five
cp -r examples/season-2011 "$root/example"
(cd "$root/example" && "$usr/bin/laifit" > screen.txt)
"$usr/bin/laifit-inspect" --quiet "$root/example"
for page in "$usr"/share/man/man1/*.1; do
  warnings=$(groff -ww -man -Tutf8 "$page" 2>&1 >/dev/null)
  [ -z "$warnings" ] || { echo "$page: $warnings"; exit 1; }
done
echo "package: $(basename "$deb") installs and runs"
