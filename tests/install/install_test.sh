#!/usr/bin/env bash
# The installed program: `cmake --install` of this build into a fresh prefix, which is then made
# read-only and run by a user who cannot write it, with an empty home:
#  - the desktop entry and the AppStream metadata validate;
#  - orvek-cli reduce on the sample series and the window (offscreen) start, write their
#    settings under ~/.config/orvek/ (in the locale's language) and working folders under
#    ~/.local/share/orvek/, and read the shipped files from share/orvek/;
#  - nothing under the prefix changes.
#   install_test.sh SOURCE_DIR BUILD_DIR
set -euo pipefail
src="$1"
build="$2"
fail() {
  echo "FAIL: $*" >&2
  exit 1
}

root="$(mktemp -d)"
trap 'chmod -R u+w "$root" 2>/dev/null; rm -rf "$root"' EXIT
chmod 755 "$root"
prefix="$root/prefix"
cmake --install "$build" --prefix "$prefix" >/dev/null

for f in bin/orvek-cli share/orvek/orvek.ini share/orvek/tutoriel.htm share/orvek/pixel.htm \
  share/orvek/red0.cur share/orvek/blu3.cur share/applications/org.orvek.Orvek.desktop \
  share/metainfo/org.orvek.Orvek.metainfo.xml share/icons/hicolor/scalable/apps/org.orvek.Orvek.svg \
  share/icons/hicolor/128x128/apps/org.orvek.Orvek.png share/man/man1/orvek-cli.1; do
  [ -f "$prefix/$f" ] || fail "$f is not installed"
done
desktop-file-validate "$prefix/share/applications/org.orvek.Orvek.desktop" ||
  fail "desktop entry"
appstreamcli validate --no-net "$prefix/share/metainfo/org.orvek.Orvek.metainfo.xml" >/dev/null ||
  fail "AppStream metadata"

# The user: root runs it as "nobody" (root could write anywhere); anyone else as themselves.
as_user=()
if [ "$(id -u)" -eq 0 ]; then
  as_user=(setpriv --reuid=nobody --regid=nogroup --clear-groups --)
fi
chmod -R a-w "$prefix"
snapshot() { (cd "$prefix" && find . -printf '%p %s %T@ %m\n' | sort); }
before="$(snapshot)"

# The sample series, where that user can read it.
mkdir -p "$root/samples"
cp "$src"/samples/ORV1/*.fit "$root/samples/"
chmod -R a+rX "$root/samples"

home_of() {
  local home="$root/$1"
  mkdir -p "$home"
  [ "$(id -u)" -eq 0 ] && chown nobody:nogroup "$home"
  echo "$home"
}
run() {
  local home="$1" lang="$2"
  shift 2
  env -i PATH=/usr/bin:/bin HOME="$home" LANG="$lang" QT_QPA_PLATFORM=offscreen \
    "${as_user[@]}" "$@"
}

# orvek-cli: settings in French (the locale), reports in the user's folder, working folders.
cli_home="$(home_of cli)"
run "$cli_home" fr_FR.UTF-8 mkdir "$cli_home/reports"
run "$cli_home" fr_FR.UTF-8 "$prefix/bin/orvek-cli" reduce "$root"/samples/*.fit \
  --report-dir "$cli_home/reports" --system ORV1 --date 2011-06-18 --json >"$root/reduce.json" ||
  fail "orvek-cli reduce"
grep -q '"theta"' "$root/reduce.json" || fail "reduce gave no theta"
for r in OrvekLog.txt OrvekDat.txt OrvekEZReport.txt; do
  [ -s "$cli_home/reports/$r" ] || fail "reduce did not write $r"
done
settings="$cli_home/.config/orvek/orvek.ini"
[ -f "$settings" ] || fail "no settings file under ~/.config/orvek/"
grep -q '^Langue=F' "$settings" || fail "a French locale did not give a French first start"
run "$cli_home" fr_FR.UTF-8 "$prefix/bin/orvek-cli" drift "$root"/samples/*.fit >/dev/null 2>&1 ||
  true # the samples are no drift series; the verb still works in its working folder
[ -d "$cli_home/.local/share/orvek/tempc" ] || fail "no working folder under ~/.local/share/orvek/"

# The window: its first start in Spanish, with its shipped cursors and help pages read from
# share/orvek/ (nothing is copied beside the settings).
gui_home="$(home_of gui)"
if [ -x "$prefix/bin/orvek" ]; then
  run "$gui_home" es_ES.UTF-8 timeout 60 "$prefix/bin/orvek" --screenshot "$gui_home/shot.png" \
    "$root/samples/orv1_001.fit" >"$root/gui.log" 2>&1 || fail "the window: $(cat "$root/gui.log")"
  [ -s "$gui_home/shot.png" ] || fail "the window showed nothing"
  grep -q '^Langue=S' "$gui_home/.config/orvek/orvek.ini" || fail "window settings not Spanish"
  [ -d "$gui_home/.local/share/orvek" ] || fail "the window made no working folder"
  [ ! -e "$gui_home/.config/orvek/red0.cur" ] || fail "resources copied beside the settings"
fi

[ "$(snapshot)" == "$before" ] || fail "the installed files changed"

# A home that cannot be written: the command says so and fails, instead of going on.
locked="$(home_of locked)"
chmod 555 "$locked"
if run "$locked" C.UTF-8 "$prefix/bin/orvek-cli" info "$root/samples/orv1_001.fit" \
  >"$root/locked.out" 2>"$root/locked.err"; then
  fail "orvek-cli ran with settings it could not write"
fi
grep -q "orvek" "$root/locked.err" && grep -q ".config/orvek" "$root/locked.err" ||
  fail "no clear message for a home that cannot be written: $(cat "$root/locked.err")"
echo "installed program: passed"
