#!/usr/bin/env bash
# The web views as a pilot sees them: a running skyranks on a generated
# database with the site files the demo and an installation copy, headless
# Chromium without XSLT (as browsers are going) loading the pilot list, one
# pilot's history and statistics, a configured query, the admin dashboard,
# the leaderboard and a pilot's page by their plain addresses, the server
# making the HTML, and the rendered pages checked for callsigns (Cyrillic
# too), rank names, lives, the passes' chart and table, a search that leads
# to a pilot's page, his insignia, ribbons and charts. Every page is also
# laid out at a phone's 360 px, where it must not scroll sideways (a wide
# table scrolls in its own box). Screenshots at 1280 and 360 px are kept; the
# pages the demo lists are fetched too.
#
# Usage: views_browser_test.sh SKYRANKS SKYGEN SITE_DIR ARTIFACTS_DIR
# Needs the throwaway database (SKY_TEST_DB_*); without it, or without
# Chromium, the test is skipped (exit 77) unless CI=true.
set -euo pipefail

skyranks=$1 skygen=$2 site=$3 artifacts=$4
here="$(cd "$(dirname "$0")" && pwd)"
source "$here/../../scripts/lib/site.sh"

skip() {
  if [ "${CI:-}" = true ]; then echo "FAIL: $*"; exit 1; fi
  echo "SKIP: $*"; exit 77
}
fail() {
  echo "FAIL: $*"
  if [ -f "$work/skyranks.log" ]; then
    echo "--- last lines of the service log:"; tail -n 30 "$work/skyranks.log" | iconv -f CP1251 -t UTF-8 || true
  fi
  exit 1
}

[ -n "${SKY_TEST_DB_HOST:-}" ] || skip "no test database (run scripts/test)"
browser=$(command -v chromium || command -v chromium-browser || true)
[ -n "$browser" ] || skip "chromium is not installed (apt-get install -y chromium)"

work=$(mktemp -d /tmp/skyranks-browser.XXXXXX)
db="skyweb_$$_$RANDOM"
server_pid=

sql() {  # sql [-D database] statement
  mariadb --no-defaults -h "$SKY_TEST_DB_HOST" -P "$SKY_TEST_DB_PORT" -u "$SKY_TEST_DB_USER" \
    -p"$SKY_TEST_DB_PASS" --default-character-set=utf8mb4 -N -B "$@"
}
cleanup() {
  if [ -n "$server_pid" ] && kill -0 "$server_pid" 2>/dev/null; then
    kill -TERM "$server_pid" 2>/dev/null || true
    wait "$server_pid" 2>/dev/null || true
  fi
  sql -e "drop database if exists $db" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

free_port() {
  python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'
}

# --- a generated statistics database -----------------------------------------
sql -e "create database $db character set utf8mb4"
"$skygen" --host "$SKY_TEST_DB_HOST" --port "$SKY_TEST_DB_PORT" --user "$SKY_TEST_DB_USER" \
  --password "$SKY_TEST_DB_PASS" --database "$db" --pilots 60 --sorties 4000 --seed 11 \
  >"$work/skygen.out" 2>&1 || { cat "$work/skygen.out"; fail "skygen failed"; }

# --- the program's home: settings, awards file, stylesheets, queries ----------
http_port=$(free_port)
nowhere_port=$(free_port)  # nothing listens there: a database that cannot be reached
site_copy "$site" "$work"
iconv -f UTF-8 -t CP1251 >"$work/skyranks.xml" <<EOF
<?xml version="1.0" encoding="windows-1251"?>
<skyranks debug="0">
  <mysql id="1" active="1" host="$SKY_TEST_DB_HOST" port="$SKY_TEST_DB_PORT" user="$SKY_TEST_DB_USER" pass="$SKY_TEST_DB_PASS" db="$db"/>
  <mysql id="2" active="1" host="127.0.0.1" port="$nowhere_port" user="nobody" pass="nothing" db="nowhere"/>
  <schedule interval="0" sleep="0"/>
  <admin port="$http_port"><password>browser-test</password></admin>
  <ranks>
    <rank value="1" sorties_limit="3" airkills="2" gndkills="0">мл. л-т</rank>
    <rank value="2" sorties_limit="5" airkills="3" gndkills="0">лейтенант</rank>
    <rank value="3" sorties_limit="10" airkills="5" gndkills="0">ст. лейтенант</rank>
    <rank value="4" sorties_limit="15" airkills="10" gndkills="0">капитан</rank>
    <rank value="5" sorties_limit="20" airkills="15" gndkills="0">майор</rank>
    <rank value="6" sorties_limit="25" airkills="20" gndkills="0">подполковник</rank>
    <rank value="7" sorties_limit="30" airkills="25" gndkills="0">полковник</rank>
    <rank value="8" sorties_limit="35" airkills="30" gndkills="0">генерал</rank>
  </ranks>
  <sorties_end><success>_TKON_CRASHED_</success><skip>_BAIL_MIA_</skip><dead>_DIED_CAPTURED_</dead></sorties_end>
  <log level="3"/>
  <bombers_mode mode="0"/>
  <ground_targets><eSAir ratio="0.5"/><eTank ratio="1"/><eCar ratio="0.2"/><eArt ratio="0.25"/><eAaa ratio="0.5"/><eWag ratio="0.1"/><eShip ratio="2"/></ground_targets>
  <rules><sortie mode="2" duration="15"/><airbomber ratio="1.5"/></rules>
  <awards filename="awards.xml"/>
  <queries><query qid="1" fname="queries/top.sql"/></queries>
</skyranks>
EOF

# --- skyranks, up and through its first calculation ---------------------------
"$skyranks" --home "$work" >"$work/stdout.txt" 2>&1 &
server_pid=$!
base="http://127.0.0.1:$http_port"
ranked=
for _ in $(seq 1 360); do
  kill -0 "$server_pid" 2>/dev/null || { cat "$work/stdout.txt"; fail "skyranks exited early"; }
  if curl -s --max-time 5 "$base/?cmd=show&srvid=1" 2>/dev/null | grep -q 'realrank="[1-9]'; then
    ranked=1; break
  fi
  sleep 0.5
done
[ -n "$ranked" ] || fail "no pilot list with calculated ranks within three minutes"

# --- what the pages must show ------------------------------------------------
no_markup="callsign not regexp '[&<>\"]'"
humans=$(sql -D "$db" -e "select count(*) from pilots where class = 'Human pilot'")
cyrillic=$(sql -D "$db" -e "select callsign from pilots where class = 'Human pilot' and callsign regexp '[А-Яа-яЁё]' and $no_markup order by id limit 1")
[ -n "$cyrillic" ] || fail "the generator made no Cyrillic callsign to look for"
read -r pilot pilot_callsign < <(sql -D "$db" -e "
  select p.id, p.callsign from pilots p join sorties s on s.pilotid = p.id
  where p.class = 'Human pilot' and p.realrank > 0 and trim(s.SortieEND) in ('DIED', 'CAPTURED') and p.$no_markup
  group by p.id, p.callsign order by p.callsign regexp '[А-Яа-яЁё]' desc, count(*) between 2 and 4 desc, p.id limit 1")
[ -n "${pilot:-}" ] || fail "no ranked pilot who died in the generated data"

mkdir -p "$artifacts"
# render URL NAME: the DOM rendered at 1280 px to NAME.html, screenshots to
# NAME.png and NAME-360.png; the page must fit a phone's width.
render() {
  timeout 180 python3 "$here/browser_page.py" "$browser" "$1" "$artifacts/$2" "$work/profile" \
    >"$work/$2.layout" 2>&1 || { cat "$work/$2.layout"; fail "$2: $1 does not show as it should"; }
  [ -s "$artifacts/$2.png" ] && [ -s "$artifacts/$2-360.png" ] || fail "no screenshots of $1"
}
expect() {  # expect NAME TEXT WHAT
  grep -qF -- "$2" "$artifacts/$1.html" || fail "$1: $3 ('$2') is not on the rendered page"
}

render "$base/?cmd=show&srvid=1" pilotlist
expect pilotlist 'id="pilots"' "the pilot table"
expect pilotlist "$cyrillic" "a Cyrillic callsign"
expect pilotlist "$pilot_callsign" "the callsign of pilot $pilot"
expect pilotlist "href=\"/?history=$pilot&amp;srvid=1&amp;format=html\"" "the link to the history"
expect pilotlist "href=\"/?cmd=info&amp;pilotid=$pilot&amp;srvid=1&amp;format=html\"" "the link to the statistics"
grep -qE '>(мл\. л-т|лейтенант|ст\. лейтенант|капитан|майор|подполковник|полковник|генерал)<' \
  "$artifacts/pilotlist.html" || fail "pilotlist: no rank name of the scale"
rows=$(grep -o '<tr class="army-' "$artifacts/pilotlist.html" | wc -l)
[ "$rows" -eq "$humans" ] || fail "pilotlist: $rows rows for $humans human pilots"

render "$base/?history=$pilot&srvid=1" history
expect history "$pilot_callsign" "the pilot's callsign"
expect history "Жизнь 1" "the first life"
expect history "Жизнь 2" "a second life after a death"
expect history "погиб" "the death that ended a life"
expect history "новое звание:" "a rank reached"
lives=$(grep -o 'class="life ' "$artifacts/history.html" | wc -l)
deaths=$(sql -D "$db" -e "select count(*) from sorties where pilotid = $pilot and trim(SortieEND) in ('DIED', 'CAPTURED')")
[ "$lives" -eq $((deaths + 1)) ] || fail "history: $lives lives for $deaths deaths"

render "$base/?cmd=info&pilotid=$pilot&srvid=1" statistics
expect statistics '<th>combat_count</th>' "the figures of the current life"

render "$base/?cmd=query&qid=1&srvid=1" query
expect query 'id="rows"' "the table of the query's rows"
sql -D "$db" -e "$(LC_ALL=C sed 's/--.*//' "$site/queries/top.sql" | tr '\n' ' ')" >"$work/top.txt"
expect query "<span id=\"row-count\">$(wc -l <"$work/top.txt")</span>" "the number of rows"
best=$(cut -f2 "$work/top.txt" | grep -v '[&<>"]' | head -n 1)
[ -n "$best" ] || fail "the query gave no row with a plain callsign"
expect query "$best" "a callsign of the query's rows"

# Two more cycles, so that the chart has bars of both kinds.
for _ in 1 2; do
  curl -s --max-time 120 -d 'password=browser-test&actionid=recalc' "$base/ctrl.sky" | grep -q Calculated ||
    fail "recalc was not answered"
done
render "$base/?cmd=dashboard" dashboard
expect dashboard 'Last passes' "the English headings (the browser asks for English)"
expect dashboard 'id="chart"' "the chart"
grep -q '<svg ' "$artifacts/dashboard.html" || fail "dashboard: no inline SVG"
expect dashboard '<rect class="completed"' "a completed pass in the chart"
expect dashboard '<rect class="not_reached"' "the unreached database marked in the chart"
expect dashboard 'id="passes"' "the table of the passes"
expect dashboard "$db" "the database's name"
passes=$(grep -o '<tr class="' "$artifacts/dashboard.html" | wc -l)
[ "$passes" -eq 6 ] || fail "dashboard: $passes passes in the table for three cycles over two databases"
wide=$(grep -o '<rect class="[a-z_]*" [^>]*width="[0-9.]*"' "$artifacts/dashboard.html" |
  sed 's/.*width="//; s/"$//' | awk '$1 > 40' | head -n 1)
[ -z "$wide" ] || fail "dashboard: a bar $wide wide of 600 for six passes (few passes keep narrow bars)"
render "$base/?cmd=dashboard&lang=ru" dashboard_ru
expect dashboard_ru 'Последние расчеты' "the Russian headings"

# --- the leaderboard: a search, then the pilot's page from his row -------------
read -r decorated decorated_callsign < <(sql -D "$db" -e "
  select id, callsign from pilots where class = 'Human pilot' and armyid in (1, 2) and awards > 0 and realrank > 0
    and $no_markup
  order by callsign regexp '[А-Яа-яЁё]' desc, bit_count(awards) desc, id limit 1")
[ -n "${decorated:-}" ] || fail "no pilot with awards in the generated data"
search=$(python3 -c 'import sys, urllib.parse; print(urllib.parse.quote(sys.argv[1].lower()))' "$decorated_callsign")
render "$base/?cmd=top&srvid=1&q=$search&lang=en" board
expect board 'id="board"' "the leaderboard's table"
expect board "$decorated_callsign" "the callsign searched for"
link=$(grep -o "href=\"/?pilot=$decorated&amp;srvid=1[^\"]*\"" "$artifacts/board.html" | head -n 1 | sed 's/^href="//; s/"$//; s/&amp;/\&/g')
[ -n "$link" ] || fail "board: no link from the row of pilot $decorated to his page"
render "$base$link" pilot
expect pilot "$decorated_callsign" "the pilot's callsign"
expect pilot 'id="ribbons"' "the ribbon rack"
grep -qE 'class="ribbon( plain)?"' "$artifacts/pilot.html" || fail "pilot: no ribbon in the rack"
expect pilot 'id="chart-kills"' "the chart of kills per life"
expect pilot '<rect class="sorties"' "a bar of sorties per life"
expect pilot 'id="next-rank"' "the progress to the next rank"
expect pilot 'id="insignia"' "the rank insignia"
grep -q 'class="life"' "$artifacts/pilot.html" || fail "pilot: no row in the table of lives"
render "$base/?cmd=top&srvid=1&me=$search&lang=ru" board_ru
expect board_ru 'class="army-' "the rows of the board"
expect board_ru 'me"' "the pilot's own row marked"
expect board_ru 'Лучшие пилоты' "the Russian headings"

# --- the pages the demo lists answer, pictures included ------------------------
while IFS='|' read -r name page; do
  curl -sf --max-time 30 -o "$work/page.out" "$page" && [ -s "$work/page.out" ] || fail "$name ($page) did not answer"
done < <(site_pages "$base" "$decorated")
for picture in $(grep -o 'src="/img/[^"]*"' "$artifacts/pilot.html" | sed 's/^src="//; s/"$//' | sort -u); do
  curl -sf --max-time 30 "$base$picture" | grep -q '<svg' || fail "pilot: the picture $picture is not served"
done

echo "PASS: $rows pilots listed, pilot $pilot with $lives lives, the query's table, $passes passes on the dashboard"
echo "every page fits 360 px; screenshots (and NAME-360.png):" \
  "$artifacts/"{pilotlist,history,statistics,query,dashboard,board,pilot}.png
