#!/usr/bin/env bash
# Installs Tolvek into a temporary prefix and checks it as the desktop sees
# it: the validators of the desktop entry, the metainfo and the MIME package;
# the installed files; the MIME database and the default program for a
# project; the installed renderer; the installed program finding its help
# file; and the Debian package (its files, its Depends and, as root, dpkg -i
# followed by removal).
# Usage: check-install.sh <source folder> <build folder>
set -euo pipefail
src="$1"
build="$2"
id=nl.tolvek.Tolvek
work="$(mktemp -d)"
program_pid=""
cleanup() {
    if [ -n "$program_pid" ]; then kill "$program_pid" 2>/dev/null || true; fi
    rm -rf "$work"
}
trap cleanup EXIT
fail() {
    echo "FAIL: $*" >&2
    exit 1
}
step() { echo "== $*"; }
# Nothing of this test reaches the user's own settings or desktop data.
export XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data" XDG_CACHE_HOME="$work/cache"
mkdir -p "$XDG_CONFIG_HOME" "$XDG_DATA_HOME" "$XDG_CACHE_HOME"

step "Validators"
desktop-file-validate "$src/dist/$id.desktop" || fail "desktop entry"
appstreamcli validate --no-net "$build/dist/$id.metainfo.xml" || fail "metainfo"
xmllint --noout "$src/dist/$id.xml" || fail "MIME package"

step "cmake --install into a temporary prefix"
prefix="$work/prefix"
cmake --install "$build" --prefix "$prefix" >"$work/install.log" || fail "cmake --install: $(cat "$work/install.log")"
for f in bin/tolvek bin/tolvek-render libexec/tolvek/tolvek-decode share/tolvek/Tolvek.chm share/tolvek/LeesMij.txt \
    "share/applications/$id.desktop" "share/mime/packages/$id.xml" "share/metainfo/$id.metainfo.xml" \
    "share/icons/hicolor/scalable/apps/$id.svg" share/man/man1/tolvek.1.gz share/man/man1/tolvek-render.1.gz \
    share/doc/tolvek/copyright; do
    [ -f "$prefix/$f" ] || fail "not installed: $f"
done
for size in 16 22 24 32 48 64 128 256; do
    png="$prefix/share/icons/hicolor/${size}x${size}/apps/$id.png"
    file -b "$png" | grep -q "PNG image data, $size x $size" || fail "icon $png: $(file -b "$png" 2>&1)"
done
xmllint --noout "$prefix/share/icons/hicolor/scalable/apps/$id.svg" || fail "SVG icon"
for page in tolvek tolvek-render; do
    zcat "$prefix/share/man/man1/$page.1.gz" | grep -q "^\.TH $(echo "$page" | tr a-z A-Z) 1" || fail "man page $page"
done

step "MIME type and default program from the installed prefix"
update-mime-database "$prefix/share/mime" || fail "update-mime-database"
update-desktop-database "$prefix/share/applications" || fail "update-desktop-database"
sample="$build/sample/Voorbeeld.tvk"
[ -f "$sample" ] || fail "no sample project $sample"
# As a GNOME desktop asks (through GIO); XDG_DATA_DIRS as a desktop session sets it.
query() { XDG_DATA_DIRS="$prefix/share:/usr/share" XDG_CURRENT_DESKTOP=GNOME xdg-mime query "$@"; }
type="$(query filetype "$sample")"
[ "$type" = application/x-tolvek ] || fail "$sample is \"$type\", not application/x-tolvek"
# Without the extension, the first line tells.
cp "$sample" "$work/project-zonder-extensie"
type="$(query filetype "$work/project-zonder-extensie")"
[ "$type" = application/x-tolvek ] || fail "by its first line the project is \"$type\""
default="$(query default application/x-tolvek)"
[ "$default" = "$id.desktop" ] || fail "default program for application/x-tolvek is \"$default\""
# Before the install the same question has another answer, so the above is the install's doing.
type="$(XDG_DATA_DIRS=/usr/share XDG_CURRENT_DESKTOP=GNOME xdg-mime query filetype "$sample")"
[ "$type" != application/x-tolvek ] || fail "the system already knows application/x-tolvek; the check proves nothing"

step "Installed tolvek-render on the sample project"
(cd "$work" && QT_QPA_PLATFORM=offscreen "$prefix/bin/tolvek-render" --labels "$sample" installed.png) ||
    fail "installed tolvek-render"
(cd "$work" && QT_QPA_PLATFORM=offscreen "$build/tools/tolvek-render" --labels "$sample" built.png) ||
    fail "built tolvek-render"
cmp -s "$work/installed.png" "$work/built.png" || fail "the installed renderer draws another map than the built one"

step "Installed program finds its help file"
run_help_check() {
    "$prefix/bin/tolvek" >"$work/program.log" 2>&1 &
    program_pid=$!
    local main
    main="$(timeout 30 xdotool search --sync --onlyvisible --name '^Tolvek 1\.[0-9]+ - ')" || fail "no main window"
    main="$(echo "$main" | head -n1)"
    # Without a window manager the window must be given the focus itself.
    local help=""
    for _ in 1 2 3 4 5; do
        xdotool windowactivate "$main" 2>/dev/null || xdotool windowfocus "$main"
        xdotool key F1
        if help="$(timeout 5 xdotool search --sync --onlyvisible --name '^Tolvek Help - ')"; then
            break
        fi
        help=""
    done
    [ -n "$help" ] || fail "F1 in the installed program shows no help window ($(xdotool search --onlyvisible --name Tolvek getwindowname %@ 2>&1 | tr '\n' '|'))"
    kill "$program_pid"
    wait "$program_pid" 2>/dev/null || true
    program_pid=""
}
if [ -n "${DISPLAY:-}" ]; then
    run_help_check
else
    echo "SKIP: no X display to start the installed program on (the test command runs the tests under Xvfb)"
fi

step "Debian package"
cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/pkg" >"$work/cpack.log" 2>&1 || fail "cpack: $(cat "$work/cpack.log")"
deb="$(ls "$work"/pkg/tolvek_*.deb)"
dpkg-deb -c "$deb" | awk '{print $NF}' >"$work/files"
for f in ./usr/bin/tolvek ./usr/bin/tolvek-render ./usr/libexec/tolvek/tolvek-decode ./usr/share/tolvek/Tolvek.chm ./usr/share/tolvek/LeesMij.txt \
    "./usr/share/applications/$id.desktop" "./usr/share/mime/packages/$id.xml" "./usr/share/metainfo/$id.metainfo.xml" \
    "./usr/share/icons/hicolor/scalable/apps/$id.svg" "./usr/share/icons/hicolor/48x48/apps/$id.png" \
    ./usr/share/man/man1/tolvek.1.gz ./usr/share/doc/tolvek/copyright; do
    grep -qxF "$f" "$work/files" || fail "not in the package: $f"
done
depends="$(dpkg-deb -f "$deb" Depends)"
echo "Depends: $depends"
# From dpkg-shlibdeps: the libraries the programs link, with versions.
for lib in libc6 libqt6core6 libqt6gui6 libqt6widgets6 libqt6svg6 libpoppler-qt6-3 libjpeg62-turbo libglib2.0-0; do
    echo "$depends" | grep -qE "(^|, )$lib \(>= " || fail "Depends lacks $lib with a version: $depends"
done
echo "$depends" | grep -q "qt6-image-formats-plugins" || fail "Depends lacks the image plugins"
dpkg-deb -e "$deb" "$work/control"
grep -q "activate-noawait /usr/share/mime/packages" "$work/control/triggers" || fail "no MIME trigger"

if [ "$(id -u)" != 0 ]; then
    echo "SKIP: dpkg -i and removal of the package need root (run on a throw-away machine as root)"
elif dpkg-query -W -f='${Status}' tolvek 2>/dev/null | grep -q "ok installed"; then
    echo "SKIP: dpkg -i and removal: a tolvek package is installed on this machine and is left alone"
else
    step "dpkg -i, then removal"
    # apt or dpkg of another job may hold the lock for a while.
    dpkg_retry() {
        for _ in $(seq 1 30); do
            if dpkg "$@" >"$work/dpkg.log" 2>&1; then return 0; fi
            grep -q "lock" "$work/dpkg.log" || break
            sleep 5
        done
        cat "$work/dpkg.log" >&2
        return 1
    }
    dpkg_retry -i "$deb" || fail "dpkg -i"
    installed_ok=1
    [ -x /usr/bin/tolvek ] || installed_ok=0
    QT_QPA_PLATFORM=offscreen /usr/bin/tolvek-render "$sample" "$work/system.png" || installed_ok=0
    # The MIME trigger has run: the system database knows projects now.
    type="$(XDG_DATA_DIRS=/usr/share XDG_CURRENT_DESKTOP=GNOME xdg-mime query filetype "$sample")"
    [ "$type" = application/x-tolvek ] || installed_ok=0
    dpkg_retry -r tolvek || fail "dpkg -r"
    [ "$installed_ok" = 1 ] || fail "the installed package did not work (type \"$type\")"
    [ ! -e /usr/bin/tolvek ] || fail "/usr/bin/tolvek is still there after removal"
    type="$(XDG_DATA_DIRS=/usr/share XDG_CURRENT_DESKTOP=GNOME xdg-mime query filetype "$sample")"
    [ "$type" != application/x-tolvek ] || fail "the MIME type outlived the package"
fi
echo "All install and package checks passed."
