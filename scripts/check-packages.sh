#!/usr/bin/env bash
# Builds the packages, checks what they hold, installs the amd64 package,
# runs the bundled example with the installed program and removes the
# package again.  Usage: bash scripts/check-packages.sh   (as root)
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
bash "$top/scripts/package.sh"
zip=$(ls "$top"/dist/tesvak-*-win32.zip)

has() {  # has LISTING ENTRY...
  local listing=$1; shift
  for entry; do
    grep -qE "$entry\$" <<<"$listing" || { echo "missing from package: $entry"; exit 1; }
  done
}

# Each Debian package: what it holds, what its program is built for, and
# lintian: no error and no warning, except that a local build's
# placeholder address is a bogus mail host.
for arch in amd64 arm64 armhf; do
  deb=$(ls "$top"/dist/tesvak_*_"$arch".deb)
  echo "== dpkg-deb -c $(basename "$deb")"
  listing=$(dpkg-deb -c "$deb"); echo "$listing"
  has "$listing" ' ./usr/bin/tesvak' ' ./usr/share/man/man1/tesvak.1.gz' \
    ' ./usr/share/doc/tesvak/copyright' ' ./usr/share/doc/tesvak/changelog.gz' \
    ' ./usr/share/doc/tesvak/examples/tesvak.cfg' ' ./usr/share/doc/tesvak/examples/rules/files.bbs'
  [ "$(dpkg-deb -f "$deb" Architecture)" = "$arch" ] || { echo "$deb: wrong architecture"; exit 1; }
  echo "Depends: $(dpkg-deb -f "$deb" Depends)"
  case $arch in
    amd64) machine='x86-64' ;; arm64) machine='ARM aarch64' ;; armhf) machine='ARM, EABI5' ;;
  esac
  kind=$(dpkg-deb --fsys-tarfile "$deb" | tar -xOf - ./usr/bin/tesvak | file -)
  echo "$kind"
  grep -q "$machine" <<<"$kind" || { echo "$deb: the program is not built for $arch"; exit 1; }
  echo "== lintian $(basename "$deb")"
  allowed='^$'
  if dpkg-deb -f "$deb" Maintainer | grep -q '@localhost>'; then
    allowed='^[EW]: tesvak: bogus-mail-host(-in-debian-changelog)? '
  fi
  report=$(lintian "$deb" 2>&1 | grep -v 'running with root privileges' || true)
  echo "${report:-lintian: nothing to report}"
  if grep -E '^[EW]: ' <<<"$report" | grep -qvE "$allowed"; then
    echo "lintian found errors or warnings"
    exit 1
  fi
done
deb=$(ls "$top"/dist/tesvak_*_amd64.deb)

echo "== unzip -l $(basename "$zip")"
listing=$(unzip -l "$zip"); echo "$listing"
has "$listing" ' tesvak.exe' ' tesvak.txt' ' LICENSE.txt' ' changelog.txt' ' examples/tesvak.cfg' \
  ' examples/rules/files.bbs'
unzip -p "$zip" tesvak.exe | file - | grep -q 'PE32 executable (console) Intel 80386'
unzip -p "$zip" tesvak.txt | grep -q 'Please report me'

echo "== install the .deb and run the example with the installed program"
dpkg -i "$deb"
trap 'dpkg -r tesvak >/dev/null' EXIT
work=$(mktemp -d)
cp -r /usr/share/doc/tesvak/examples/. "$work"
(cd "$work" && /usr/bin/tesvak)
ls "$work/out"
[ "$(ls "$work/out" | wc -l)" -eq 12 ] || { echo "the example should make 12 .sqr files"; exit 1; }
cmp "$work/rules/sysop.rul" "$work/out/sysop.sqr"
zcat /usr/share/man/man1/tesvak.1.gz | groff -man -Tutf8 -ww -z
rm -rf "$work"
echo "packages: ok"
