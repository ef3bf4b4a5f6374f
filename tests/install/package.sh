#!/usr/bin/env bash
# Builds the Debian package from a build tree, unpacks it into a temporary root and checks what
# an installation would get: each program answers --version from there (on the system's Qt), the
# .desktop file and the AppStream metadata validate, the icon and the man pages are in place, and
# lintian finds neither an error nor a warning in the package.
#   package.sh BUILD_DIR VERSION APP_ID
set -euo pipefail
build="$1"
version="$2"
app_id="$3"
work="$(mktemp -d /tmp/lumadesk-package.XXXXXX)"
trap 'rm -rf "$work"' EXIT

if ! cpack --config "$build/CPackConfig.cmake" -B "$work/out" >"$work/cpack.log" 2>&1; then
  cat "$work/cpack.log" >&2
  exit 1
fi
debs=("$work"/out/lumadesk_"$version"_*.deb)
[ -f "${debs[0]}" ] || { echo "no lumadesk_${version}_*.deb made" >&2; ls "$work/out" >&2; exit 1; }
deb="${debs[0]}"

depends="$(dpkg-deb --field "$deb" Depends)"
echo "Depends: $depends"
for lib in libqt6core6 libqt6widgets6 libqt6serialport6; do
  [[ "$depends" == *"$lib"* ]] || { echo "Depends lacks $lib" >&2; exit 1; }
done

dpkg -x "$deb" "$work/root"
usr="$work/root/usr"
for program in lumadesk lumadesk-cli lumadesk-sim; do
  answer="$(QT_QPA_PLATFORM=offscreen "$usr/bin/$program" --version)"
  echo "$program --version: $answer"
  [[ "$answer" == *"$version"* ]] || { echo "$program does not say $version" >&2; exit 1; }
  [ -s "$usr/share/man/man1/$program.1.gz" ] || { echo "no man page for $program" >&2; exit 1; }
done
[ -s "$usr/share/icons/hicolor/scalable/apps/lumadesk.svg" ] || { echo "no icon" >&2; exit 1; }
desktop-file-validate "$usr/share/applications/$app_id.desktop"
grep -qx 'Exec=lumadesk --data-dir standard' "$usr/share/applications/$app_id.desktop" ||
  { echo "the desktop entry does not start in the data folder" >&2; exit 1; }
appstreamcli validate --no-net --strict "$usr/share/metainfo/$app_id.metainfo.xml"
# Root gets a warning about itself on standard error, which says nothing about the package.
lintian --fail-on error,warning "$deb" 2> >(grep -v 'running with root privileges' >&2)
echo "package ${deb##*/} installs and runs"
