#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# `cmake --install` into a scratch DESTDIR: the programs, the desktop entry, the document type,
# the icon and the converter's manual page are where the desktop looks for them, and valid.
#   install_check.sh <tarvok-convert> <source folder>
set -u
convert="$1"
build_dir="$(cd "$(dirname "$convert")/.." && pwd)"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
fail() {
    echo "FAIL: $*"
    exit 1
}

DESTDIR="$work/root" cmake --install "$build_dir" --prefix /usr > "$work/install.log" 2>&1 ||
    fail "cmake --install: $(cat "$work/install.log")"
root="$work/root/usr"

expected=(bin/tarvok-convert share/man/man1/tarvok-convert.1)
gui=0
if grep -q "^TARVOK_GUI:BOOL=ON" "$build_dir/CMakeCache.txt"; then
    gui=1
    expected+=(bin/tarvok share/applications/tarvok.desktop
        share/mime/packages/tarvok-sound.xml share/icons/hicolor/scalable/apps/tarvok.svg
        share/man/man1/tarvok.1 share/doc/tarvok/manual.html)
fi
for f in "${expected[@]}"; do
    [ -s "$root/$f" ] || fail "$f was not installed"
done
for f in bin/tarvok-convert bin/tarvok; do
    [ -e "$root/$f" ] && { [ -x "$root/$f" ] || fail "$f is not executable"; }
done

# The converter plays nothing, so it needs no audio library.
! ldd "$root/bin/tarvok-convert" | grep -E "libportaudio|libasound|libjack" || fail "the converter links an audio library"
# The installed converter runs on its own.
"$root/bin/tarvok-convert" --new "$work/new.tks" || fail "the installed converter does not run"
grep -q '<sound type="tracker">' "$work/new.tks" || fail "the installed converter wrote no document"

# The manual page formats without warnings and names what it documents.
if command -v groff > /dev/null 2>&1; then
    for page in "$root"/share/man/man1/*.1; do
        warnings="$(groff -man -Tutf8 -ww -z "$page" 2>&1)"
        [ -z "$warnings" ] || fail "the manual page $(basename "$page"): $warnings"
    done
    groff -man -Tascii -P -cbou "$root/share/man/man1/tarvok-convert.1" 2> /dev/null | grep -q -- "--instruments" ||
        fail "the manual page does not describe --instruments"
fi

# The Debian package holds the same files under /usr, and depends on the libraries the
# programs link (worked out by dpkg-shlibdeps, so a missing library shows as a missing name).
check_package() {
    command -v dpkg-deb > /dev/null 2>&1 && command -v dpkg-shlibdeps > /dev/null 2>&1 || return 0
    (cd "$work" && cpack -G DEB -B "$work/pkg" --config "$build_dir/CPackConfig.cmake" > "$work/cpack.log" 2>&1) ||
        fail "cpack -G DEB: $(cat "$work/cpack.log")"
    local deb
    deb="$(ls "$work"/pkg/tarvok_*_*.deb 2> /dev/null)" || fail "cpack made no tarvok_<version>_<arch>.deb"
    local listing
    listing="$(dpkg-deb -c "$deb" | awk '{print $6}')"
    for f in "${expected[@]}" share/doc/tarvok/copyright; do
        grep -qx "./usr/$f" <<< "$listing" || fail "the package lacks /usr/$f"
    done
    local depends
    depends="$(dpkg-deb -f "$deb" Depends)"
    local libs=(libstdc++6)
    [ "$gui" = 1 ] && libs+=(libqt6widgets6 libportaudio2)
    for lib in "${libs[@]}"; do
        grep -q "$lib" <<< "$depends" || fail "the package does not depend on $lib: $depends"
    done
}
check_package

[ "$gui" = 1 ] || {
    echo "PASS (converter only: the editor is not built)"
    exit 0
}

grep -q '^Exec=tarvok ' "$root/share/applications/tarvok.desktop" || fail "the desktop entry does not start tarvok"
grep -q '^Icon=tarvok$' "$root/share/applications/tarvok.desktop" || fail "the desktop entry names another icon"
# Every type the entry offers to open is one the system or the package defines.
for type in $(sed -n 's/^MimeType=//p' "$root/share/applications/tarvok.desktop" | tr ';' ' '); do
    [ -f /usr/share/mime/packages/freedesktop.org.xml ] || break
    grep -q "type=\"$type\"" "$root/share/mime/packages/tarvok-sound.xml" /usr/share/mime/packages/*.xml ||
        fail "the desktop entry offers to open $type, which nothing defines"
done
if command -v desktop-file-validate > /dev/null 2>&1; then
    desktop-file-validate "$root/share/applications/tarvok.desktop" || fail "the desktop entry is not valid"
fi
# The document type: the database built from the installed definition maps *.tks to it.
if command -v update-mime-database > /dev/null 2>&1; then
    update-mime-database "$root/share/mime" > /dev/null 2>&1 || fail "update-mime-database refuses the type"
    grep -q 'application/x-tarvok-sound:\*\.tks' "$root/share/mime/globs" ||
        fail "the document type does not claim *.tks"
fi
echo "PASS"
