#!/bin/sh
# Installs the built tree into a temporary DESTDIR and checks that a desktop would find the
# program, its icon and its file type there, and man its pages; then uninstalls it again.
#   test_install.sh SOURCE_DIR BUILD_DIR
set -eu
src=$1
build=$2
# The component keeps the manifest of a real `make install` in the build tree untouched.
manifest=$build/install_manifest_Unspecified.txt
work=$(mktemp -d)
trap 'rm -rf "$work" "$manifest"' EXIT
fail() {
    echo "FAIL: $*" >&2
    exit 1
}

stage=$work/stage
prefix=/usr/local
root=$stage$prefix
share=$root/share
rm -f "$manifest"
DESTDIR=$stage cmake --install "$build" --component Unspecified >"$work/install.log" ||
    fail "cmake --install: $(cat "$work/install.log")"

for file in bin/quillmar bin/qmtool share/applications/quillmar.desktop \
    share/mime/packages/quillmar.xml share/icons/hicolor/scalable/apps/quillmar.svg \
    share/man/man1/quillmar.1.gz share/man/man1/qmtool.1.gz \
    share/bash-completion/completions/qmtool share/doc/quillmar/copyright; do
    [ -f "$root/$file" ] || fail "not installed: $prefix/$file"
done
for program in quillmar qmtool; do
    [ -x "$root/bin/$program" ] || fail "not executable: $prefix/bin/$program"
done
cmp -s "$src/data/icons/quillmar.svg" "$share/icons/hicolor/scalable/apps/quillmar.svg" ||
    fail "the scalable icon is not the emblem's design"
for size in 16 32 48 64 128 256; do
    png=$share/icons/hicolor/${size}x${size}/apps/quillmar.png
    [ -f "$png" ] || fail "no ${size} px icon"
    [ "$(identify -format '%wx%h' "$png")" = "${size}x${size}" ] ||
        fail "$png is $(identify -format '%wx%h' "$png"), not ${size}x${size}"
    # The design fills most of its square; a blank or mis-scaled render does not.
    cover=$(convert "$png" -alpha extract -format '%[fx:mean>0.6 ? 1 : 0]' info:)
    [ "$cover" = 1 ] || fail "the ${size} px icon is nearly empty"
done

MANPATH=$share/man man -w qmtool >/dev/null || fail "man does not find the installed page"
desktop-file-validate "$share/applications/quillmar.desktop" ||
    fail "desktop-file-validate refuses the entry"
grep -qx 'Exec=quillmar %f' "$share/applications/quillmar.desktop" ||
    fail "the entry does not pass the file to the program"
grep -qx 'MimeType=application/x-quillmar-data;' "$share/applications/quillmar.desktop" ||
    fail "the entry does not claim the data file type"

# (It notes that the folder is not on the search path, which is what XDG_DATA_DIRS is for.)
update-mime-database "$share/mime" >"$work/mime.log" 2>&1 ||
    fail "update-mime-database refuses the type: $(cat "$work/mime.log")"

# A data file as the program writes it: the signature record, then the top item.
signature() {
    printf '\000\255\370\377\200\126\374\377\000\000\000\000\200\251\003\000\000\000'
    printf 'QuillMar v2.0 DbFile'
}
files=$work/files
mkdir -p "$files" "$work/home"
{
    signature
    printf '\000\000\000\000\000\000\000\000\000\000\000\000\000\000\000\000\001\377'
    printf 'WORLD               '
} >"$files/tree.qmd"
cp "$files/tree.qmd" "$files/tree"
# The signature's name with a wrong number before it is not our file.
{
    signature | head -c 4
    printf '\001\126\374\377\000\000\000\000\200\251\003\000\000\000QuillMar v2.0 DbFile'
} >"$files/nearly"
# The name alone is enough: a damaged .qmd file still goes to the program, which says why.
cp "$files/nearly" "$files/damaged.qmd"

gio_info() {
    XDG_DATA_DIRS=$share:/usr/share XDG_DATA_HOME=$work/home/share HOME=$work/home \
        gio info -a "$1" "$2" | sed -n "s/^ *$1: //p"
}
for name in tree.qmd tree damaged.qmd; do
    type=$(gio_info standard::content-type "$files/$name")
    [ "$type" = application/x-quillmar-data ] || fail "$name is '$type', not our type"
done
type=$(gio_info standard::content-type "$files/nearly")
[ "$type" != application/x-quillmar-data ] || fail "a file with a wrong signature is taken as ours"
icon=$(gio_info standard::icon "$files/tree.qmd")
case $icon in
quillmar,* | quillmar) ;;
*) fail "data files show the icon '$icon', not ours" ;;
esac

# Uninstalling removes every file the install wrote, and nothing else.
# (The manifest's last line has no line break.)
[ "$(grep -c '' "$manifest")" -ge 11 ] || fail "the install manifest misses files"
DESTDIR=$stage cmake -DMANIFEST="$manifest" -P "$src/data/uninstall.cmake" \
    >"$work/uninstall.log" || fail "uninstall: $(cat "$work/uninstall.log")"
while read -r file || [ -n "$file" ]; do
    [ ! -e "$stage$file" ] || fail "left behind by uninstall: $file"
done <"$manifest"
[ -f "$share/mime/mime.cache" ] || fail "uninstall removed what it did not install"
echo "install test passed"
