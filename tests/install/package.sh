#!/usr/bin/env bash
# Builds the Debian package from a build tree, unpacks it into a temporary root and checks what
# an installation would get: each program answers --version from there (on the system's Qt), the
# .desktop file validates, and the icon and the man pages are in place.
#   package.sh BUILD_DIR VERSION
set -euo pipefail
build="$1"
version="$2"
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
  [ -s "$usr/share/man/man1/$program.1" ] || { echo "no man page for $program" >&2; exit 1; }
done
[ -s "$usr/share/icons/hicolor/scalable/apps/lumadesk.svg" ] || { echo "no icon" >&2; exit 1; }
desktop-file-validate "$usr/share/applications/lumadesk.desktop"
echo "package ${deb##*/} installs and runs"
