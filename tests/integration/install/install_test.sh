#!/usr/bin/env bash
# install_test.sh <build folder> <source folder>
# Installs into a temporary DESTDIR, checks the layout and the metadata, then
# starts the installed program through its launcher as an ordinary user
# against the installed service, and checks that it found its audio library,
# kept its settings in the user's configuration folder and showed no message.
set -euo pipefail
build=$1
src=$2
fail() { echo "FAIL: $*" >&2; exit 1; }

tmp=$(mktemp -d /tmp/sonaro-install.XXXXXX)
service_pid=""
cleanup() {
    [ -n "$service_pid" ] && kill "$service_pid" 2>/dev/null && wait "$service_pid" 2>/dev/null
    rm -rf "$tmp"
}
trap cleanup EXIT
chmod 755 "$tmp"

root="$tmp/root"
DESTDIR="$root" cmake --install "$build" --prefix /usr >/dev/null

# Layout: program and audio library side by side, launcher link, service.
prog="$root/usr/lib/sonaro-klient"
for f in "$prog/sonaro-klient" "$prog/libsonaroaudio.so" "$root/usr/bin/sonaro-service"; do
    [ -f "$f" ] || fail "missing $f"
done
[ -L "$root/usr/bin/sonaro-klient" ] || fail "launcher is not a link"
[ "$(readlink -f "$root/usr/bin/sonaro-klient")" = "$(readlink -f "$prog/sonaro-klient")" ] \
    || fail "launcher does not lead to the program"
for f in share/applications/io.github.sonaro.Klient.desktop share/metainfo/io.github.sonaro.Klient.metainfo.xml \
         share/mime/packages/io.github.sonaro.Klient.xml \
         share/icons/hicolor/scalable/apps/sonaro-klient.svg share/icons/hicolor/48x48/apps/sonaro-klient.png \
         lib/systemd/system/sonaro-service.service; do
    [ -f "$root/usr/$f" ] || fail "missing /usr/$f"
done
# /etc for a /usr build (the packages); <prefix>/etc otherwise.
[ -n "$(find "$root" -path '*etc/sonaro/sonaro-service.conf')" ] || fail "missing service configuration"

# Debian's rules: manual pages and changelogs gzip-compressed without name
# and time (so byte for byte what gzip -9n makes), and in each package a
# copyright file and a changelog whose top entry is the package version.
same_gzip() { # <source> <installed>
    [ -f "$2" ] || fail "missing ${2#"$root"}"
    gzip -9n -c "$1" | cmp -s - "$2" || fail "${2#"$root"} is not $1 compressed with gzip -9n"
}
same_gzip "$src/packaging/sonaro-klient.1" "$root/usr/share/man/man1/sonaro-klient.1.gz"
same_gzip "$src/packaging/sonaro-service.1" "$root/usr/share/man/man1/sonaro-service.1.gz"
cpack_value() { sed -n "s/^set($1 \"\(.*\)\")$/\1/p" "$build/CPackConfig.cmake"; }
version="$(cpack_value CPACK_PACKAGE_VERSION)-$(cpack_value CPACK_DEBIAN_PACKAGE_RELEASE)"
for pkg in sonaro-klient sonaro-service; do
    doc="$root/usr/share/doc/$pkg"
    same_gzip "$src/packaging/debian/changelog" "$doc/changelog.Debian.gz"
    top=$(zcat "$doc/changelog.Debian.gz" | sed -n '1s/^[a-z0-9.+-]* (\([^)]*\)).*/\1/p')
    [ "$top" = "$version" ] || fail "$pkg changelog starts with version '$top', the package is $version"
    grep -qx 'License: GPL-3.0-or-later' "$doc/copyright" || fail "$pkg has no GPL-3.0-or-later copyright file"
done
# The conffiles of the service package name exactly the configuration
# files installed, wherever the prefix put them.
conffiles="$build/packaging/debian/service/conffiles"
while read -r conf; do
    [ -f "$root$conf" ] || fail "conffile $conf is not installed"
done <"$conffiles"
while read -r installed; do
    grep -qxF "${installed#"$root"}" "$conffiles" || fail "${installed#"$root"} is missing from the conffiles"
done < <(find "$root" -path '*/etc/*' -type f)

# The nginx site ships as an example, unchanged, and nginx takes it as a
# site of its http block.
site="$root/usr/share/doc/sonaro-service/examples/sonaro-service.nginx"
[ -f "$site" ] || fail "missing ${site#"$root"}"
cmp -s "$src/packaging/sonaro-service.nginx" "$site" || fail "${site#"$root"} differs from the source"
mkdir -p "$tmp/nginx/logs"
printf 'pid %s;\nerror_log stderr;\nevents {}\nhttp {\n    access_log off;\n    include %s;\n}\n' \
    "$tmp/nginx/nginx.pid" "$site" >"$tmp/nginx/nginx.conf"
nginx_out=$(nginx -t -q -e stderr -p "$tmp/nginx/" -c "$tmp/nginx/nginx.conf" 2>&1) \
    || { printf '%s\n' "$nginx_out" >&2; fail "nginx refuses the site"; }

desktop-file-validate "$root/usr/share/applications/io.github.sonaro.Klient.desktop"
# A .kpl is known by its name and opens with the program.
grep -qx 'MimeType=application/x-sonaro-playlist;' "$root/usr/share/applications/io.github.sonaro.Klient.desktop" \
    || fail "the desktop entry does not take playlists"
cp -r "$root/usr/share/mime" "$tmp/mime"
update-mime-database "$tmp/mime" >/dev/null 2>&1 || fail "update-mime-database refused the playlist type"
grep -q '^application/x-sonaro-playlist:\*\.kpl$' "$tmp/mime/globs" || fail "no glob for .kpl"
metainfo="$root/usr/share/metainfo/io.github.sonaro.Klient.metainfo.xml"
appstreamcli validate --no-net "$metainfo" >/dev/null
# The only remark allowed is an older reader not knowing the newer developer tag.
remarks=$(appstreamcli validate --no-net "$metainfo" | grep -E '^[EWI]:' | grep -v 'unknown-tag developer$' || true)
[ -z "$remarks" ] || fail "appstreamcli: $remarks"
# The listing's picture is the one the project ships, of the size it names.
shot=$(sed -n 's|.*<image type="source" width="\([0-9]*\)" height="\([0-9]*\)">https://[^<]*/main/\([^<]*\)</image>.*|\1 \2 \3|p' "$metainfo")
[ -n "$shot" ] || fail "the metadata names no screenshot"
read -r shot_width shot_height shot_path <<<"$shot"
[ -f "$src/$shot_path" ] || fail "the screenshot $shot_path is not in the source tree"
[ "$(head -c 8 "$src/$shot_path" | od -An -tx1 | tr -d ' \n')" = "89504e470d0a1a0a" ] || fail "$shot_path is not a PNG"
size=$(od -An -tu1 -j16 -N8 "$src/$shot_path" | awk '{print $1*16777216+$2*65536+$3*256+$4, $5*16777216+$6*65536+$7*256+$8}')
[ "$size" = "$shot_width $shot_height" ] || fail "$shot_path is $size, the metadata says $shot_width $shot_height"
grep -q '<url type="homepage">https://' "$metainfo" || fail "no homepage in the metadata"
grep -q '<developer id="io.github.sonaro">' "$metainfo" || fail "no developer in the metadata"
# Verified where it would run: the command path pointed into the temporary root.
sed "s|/usr/bin/sonaro-service|$root/usr/bin/sonaro-service|" \
    "$root/usr/lib/systemd/system/sonaro-service.service" >"$tmp/sonaro-service.service"
unit_out=$(systemd-analyze verify "$tmp/sonaro-service.service" 2>&1 || true)
if printf '%s\n' "$unit_out" | grep -v "man sonaro-service(1)" | grep -q .; then
    printf '%s\n' "$unit_out" >&2
    fail "systemd-analyze verify found problems in the unit"
fi

# The installed service on the program's fixed address, with one track.
music="$tmp/music"
mkdir -p "$music"
sox -n -r 44100 -c 2 "$tmp/tone.wav" synth 2 sine 440 2>/dev/null
lame --quiet --tt "Zkouška" --ta "Test" "$tmp/tone.wav" "$music/zkouska.mp3"
"$root/usr/bin/sonaro-service" --music "$music" --database "$tmp/service.db" \
    --address 127.0.0.1 --port 80 >"$tmp/service.log" 2>&1 &
service_pid=$!
for _ in $(seq 100); do
    (exec 3<>/dev/tcp/127.0.0.1/80) 2>/dev/null && break
    kill -0 "$service_pid" 2>/dev/null || { cat "$tmp/service.log" >&2; fail "service did not start"; }
    sleep 0.1
done

# An ordinary user cannot write into the program folder, so the settings
# must go to the user's configuration folder without an error.
home="$tmp/home"
mkdir -p "$home"
chown 65534:65534 "$home"
# Full stacks for the leak check: Qt is built without frame pointers.
run_as_user() {
    exec setpriv --reuid=65534 --regid=65534 --clear-groups --reset-env -- \
        env HOME="$home" XDG_CONFIG_HOME="$home/.config" QT_QPA_PLATFORM=offscreen \
            SDL_AUDIODRIVER=dummy ASAN_OPTIONS="${ASAN_OPTIONS:-}${ASAN_OPTIONS:+:fast_unwind_on_malloc=0}" LSAN_OPTIONS="${LSAN_OPTIONS:-}" \
            UBSAN_OPTIONS="${UBSAN_OPTIONS:-}" TSAN_OPTIONS="${TSAN_OPTIONS:-}" "$@"
}
run_as_user "$root/usr/bin/sonaro-klient" >"$tmp/client.log" 2>&1 &
client_pid=$!
ini="$home/.config/sonaro-klient/sonaro-klient.ini"
hash="$home/.config/sonaro-klient/keys/Software/Sonaro/InstallData/English/HashCode"
for _ in $(seq 150); do
    [ -s "$hash" ] && break
    kill -0 "$client_pid" 2>/dev/null || break
    sleep 0.1
done
kill -TERM "$client_pid" 2>/dev/null || true
status=0
wait "$client_pid" || status=$?

cat "$tmp/client.log" >&2
[ "$status" -eq 0 ] || fail "the program exited with $status"
[ -f "$ini" ] || fail "no settings file at $ini"
grep -q '^Pomatovat=1' "$ini" || fail "settings file lacks the first-run keys"
grep -q '^Volume=' "$ini" || fail "settings were not written at close"
[ ! -e "$prog/sonaro-klient.ini" ] || fail "settings written into the program folder"
[ -s "$hash" ] || fail "the update check stored no client ID"
if grep -E "Chyba|nelze|chyb" "$tmp/client.log"; then
    fail "the program showed a message"
fi
echo "install test passed"
