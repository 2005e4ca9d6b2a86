#!/usr/bin/env bash
# The Debian package as a user gets it: made by CPack from the build, clean
# for lintian, every installed file where a desktop looks for it and accepted
# by its validator, folders left to the file manager, and the packaged viz, run from the unpacked tree, finding
# the music in ~/Music, in XDG_MUSIC_DIR, else its own demo songs.
# Usage: package_test.sh BUILD_FOLDER MAKE_TEST_SONG
set -euo pipefail
build=$(realpath "$1")
make_song=$(realpath "$2")
work=$(mktemp -d)
pid=""
source "$(dirname "$0")/display_helpers.sh"
trap cleanup EXIT
app=io.github.vizteam.viz

cpack --config "$build/CPackConfig.cmake" -B "$work/package" >"$work/cpack.log" 2>&1 ||
    { cat "$work/cpack.log"; fail "cpack made no package"; }
deb=$(echo "$work"/package/viz_*.deb)
[[ -f $deb ]] || fail "no viz_*.deb in $(ls "$work/package")"

# Errors and warnings fail; lintian's informational tags are only shown.
lintian_status=0
lintian --fail-on error,warning --info "$deb" >"$work/lintian.log" 2>&1 || lintian_status=$?
grep -v 'root privileges' "$work/lintian.log" >&2 || true
((lintian_status == 0)) || fail "lintian found errors or warnings in $deb"

root=$work/root
dpkg-deb -x "$deb" "$root"
for file in bin/viz share/applications/$app.desktop share/metainfo/$app.metainfo.xml \
    share/icons/hicolor/scalable/apps/$app.svg share/icons/hicolor/{48x48,128x128,256x256}/apps/$app.png \
    share/man/man1/viz.1.gz share/doc/viz/copyright share/doc/viz/changelog.gz \
    "share/viz/media/Night Drive.mp3" "share/viz/media/Paper Lanterns.mp3" "share/viz/media/Glass Tide.mp3"; do
    [[ -s "$root/usr/$file" ]] || fail "the package has no /usr/$file"
done
for size in 48 128 256; do
    got=$(identify -format '%wx%h' "$root/usr/share/icons/hicolor/${size}x$size/apps/$app.png")
    [[ $got == "${size}x$size" ]] || fail "the ${size}px icon is $got"
done

desktop-file-validate "$root/usr/share/applications/$app.desktop" || fail "desktop-file-validate"
appstreamcli validate --no-net "$root/usr/share/metainfo/$app.metainfo.xml" || fail "appstreamcli validate"
grep -q "<launchable type=\"desktop-id\">$app.desktop</launchable>" "$root/usr/share/metainfo/$app.metainfo.xml" ||
    fail "the metainfo launches something other than $app.desktop"
man_warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l -Tutf8 -Z "$root/usr/share/man/man1/viz.1.gz" 2>&1 >/dev/null)
[[ -z $man_warnings ]] || fail "the manual page warns: $man_warnings"

# Folders stay the file manager's: on a desktop where no other program
# claims them, the entry would make viz what opens every folder.
apps=$work/share/applications
mkdir -p "$apps" "$work/config"
cp "$root/usr/share/applications/$app.desktop" "$apps/"
update-desktop-database "$apps"
opener() { XDG_DATA_HOME="$work/share" XDG_DATA_DIRS="$work/share" XDG_CONFIG_HOME="$work/config" xdg-mime query default "$1"; }
[[ $(opener audio/mpeg) == "$app.desktop" ]] || fail "viz does not open MP3s from a file manager: '$(opener audio/mpeg)'"
[[ $(opener inode/directory) != "$app.desktop" ]] || fail "installing viz makes it the folder opener"
recommends=$(dpkg-deb -f "$deb" Recommends)
[[ $recommends == *xvfb* && $recommends == *cjk* ]] || fail "the package recommends neither Xvfb for --render nor a CJK font: $recommends"

version=$(dpkg-deb -f "$deb" Version)
[[ $("$root/usr/bin/viz" --version) == "viz $version" ]] || fail "the packaged viz is not version $version"
grep -q "<release version=\"$version\"" "$root/usr/share/metainfo/$app.metainfo.xml" ||
    fail "the metainfo lists no release $version"

# plays_from FOLDER [ENV...]: the packaged viz, with nothing beside it and
# HOME in $work/home, opens a song under FOLDER once the selection shows.
plays_from() {
    local folder=$1
    shift
    start_viz env HOME="$work/home" XDG_CONFIG_HOME= XDG_MUSIC_DIR= SDL_AUDIODRIVER=dummy "$@" "$root/usr/bin/viz"
    # A desktop ties the window to the menu entry, and its icon, by its class.
    [[ $(xprop -id "$window" WM_CLASS) == "WM_CLASS(STRING) = \"$wm_class\", \"$wm_class\"" ]] ||
        fail "the window's class is not the menu entry's $wm_class: $(xprop -id "$window" WM_CLASS)"
    xdotool key Return
    for _ in $(seq 1 50); do
        find "/proc/$pid/fd" -lname "$folder/*" 2>/dev/null | grep -q . && { quit_viz; return 0; }
        sleep 0.1
    done
    fail "the installed viz opened nothing under $folder: $(ls -l "/proc/$pid/fd" 2>&1)"
}

wm_class=$(sed -n 's/^StartupWMClass=//p' "$root/usr/share/applications/$app.desktop")
mkdir -p "$work/home"
plays_from "$root/usr/share/viz/media"

mkdir -p "$work/home/Music/album" "$work/elsewhere"
"$make_song" "$work/home/Music/album/home song.mp3" 20 noise
plays_from "$work/home/Music"

cp "$work/home/Music/album/home song.mp3" "$work/elsewhere/"
plays_from "$work/elsewhere" XDG_MUSIC_DIR="$work/elsewhere"

echo "package clean for lintian, its files valid, its viz $version playing the demo songs, ~/Music and XDG_MUSIC_DIR"
