# A home folder's site files and the pages skyranks shows, for the demo and
# the browser test. Source this file.

# site_copy SITE HOME: what `skyranks --install` copies beside the program
# (default page, awards file, stylesheets, queries, rank insignia and
# ribbons), so that every page looks as it will after an installation.
site_copy() {
  local site=$1 home=$2 folder
  for folder in xsl queries img/ranks img/ribbons; do
    mkdir -p "$home/$folder"
    cp "$site/$folder"/* "$home/$folder/"
  done
  cp "$site/skyranks.htm" "$home/skyranks.htm"
  cp "$site/awards.xml" "$home/awards.xml"
}

# site_pages BASE PILOT: the pages worth opening on a running skyranks at
# BASE (http://host:port), database 1, pilot PILOT's own: "name|address"
# lines.
site_pages() {
  local base=$1 pilot=$2
  printf '%s\n' \
    "Status page|$base/?cmd=config" \
    "Pilot list|$base/?cmd=show&srvid=1" \
    "Leaderboard|$base/?cmd=top&srvid=1" \
    "A pilot's page|$base/?pilot=$pilot&srvid=1" \
    "Dashboard|$base/?cmd=dashboard" \
    "Metrics|$base/metrics"
}
