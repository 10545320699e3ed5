#!/usr/bin/env bash
# Checks the Debian package as a user's machine would see it: the package's
# own checks, then install it, use it as two ordinary users with empty homes
# (the command-line tool, the rules, the window), and remove it again.
# Needs root (or sudo); run scripts/package.sh first.
set -euo pipefail
cd "$(dirname "$0")/.."
SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO=sudo
deb=$(ls build/wormpair_*.deb | head -n 1)
tools=(lintian desktop-file-utils appstream xdg-utils shared-mime-info x11-utils xvfb xauth)
missing=()
for p in "${tools[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

step() { echo "== $*"; }
fail() { echo "FAILED: $*" >&2; exit 1; }

step "lintian"
lintian --fail-on error,warning "$deb"
step "desktop-file-validate, appstreamcli validate"
desktop-file-validate data/desktop/wormpair.desktop
appstreamcli validate --no-net build/data/desktop/cn.nalvex.wormpair.metainfo.xml

step "install"
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q "./$deb" >/dev/null
installed=/usr/lib/wormpair
factory_sum=$(sha256sum "$installed/db1.mdb" | cut -d' ' -f1)

users=(wormpair-check-a wormpair-check-b)
cleanup() {
  for u in "${users[@]}"; do $SUDO userdel -r "$u" >/dev/null 2>&1 || true; done
}
trap cleanup EXIT
for u in "${users[@]}"; do
  $SUDO userdel -r "$u" >/dev/null 2>&1 || true
  $SUDO useradd --create-home --shell /bin/bash "$u"
done
as() {
  local user=$1; shift
  local run=(runuser -u "$user" --)
  [ "$(id -u)" -eq 0 ] || run=(sudo -u "$user" -H)
  "${run[@]}" env -i HOME="/home/$user" PATH=/usr/bin:/bin LANG=C.UTF-8 "$@"
}

step "the tool as an ordinary user"
as wormpair-check-a wormpair-cli design --centre-distance 160 --wheel-teeth 45 --worm-starts 1 --json |
  grep -q '"ok": true' || fail "wormpair-cli design"
as wormpair-check-a wormpair-cli rules | grep -q "与出厂设置一致" || fail "factory rules expected"
as wormpair-check-a wormpair-cli rules set 1 0.9
as wormpair-check-a wormpair-cli rules --json | grep -q '"modified": true' || fail "rule change"
[ -f /home/wormpair-check-a/.local/share/wormpair/db1.mdb ] || fail "no per-user database"
[ "$(sha256sum "$installed/db1.mdb" | cut -d' ' -f1)" = "$factory_sum" ] ||
  fail "the installed database changed"
as wormpair-check-b wormpair-cli rules | grep -q "与出厂设置一致" ||
  fail "the second user does not see the factory rules"
as wormpair-check-a wormpair-cli rules restore
as wormpair-check-a wormpair-cli rules --json | grep -q '"modified": false' || fail "restore"

step "a drawing and a model of a design file, by the installed tool"
# the installed libraries (Qt Gui, Qt SVG, OpenCASCADE) are all there
home=/home/wormpair-check-a
as wormpair-check-a wormpair-cli cells "$installed/111.xls" --set A1=160 --set A2=45 --set A3=45 \
  --set A4=1 --set A5=100 --set A6=0 --set A7=65 --set A8=0.15 --set "A9=7j(GB/T16445-1996)" \
  --set A10=右旋 --set "A11=0.3 * 3.6" --set "A12=0.2 * 2.4" --set A13=0.4 -o "$home/d.cqb" >/dev/null
as wormpair-check-a wormpair-cli drawing worm "$home/d.cqb" -o "$home/worm.pdf" >/dev/null
as wormpair-check-a wormpair-cli model worm "$home/d.cqb" -o "$home/worm.step" >/dev/null
head -c 13 "$home/worm.pdf" | grep -q "^%PDF" || fail "no PDF drawing"
head -n 1 "$home/worm.step" | grep -q "^ISO-10303-21;" || fail "no STEP model"

step "the window as an ordinary user"
as wormpair-check-a xvfb-run -a sh -c '
  wormpair & pid=$!
  for i in $(seq 40); do
    sleep 0.25
    xwininfo -root -tree 2>/dev/null | grep -q "NALVEX蜗杆副设计V8.601" && break
  done
  found=$(xwininfo -root -tree 2>/dev/null)
  kill $pid
  echo "$found" | grep -q "NALVEX蜗杆副设计V8.601" && ! echo "$found" | grep -q "\"提示\""' ||
  fail "the window did not start"

step "design files open with wormpair"
default=$(as wormpair-check-a xdg-mime query default application/x-wormpair-design)
[ "$default" = "wormpair.desktop" ] || fail "xdg-mime names '$default'"
[ "$(as wormpair-check-a xdg-mime query filetype /usr/lib/wormpair/111.xls)" != "" ]

step "remove"
DEBIAN_FRONTEND=noninteractive $SUDO apt-get remove -y -q wormpair >/dev/null
[ ! -e /usr/lib/wormpair ] || fail "/usr/lib/wormpair left behind"
[ ! -e /usr/bin/wormpair ] || fail "/usr/bin/wormpair left behind"
echo "package checks passed"
