#!/usr/bin/env bash
# `cmake --install` into a prefix of the test's own: exactly the programs, the data files and
# the desktop files land, and the desktop's own checkers accept the launcher, the metainfo and
# the MIME type (which then claims *.LFP and *.lfp, by name and by content).
set -euo pipefail
exe=$1
build=$(cd "$(dirname "$exe")" && pwd)
source_dir=$(cd "$(dirname "$0")/.." && pwd)
for tool in desktop-file-validate appstreamcli update-mime-database; do
  if ! command -v "$tool" >/dev/null; then
    echo "install_layout: $tool is not installed, skipped"
    exit 77
  fi
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() {
  echo "install_layout: $*"
  exit 1
}

prefix="$work/prefix"
cmake --install "$build" --prefix "$prefix" >"$work/install.log" || {
  cat "$work/install.log"
  fail "cmake --install failed"
}
id=org.quillmar.MineralLabelStudio
(cd "$prefix" && find . -type f | sort) >"$work/landed"
echo "install_layout: installed files:"
sed 's/^/  /' "$work/landed"
expected=$(printf '%s\n' ./bin/qlxrender ./bin/qlxsheet \
  "./share/applications/$id.desktop" "./share/icons/hicolor/scalable/apps/$id.svg" \
  "./share/metainfo/$id.metainfo.xml" "./share/mime/packages/$id.xml" \
  ./share/man/man1/qlxrender.1.gz ./share/man/man1/qlxsheet.1.gz \
  ./share/doc/quillmar-label-studio/copyright \
  ./share/doc/quillmar-label-studio/changelog.Debian.gz \
  ./share/lintian/overrides/quillmar-label-studio |
  cat - <(cd "$source_dir/data" && ls | sed 's|^|./share/quillmar/|') | sort)
diff <(echo "$expected") "$work/landed" || fail "the installed files differ from the expected list"
for p in qlxrender qlxsheet; do
  [ -x "$prefix/bin/$p" ] || fail "bin/$p is not executable"
done
cmp -s "$source_dir/data/athena.txt" "$prefix/share/quillmar/athena.txt" ||
  fail "share/quillmar/athena.txt is not the database"

desktop="$prefix/share/applications/$id.desktop"
desktop-file-validate "$desktop" || fail "desktop-file-validate rejects the launcher"
appstreamcli validate --no-net "$prefix/share/metainfo/$id.metainfo.xml" ||
  fail "appstreamcli rejects the metainfo"
# The launcher names an installed program, the installed icon and the installed MIME type.
grep -qx 'Exec=qlxrender %f' "$desktop" || fail "the launcher does not run qlxrender with a file"
grep -qx "Icon=$id" "$desktop" || fail "the launcher's icon is not $id"
mime=$(sed -n 's/.*mime-type type="\([^"]*\)".*/\1/p' "$prefix/share/mime/packages/$id.xml")
[ -n "$mime" ] || fail "the MIME file names no type"
grep -qx "MimeType=$mime;" "$desktop" || fail "the launcher does not open $mime"
grep -q "<mediatype>$mime</mediatype>" "$prefix/share/metainfo/$id.metainfo.xml" ||
  fail "the metainfo does not provide $mime"
if command -v xmllint >/dev/null; then
  xmllint --noout "$prefix/share/icons/hicolor/scalable/apps/$id.svg" ||
    fail "the icon is not well-formed XML"
fi

# The MIME database built from the installed file maps both spellings to the type, and the
# header's first four bytes (version 3, signature 305) to it by content.
update-mime-database "$prefix/share/mime" || fail "update-mime-database failed"
for pattern in '*.lfp' '*.LFP'; do
  grep -F ":$mime:$pattern" "$prefix/share/mime/globs2" >/dev/null ||
    fail "globs2 does not map $pattern to $mime"
done
grep -aq "$mime" "$prefix/share/mime/magic" || fail "no content match for $mime"
echo "install_layout: launcher, metainfo and MIME type ($mime) accepted"
