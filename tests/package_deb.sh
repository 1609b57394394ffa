#!/usr/bin/env bash
# `make package`'s Debian package, built from this build tree into a folder of the test's own:
# it holds the programs, the data and the desktop files under /usr, depends on the Qt and
# font packages, and its programs run from the unpacked tree (finding their data there).
set -euo pipefail
exe=$1
build=$(cd "$(dirname "$exe")" && pwd)
for tool in cpack dpkg-deb dpkg-shlibdeps; do
  if ! command -v "$tool" >/dev/null; then
    echo "package_deb: $tool is not installed, skipped"
    exit 77
  fi
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() {
  echo "package_deb: $*"
  exit 1
}

# The host architecture given, dpkg-shlibdeps does not ask the compiler for it on each of its
# runs (a fifth of the packaging's time); the package is the same. Its archives are left
# uncompressed here (compressing was a sixth of the test's time): the files, their contents and
# the control fields are what `make package` ships, only packed differently.
DEB_HOST_ARCH=$(dpkg --print-architecture) \
  cpack --config "$build/CPackConfig.cmake" -G DEB -B "$work/out" \
  -D CPACK_DEBIAN_COMPRESSION_TYPE=none >"$work/cpack.log" 2>&1 || {
  cat "$work/cpack.log"
  fail "cpack failed"
}
debs=("$work"/out/*.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || fail "not one package: ${debs[*]}"
deb=${debs[0]}
echo "package_deb: $(basename "$deb"), $(stat -c %s "$deb") bytes"
dpkg-deb -c "$deb" | awk '{print $6}' | grep -v '/$' | sort >"$work/contents"
sed 's/^/  /' "$work/contents"
id=org.quillmar.MineralLabelStudio
for f in ./usr/bin/qlxrender ./usr/bin/qlxsheet ./usr/share/quillmar/athena.txt \
  ./usr/share/quillmar/cachedloc.txt ./usr/share/quillmar/labelcomplete.bmp \
  "./usr/share/applications/$id.desktop" "./usr/share/icons/hicolor/scalable/apps/$id.svg" \
  "./usr/share/metainfo/$id.metainfo.xml" "./usr/share/mime/packages/$id.xml"; do
  grep -qx "$f" "$work/contents" || fail "the package lacks $f"
done
# Nothing of the tests or the build tree.
grep -v -e '^\./usr/bin/qlx\(render\|sheet\)$' -e '^\./usr/share/' "$work/contents" &&
  fail "the package holds files outside bin/ and share/"

depends=$(dpkg-deb -f "$deb" Depends)
echo "package_deb: Depends: $depends"
for p in libqt6widgets6 libqt6printsupport6 libqt6gui6 fonts-liberation fonts-dejavu-core; do
  [[ ", $depends," == *", $p"[\ ,]* ]] || fail "the package does not depend on $p"
done

# The unpacked tree is an installed tree: its qlxsheet finds the stock background among the
# installed data, not in the current folder.
dpkg-deb -x "$deb" "$work/root"
mkdir "$work/elsewhere" "$work/home"
printf '|Calcite|Kiruna|CaCO3|\r\n' >"$work/list.txt"
(cd "$work/elsewhere" && HOME="$work/home" XDG_DATA_HOME="$work/xdg" QT_QPA_PLATFORM=offscreen \
  "$work/root/usr/bin/qlxsheet" render "$work/list.txt" -o "$work/sheet.png") ||
  fail "the packaged qlxsheet failed"
[ -s "$work/sheet.png" ] || fail "the packaged qlxsheet wrote no sheet"
echo "package_deb: the packaged qlxsheet drew a sheet from the unpacked tree"
