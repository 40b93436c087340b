#!/usr/bin/env bash
# Builds the .deb from the build of the README's test command, lists it, checks it with lintian (no error
# and no warning), unpacks it into a scratch root, and runs the installed programs there: laifit on a
# reference run, laifit-inspect on the example, both asked for their version. The man pages render without
# a warning, and every relative link of the installed README and walkthrough reaches a file.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
(cd build && cpack -G DEB -B "$root/package" >/dev/null)
deb=$(ls "$root"/package/laifit_*.deb)
echo "+ dpkg-deb -c $(basename "$deb")"
dpkg-deb -c "$deb" | awk '{ print $1, $6 }'
echo "+ lintian $(basename "$deb")"
lintian --fail-on error,warning "$deb"
dpkg-deb -x "$deb" "$root/unpacked"
usr=$root/unpacked/usr
../shared/tools/check-case "$usr/bin/laifit" ../shared/cases/f03_all_five
cp -r examples/season-2011 "$root/example"
(cd "$root/example" && "$usr/bin/laifit" > screen.txt)
"$usr/bin/laifit-inspect" --quiet "$root/example"
version=$(sed -n 's/^project(laifit VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
[ "$("$usr/bin/laifit" --version)" = "laifit $version"$'\r' ] || { echo "laifit --version is not laifit $version"; exit 1; }
[ "$("$usr/bin/laifit-inspect" --version)" = "laifit-inspect $version" ] || { echo "laifit-inspect --version"; exit 1; }
for page in "$usr"/share/man/man1/*.1.gz; do
  warnings=$(zcat "$page" | groff -ww -man -Tutf8 2>&1 >/dev/null)
  [ -z "$warnings" ] || { echo "$page: $warnings"; exit 1; }
done
for doc in "$usr"/share/doc/laifit/README.md "$usr"/share/doc/laifit/docs/*.md; do
  for link in $(grep -o '](\([^):]*\))' "$doc" | sed 's/^](//; s/)$//; s/#.*//'); do
    [ -e "$(dirname "$doc")/$link" ] || { echo "$doc: the link $link reaches no file"; exit 1; }
  done
done
echo "package: $(basename "$deb") is lintian-clean, installs and runs"
