#!/usr/bin/env bash
# The Debian package end to end: built by CPack from the build given, its control fields and
# file list, its programs' hardening and help, unpacked into a throw-away root and run from
# there (setup of a package folder, the window started through the folder's link under Xvfb,
# a report run, the service's start script), the service's unit and maintainer scripts, then
# the checks of desktop-file-validate, appstreamcli and lintian.
#   package_test.sh BUILD_DIR
set -euo pipefail
build=$1
tmp=$(mktemp -d)
pids=()
trap 'for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done; rm -rf "$tmp"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
has() { grep -qxF -- "$2" <<<"$1" || fail "missing \"$2\" in: $1"; }

cpack -G DEB --config "$build/CPackConfig.cmake" -B "$tmp/pkg" >/dev/null
version=$("$build/zol5300" --version | cut -d' ' -f2)
deb=$tmp/pkg/zol5300_${version}_$(dpkg --print-architecture).deb
[ -f "$deb" ] || fail "no package $deb"

control=$(dpkg-deb -I "$deb")
has "$control" " Package: zol5300"
has "$control" " Version: $version"
depends=$(sed -n 's/^ Depends: //p' <<<"$control" | tr -d ' ' | tr ',' '\n' | sed 's/(.*//')
# The libraries by the package that holds them on this release (Debian 13 renamed some for
# 64-bit time: libmdb3t64), then what is only loaded at run time.
holder() { { dpkg-query -S "*/$1" 2>/dev/null || true; } | sed -n '1s/[:,].*//p'; }
for lib in libc.so.6 libQt6Widgets.so.6 libQt6Gui.so.6 libsqlite3.so.0 libmdb.so.3; do
  pkg=$(holder "$lib")
  [ -n "$pkg" ] || fail "no installed package holds $lib"
  has "$depends" "$pkg"
done
for d in fonts-noto-cjk qt6-qpa-plugins qt6-translations-l10n adduser; do has "$depends" "$d"; done
files=$(dpkg-deb -c "$deb" | awk '{ $1 = $2 = $3 = $4 = $5 = ""; print substr($0, 6) }')
for f in ./usr/lib/zol5300/Zol5300P1 ./usr/lib/zol5300/zol5300 \
  "./usr/bin/zol5300 -> ../lib/zol5300/zol5300" ./usr/share/man/man1/zol5300.1.gz \
  ./usr/share/man/man1/Zol5300P1.1.gz ./usr/share/applications/zol5300.desktop \
  ./usr/share/metainfo/tw.zol5300.zol5300p1.metainfo.xml \
  ./usr/share/icons/hicolor/scalable/apps/zol5300.svg ./usr/share/doc/zol5300/copyright \
  ./usr/share/doc/zol5300/changelog.gz ./usr/share/doc/zol5300/README.md.gz \
  ./usr/share/lintian/overrides/zol5300 ./usr/lib/systemd/system/zol5300-serve.service \
  ./usr/lib/zol5300/zol5300-serve-start ./etc/zol5300/serve.conf; do has "$files" "$f"; done
[ "$(grep -c -v '/$' <<<"$files")" = 15 ] || fail "unexpected files: $files"
# The settings survive upgrades; the scripts make the service's account and never enable or
# start the service (the office does, once serve.conf names the package folder).
dpkg-deb -e "$deb" "$tmp/control"
[ "$(cat "$tmp/control/conffiles")" = /etc/zol5300/serve.conf ] || fail "conffiles"
for s in postinst prerm postrm; do [ -x "$tmp/control/$s" ] && sh -n "$tmp/control/$s" || fail "$s"; done
grep -q 'adduser --system' "$tmp/control/postinst" || fail "postinst makes no account"
! grep -v '^ *#' "$tmp/control/postinst" | grep -qE '(systemctl|deb-systemd-).*(enable|start)' ||
  fail "postinst enables or starts the service"

root=$tmp/root
dpkg -x "$deb" "$root"
lib=$root/usr/lib/zol5300
[ "$("$root/usr/bin/zol5300" --version)" = "zol5300 $version" ] || fail "zol5300 --version"
[ "$("$lib/Zol5300P1" --version)" = "Zol5300P1 $version" ] || fail "Zol5300P1 --version"

# Hardened and stripped: bound at start into read-only relocations, a guarded stack,
# fortified libc calls; no symbols, no compiler notes.
for p in "$lib/zol5300" "$lib/Zol5300P1"; do
  dyn=$(readelf -dW "$p") segments=$(readelf -lW "$p") sections=$(readelf -SW "$p")
  syms=$(readelf --dyn-syms -W "$p")
  grep -q 'BIND_NOW' <<<"$dyn" && grep -q 'GNU_RELRO' <<<"$segments" || fail "$p: no RELRO, -z now"
  grep -q ' __stack_chk_fail' <<<"$syms" || fail "$p: no stack protector"
  grep -qE ' __[a-z]+_chk' <<<"$(grep -v __stack_chk <<<"$syms")" || fail "$p: not fortified"
  ! grep -qE ' \.(symtab|comment) ' <<<"$sections" || fail "$p: not stripped"
done

# Help on standard output, exit 0, for the command, each of its commands and the window;
# the man page describes every command the help names.
man=$(zcat "$root/usr/share/man/man1/zol5300.1.gz")
for cmd in "" setup report find sampledb sql serve serve-user; do
  out=$("$root/usr/bin/zol5300" $cmd --help 2>"$tmp/err") || fail "zol5300 $cmd --help: exit $?"
  [ -s "$tmp/err" ] && fail "zol5300 $cmd --help wrote to standard error"
  grep -q "^用法：zol5300 ${cmd:-COMMAND}" <<<"$out" || fail "zol5300 $cmd --help: $out"
  [ -z "$cmd" ] || grep -qxF ".B ${cmd//-/\\-}" <<<"$man" || fail "man zol5300 leaves out $cmd"
done
out=$("$lib/Zol5300P1" --help) || fail "Zol5300P1 --help: exit $?"
grep -q '^用法：BASE/exe/Zol5300P1 a/b/c' <<<"$out" || fail "Zol5300P1 --help: $out"
grep -q '沒有選單程式時直接結束' <<<"$out" || fail "Zol5300P1 --help says nothing of leaving"
zcat "$root/usr/share/man/man1/Zol5300P1.1.gz" | grep -q 'without a menu program' ||
  fail "man Zol5300P1 says nothing of leaving without a menu program"

# Set-up: first without a database (it says where one belongs), then the sample school.
export HOME=$tmp/home XDG_DATA_HOME=
base=$tmp/學校
out=$("$root/usr/bin/zol5300" setup "$base")
has "$out" "尚無學校資料庫：請把學校的 ZOL.mdb 放在 $base/mdb/ZOL.mdb"
[ ! -e "$base/mdb" ] || fail "setup wrote into mdb without --sample"
"$root/usr/bin/zol5300" setup "$base" --sample >/dev/null
[ "$(readlink "$base/exe/Zol5300P1")" = "$lib/Zol5300P1" ] || fail "exe/Zol5300P1 link"
[ "$(readlink "$base/exe/zol5300")" = "$lib/zol5300" ] || fail "exe/zol5300 link"
launcher=$(echo "$HOME"/.local/share/applications/zol5300-學校-*.desktop)
has "$(cat "$launcher")" "Exec=\"$base/exe/Zol5300P1\" \"1/1/1\""
has "$(cat "$launcher")" "Name=繳費明細表列印（學校）"
# The packaged entry and the launcher name the window's class; a launcher of an earlier
# version, without it, is brought up to date by the next setup.
has "$(cat "$launcher")" "StartupWMClass=zol5300"
has "$(cat "$root/usr/share/applications/zol5300.desktop")" "StartupWMClass=zol5300"
grep -v '^StartupWMClass=' "$launcher" >"$tmp/old" && cp "$tmp/old" "$launcher"
"$base/exe/zol5300" setup "$base" >/dev/null
has "$(cat "$launcher")" "StartupWMClass=zol5300"
state() { find "$base" "$HOME" -printf '%p %s %T@ %l\n' | sort; }
before=$(state)
out=$("$base/exe/zol5300" setup "$base" --sample)
[ "$(state)" = "$before" ] || fail "running setup again changed files: $out"
for bad in "$deb" /proc/zol5300; do
  rc=0
  "$root/usr/bin/zol5300" setup "$bad" 2>"$tmp/err" || rc=$?
  [ "$rc" = 2 ] && grep -q 'zol5300 setup: ' "$tmp/err" || fail "setup $bad: exit $rc"
done

# The installed window through the link: its caption names the package folder.
Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$tmp/display" 2>/dev/null &
pids+=($!)
for _ in $(seq 100); do [ -s "$tmp/display" ] && break; sleep 0.1; done
export DISPLAY=:$(head -n1 "$tmp/display")
QT_QPA_PLATFORM=xcb "$base/exe/Zol5300P1" 1/1/1 2>/dev/null &
pids+=($!)
win=$(timeout 60 xdotool search --sync --name '^Quorvane\(') || fail "no query window"
[ "$(xdotool getwindowname "$win")" = "Quorvane($base)" ] || fail "caption $(xdotool getwindowname "$win")"

# A report run with the installed command on the newest collection date.
iso=$("$base/exe/zol5300" sql "$base/mdb/ZOL.mdb" \
  "select max(TranDay) from ZOL10_Agency where PayStas = -1" | head -n1)
tranday=$(printf '%03d/%s/%s' $((${iso:0:4} - 1911)) "${iso:5:2}" "${iso:8:2}")
"$base/exe/zol5300" report "$base" --tranday "$tranday" >/dev/null || fail "report exit $?"
grep -q "郵政轉帳" <(iconv -f CP950 -t UTF-8 "$base/rpt/rep_5300.TXT") || fail "report file"

# The service's start script: the settings of serve.conf as options, an empty one left out;
# given to a stand-in beside it that prints its arguments, then to the real program.
unit=$(cat "$root/usr/lib/systemd/system/zol5300-serve.service")
for l in User=zol5300 EnvironmentFile=/etc/zol5300/serve.conf ProtectSystem=strict \
  ProtectHome=read-only PrivateTmp=yes NoNewPrivileges=yes RuntimeDirectory=zol5300-serve \
  RuntimeDirectoryMode=0700 Restart=on-failure ExecStart=/usr/lib/zol5300/zol5300-serve-start; do
  has "$unit" "$l"
done
mkdir "$tmp/start"
cp "$lib/zol5300-serve-start" "$tmp/start/"
printf '#!/bin/sh\nprintf "%%s|" "$@"\n' >"$tmp/start/zol5300" && chmod +x "$tmp/start/zol5300"
start() { env -i "$@" "$tmp/start/zol5300-serve-start"; }
shipped=$(. "$root/etc/zol5300/serve.conf" && env -i BASE=/srv/學校 LISTEN="$LISTEN" \
  USERS="$USERS" TLS_CERT="$TLS_CERT" TLS_KEY="$TLS_KEY" PRINTER="$PRINTER" \
  "$tmp/start/zol5300-serve-start")
[ "$shipped" = "serve|/srv/學校|--listen|127.0.0.1:8053|--users|/var/lib/zol5300/users|" ] ||
  fail "start script with the shipped settings: $shipped"
out=$(start BASE="/srv/a b" LISTEN=0.0.0.0:8443 USERS=/u TLS_CERT=/c.pem TLS_KEY="/k 1.pem" PRINTER=Office)
[ "$out" = "serve|/srv/a b|--listen|0.0.0.0:8443|--users|/u|--tls-cert|/c.pem|--tls-key|/k 1.pem|--printer|Office|" ] ||
  fail "start script with every setting: $out"
for bad in "BASE=" "BASE=/srv TLS_CERT=/c.pem" "BASE=/srv TLS_KEY=/k.pem"; do
  rc=0
  start $bad >/dev/null 2>&1 || rc=$?
  [ "$rc" = 2 ] || fail "start script with $bad: exit $rc"
done
printf 'password1\n' | "$root/usr/bin/zol5300" serve-user add anna --users "$tmp/users" >/dev/null
env -i BASE="$base" LISTEN=127.0.0.1:0 USERS="$tmp/users" "$lib/zol5300-serve-start" 2>"$tmp/serve.log" &
pids+=($!)
for _ in $(seq 100); do grep -q '等候連線' "$tmp/serve.log" && break; sleep 0.1; done
url=$(grep -o 'http://127.0.0.1:[0-9]*/' "$tmp/serve.log") || fail "serve: $(cat "$tmp/serve.log")"
curl -fsS -o /dev/null "${url}login" || fail "no login page at $url"
# The unit as systemd reads it (every key known, the start script there), and hardened.
sed "s|=/usr/lib/zol5300/|=$lib/|" <<<"$unit" >"$tmp/zol5300-serve.service"
out=$(systemd-analyze verify --man=no "$tmp/zol5300-serve.service" 2>&1) && [ -z "$out" ] ||
  fail "systemd-analyze verify: $out"
systemd-analyze security --offline=yes --threshold=40 "$tmp/zol5300-serve.service" >/dev/null ||
  fail "the service's exposure is over 4.0"

desktop-file-validate "$root/usr/share/applications/zol5300.desktop" "$launcher"
# The package is handed to the schools, not published: it has no home page, which AppStream
# 1.0 and later warn of (earlier versions know no such check and refuse its name).
appstream_overrides=()
[ "$(appstreamcli --version | grep -o '[0-9][0-9.]*' | cut -d. -f1)" -lt 1 ] ||
  appstream_overrides=(--override=url-homepage-missing=info)
appstreamcli validate --no-net "${appstream_overrides[@]}" \
  "$root/usr/share/metainfo/tw.zol5300.zol5300p1.metainfo.xml" >/dev/null
# Nothing but the tags that the package's own notes explain (its lintian overrides).
tags=$(lintian --pedantic -I --fail-on error,warning,info,pedantic "$deb" 2>/dev/null) ||
  fail "lintian: $tags"
[ -z "$tags" ] || fail "lintian: $tags"
echo "package $deb: all checks passed"
