# Throwaway MariaDB server for tests, the demo and the benchmarks.
# Source this file, then call testdb_start; it exports SKY_TEST_DB_* and
# registers nothing by itself: the caller decides when testdb_stop runs.
# The server lives in its own temporary folder, listens on a free loopback
# port and its own socket, and never touches a system server.

testdb_free_port() {
  python3 - <<'PY' 2>/dev/null || echo $((20000 + RANDOM % 20000))
import socket
s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1]); s.close()
PY
}

testdb_start() {
  local dir="${1:-$(mktemp -d /tmp/skyranks-db.XXXXXX)}"
  local port; port="$(testdb_free_port)"
  mkdir -p "$dir/data"
  TESTDB_DIR="$dir"
  mariadb-install-db --no-defaults --datadir="$dir/data" --user=root \
      --auth-root-authentication-method=socket >"$dir/install.log" 2>&1 || {
    echo "mariadb-install-db failed, see $dir/install.log" >&2; cat "$dir/install.log" >&2; return 1; }
  mariadbd --no-defaults --user=root --datadir="$dir/data" --socket="$dir/mysql.sock" \
      --port="$port" --bind-address=127.0.0.1 --skip-name-resolve --pid-file="$dir/mysqld.pid" \
      --log-error="$dir/error.log" --innodb-buffer-pool-size=1G --max-connections=1000 \
      --character-set-server=utf8mb4 --collation-server=utf8mb4_general_ci &
  TESTDB_PID=$!
  local i ready=
  for i in $(seq 1 600); do
    if mariadb --no-defaults --socket="$dir/mysql.sock" -uroot -e 'select 1' >/dev/null 2>&1; then ready=1; break; fi
    if ! kill -0 "$TESTDB_PID" 2>/dev/null; then echo "mariadbd died, see $dir/error.log" >&2; cat "$dir/error.log" >&2; return 1; fi
    sleep 0.1
  done
  if [ -z "$ready" ]; then
    echo "mariadbd did not answer within 60 s; its log ($dir/error.log):" >&2
    tail -n 40 "$dir/error.log" >&2
    return 1
  fi
  mariadb --no-defaults --socket="$dir/mysql.sock" -uroot -e \
    "create user if not exists 'sky'@'%' identified by 'skypass';
     grant all privileges on *.* to 'sky'@'%' with grant option;
     create user if not exists 'sky'@'localhost' identified by 'skypass';
     grant all privileges on *.* to 'sky'@'localhost' with grant option;
     flush privileges;" || return 1
  export SKY_TEST_DB_HOST=127.0.0.1 SKY_TEST_DB_PORT="$port" SKY_TEST_DB_USER=sky \
         SKY_TEST_DB_PASS=skypass SKY_TEST_DB_SOCKET="$dir/mysql.sock" SKY_TEST_DB_DIR="$dir"
  echo "throwaway MariaDB on 127.0.0.1:$port (socket $dir/mysql.sock, pid $TESTDB_PID)" >&2
}

testdb_stop() {
  [ -n "${TESTDB_PID:-}" ] || return 0
  if kill -0 "$TESTDB_PID" 2>/dev/null; then
    kill "$TESTDB_PID" 2>/dev/null
    local i
    for i in $(seq 1 300); do kill -0 "$TESTDB_PID" 2>/dev/null || break; sleep 0.1; done
    kill -9 "$TESTDB_PID" 2>/dev/null || true
  fi
  wait "$TESTDB_PID" 2>/dev/null || true
  if [ -n "${TESTDB_DIR:-}" ] && [ -z "${SKY_KEEP_DB:-}" ]; then rm -rf "$TESTDB_DIR"; fi
  TESTDB_PID=
  return 0
}
