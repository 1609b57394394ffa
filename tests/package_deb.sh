#!/usr/bin/env bash
# `make package`'s Debian package, built from this build tree into a folder of the test's own:
# it holds the programs, the data and the desktop files under /usr, depends on the Qt and
# font packages, and its programs run from the unpacked tree (finding their data there).
set -euo pipefail
exe=$1
build=$(cd "$(dirname "$exe")" && pwd)
for tool in cpack dpkg-deb dpkg-shlibdeps lintian man readelf; do
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
  "./usr/share/metainfo/$id.metainfo.xml" "./usr/share/mime/packages/$id.xml" \
  ./usr/share/man/man1/qlxrender.1.gz ./usr/share/man/man1/qlxsheet.1.gz \
  ./usr/share/doc/quillmar-label-studio/copyright \
  ./usr/share/doc/quillmar-label-studio/changelog.Debian.gz; do
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

# Debian's own checks: lintian, pedantic, finds neither error nor warning. Its notes (I:, P:)
# are shown but do not fail the package. The uncompressed archives above are a test shortcut
# lintian would remark on, so it checks a package packed as `make package` packs it.
DEB_HOST_ARCH=$(dpkg --print-architecture) \
  cpack --config "$build/CPackConfig.cmake" -G DEB -B "$work/shipped" >"$work/cpack2.log" 2>&1 || {
  cat "$work/cpack2.log"
  fail "cpack failed"
}
shipped=("$work"/shipped/*.deb)
lintian --pedantic --info --display-info "${shipped[0]}" >"$work/lintian" 2>&1 || true
sed 's/^/  lintian: /' "$work/lintian"
grep -q '^[EW]: ' "$work/lintian" && fail "lintian found errors or warnings"
grep -q '^internal error\|^Traceback\|^Can.t ' "$work/lintian" && fail "lintian did not run"

# The copyright file is machine-readable and says the program has no licence yet.
copyright="$work/root/usr/share/doc/quillmar-label-studio/copyright"
head -n 1 "$copyright" | grep -qx 'Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/' ||
  fail "the copyright file is not in the machine-readable format"
grep -q 'No licence has been chosen' "$copyright" || fail "the copyright file names a licence"

# The manual pages render, as `man qlxsheet` shows them once installed.
for program in qlxrender qlxsheet; do
  page="$work/root/usr/share/man/man1/$program.1.gz"
  MANWIDTH=80 man -l "$page" >"$work/$program.man" 2>"$work/$program.man.err" ||
    fail "man -l $program.1.gz failed: $(cat "$work/$program.man.err")"
  [ ! -s "$work/$program.man.err" ] || fail "man -l $program.1.gz: $(cat "$work/$program.man.err")"
  grep -q "^NAME" "$work/$program.man" && grep -q "^SYNOPSIS" "$work/$program.man" ||
    fail "the manual page of $program has no NAME or SYNOPSIS"
done
grep -q -- "--fit-long-rows" "$work/qlxsheet.man" || fail "qlxsheet's page lacks its options"

# The programs are built hardened: relocations read-only and bound at start, the stack
# protected, the C library's checked calls used. A sanitizer build is left unhardened on
# purpose (the checked calls would hide from the sanitizers what they are there to catch), so
# there the package's other checks stand alone.
hardened=yes
grep -q '^QLX_SANITIZE:BOOL=ON' "$build/CMakeCache.txt" && hardened=no
[ "$hardened" = no ] && echo "package_deb: a sanitizer build, not hardened by design: hardening not checked"
[ "$hardened" = yes ] && for program in qlxrender qlxsheet; do
  bin="$work/root/usr/bin/$program"
  # (read whole first: grep -q ending early would break readelf's pipe under pipefail)
  headers=$(readelf -lW "$bin") dynamic=$(readelf -dW "$bin") symbols=$(readelf --dyn-syms -W "$bin")
  grep -q GNU_RELRO <<<"$headers" || fail "$program has no read-only relocations"
  grep -q 'BIND_NOW' <<<"$dynamic" || fail "$program is not bound at start-up"
  grep -q '__stack_chk_fail' <<<"$symbols" || fail "$program has no stack protector"
  grep -q '__[a-z]*_chk@' <<<"$symbols" || fail "$program uses no fortified call"
done
echo "package_deb: lintian, the manual pages and the hardening ($hardened) are as Debian expects"
