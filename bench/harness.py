"""The machinery of bench/run: the throwaway database server (scripts/db-start)
on the bench cache, the generated data, the bench home, the service under
measurement and the one-off passes, and the clients that time them.

Everything that runs another program goes through here; the sections in
bench/run decide what to measure and how a figure is made from it.
"""

import fcntl
import glob
import os
import re
import shutil
import signal
import socket
import subprocess
import sys
import time

import figures as fig

DATABASE = "skybench"
NA = fig.NA
DEVNULL = subprocess.DEVNULL


def say(text):
    print("bench: " + text, file=sys.stderr, flush=True)


class Failure(Exception):
    """The run cannot measure at all: said, and the script ends with status 1."""


def have(command):
    return os.access(command, os.X_OK) if command.startswith("/") else shutil.which(command) is not None


def tail(path, lines):
    try:
        with open(path, "rb") as f:
            text = f.read().decode("utf-8", "replace")
    except OSError:
        return
    sys.stderr.write("".join(text.splitlines(keepends=True)[-lines:]))
    sys.stderr.flush()


def head(path, size):
    try:
        with open(path, "rb") as f:
            return f.read(size).decode("utf-8", "replace")
    except OSError:
        return ""


def read_bytes(path):
    try:
        with open(path, "rb") as f:
            return f.read()
    except OSError:
        return b""


def size(path):
    try:
        return os.path.getsize(path)
    except OSError:
        return 0


def read_text(path):
    """The file's text without its trailing newlines, "" when it is missing."""
    return read_bytes(path).decode("utf-8", "replace").rstrip("\n")


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def timed(action):
    """Runs ACTION (a function returning whether it succeeded); returns that
    and its wall time in seconds as printed ("1.234")."""
    start = time.monotonic()
    ok = action()
    return ok, "%.3f" % (time.monotonic() - start)


def runs_ok(command, out=DEVNULL, input=None):
    """Runs COMMAND with its output to OUT (DEVNULL or a file name); whether it exited with 0."""
    if isinstance(out, str):
        with open(out, "wb") as f:
            return subprocess.run(command, stdout=f, stderr=subprocess.STDOUT, input=input).returncode == 0
    return subprocess.run(command, stdout=out, input=input).returncode == 0


def env_number(name, default):
    text = os.environ.get(name) or str(default)
    if not text.isdigit():
        raise Failure(f"{name} must be a whole number, not {text!r}")
    return int(text)


class Bench:
    """The run's machinery: settings, the database server, the bench home,
    the service, and the figures measured so far."""

    def __init__(self, repo):
        env = os.environ
        self.repo = repo
        self.build = env.get("SKY_BENCH_BUILD") or os.path.join(repo, "build-bench")
        self.cache = env.get("SKY_BENCH_CACHE") or "/var/tmp/skyranks-bench"
        self.pilots = env_number("SKY_BENCH_PILOTS", 20000)
        self.sorties = env_number("SKY_BENCH_SORTIES", 2000000)
        self.seed = env_number("SKY_BENCH_SEED", 1)
        self.runs = env_number("SKY_BENCH_RUNS", 3)
        self.log_level = env.get("SKY_BENCH_LOG_LEVEL") or "3"
        self.count_statement = env.get("SKY_BENCH_COUNT") or "select count(*) from sorties"
        self.growth_big = (env.get("SKY_BENCH_GROWTH") or "1") != "0"
        self.keep_home = bool(env.get("SKY_BENCH_KEEP_HOME"))
        self.skyranks = os.path.join(self.build, "src", "skyranks")
        self.skygen = os.path.join(self.build, "tools", "skygen")
        self.work = None
        self.home = None
        self.db = None  # SKY_TEST_DB_* of the server, SKY_TEST_DB_PID included
        self.lock = None
        self.service = None
        self.nginx = None
        self.http_port = None
        self.base = None
        self.humans = NA
        # Section 8 adds sorties after this id; they go again, and the
        # pilots' rank columns are put back, before the script ends.
        self.new_sorties_after = None
        self.ours = {}
        self.theirs = {}
        self.notes = {"full_counters": NA, "unchanged_counters": NA, "new_counters": NA,
                      "new_count": 0, "must_read_rows": NA, "ranked": NA,
                      "updates": 0, "writes_floor": NA, "writes_batched": NA,
                      "board_p99": NA, "pilot_page": NA, "pilot_sorties": NA}
        self.extra_lines = []

    # --- files of the run -------------------------------------------------------
    def path(self, name):
        return os.path.join(self.work, name)

    # --- the database -----------------------------------------------------------
    def sql_command(self, *args):
        """One client connection over TCP, like the service's."""
        return ["mariadb", "--no-defaults", "-h", "127.0.0.1", "-P", self.db["SKY_TEST_DB_PORT"],
                "-u", self.db["SKY_TEST_DB_USER"], "-p" + self.db["SKY_TEST_DB_PASS"],
                "--default-character-set=utf8mb4", *args]

    def query(self, statement, database=None, check=True):
        """The statement's rows, tab-separated, without their trailing newline."""
        args = ["-N", "-B"] + (["-D", database] if database else []) + ["-e", statement]
        done = subprocess.run(self.sql_command(*args), stdout=subprocess.PIPE,
                              stderr=None if check else DEVNULL)
        if check and done.returncode != 0:
            raise Failure("a statement failed: " + " ".join(statement.split())[:200])
        return done.stdout.decode("utf-8", "replace").rstrip("\n") if done.returncode == 0 else None

    def execute(self, statement, database=DATABASE, check=True):
        ok = runs_ok(self.sql_command("-D", database, "-e", statement), out=None)
        if check and not ok:
            raise Failure("a statement failed: " + " ".join(statement.split())[:200])
        return ok

    def timed_sql(self, *args, input=None):
        """The wall time of one client run, its output discarded."""
        return timed(lambda: runs_ok(self.sql_command(*args), input=input))[1]

    def scan(self, database=DATABASE):
        """The reference of a full pass: every sortie streamed to the client."""
        return self.timed_sql("--quick", "-D", database, "-e", "select * from sorties")

    def reset_ranks(self, database=DATABASE):
        self.execute("update pilots set realrank = 0, lastsortie = 0, awards = 0", database)

    def counters(self):
        """The server's own counters of work, as (name, value) pairs."""
        rows = self.query("show global status where Variable_name in ('Com_select', 'Com_update', 'Questions',\n"
                          "    'Handler_read_first', 'Handler_read_key', 'Handler_read_next', 'Handler_read_rnd_next',\n"
                          "    'Innodb_rows_read', 'Bytes_sent')")
        return [(name, int(value)) for name, value in (line.split("\t") for line in rows.splitlines())]

    def server_reads(self):
        """(rows, pages): the server's row reads so far (Handler_read_first/key/
        last/next/prev/rnd/rnd_next), its pages read from disk."""
        rows = self.query("show global status where Variable_name like 'Handler_read%' "
                          "or Variable_name = 'Innodb_buffer_pool_reads'")
        total = pages = 0
        for line in rows.splitlines():
            name, value = line.split("\t")
            if re.fullmatch(r"Handler_read_(first|key|last|next|prev|rnd|rnd_next)", name):
                total += int(value)
            elif name == "Innodb_buffer_pool_reads":
                pages = int(value)
        return total, pages

    def server_reads_cost(self):
        """The rows one server_reads makes the server read itself."""
        costs = []
        for _ in range(3):
            a, b = self.server_reads(), self.server_reads()
            costs.append(str(b[0] - a[0]))
        return int(fig.median(costs))

    def drop_new_sorties(self):
        """Takes away the sorties section 8 added and puts the pilots' rank
        columns back as they were."""
        if self.new_sorties_after is None or self.db is None:
            return
        after = self.new_sorties_after
        if not self.execute(f"delete from sorties where id > {after};\n"
                            f"    alter table sorties auto_increment = {after + 1};\n"
                            "    update pilots p join bench_kept_ranks k on k.id = p.id\n"
                            "      set p.realrank = k.realrank, p.lastsortie = k.lastsortie, p.awards = k.awards;\n"
                            "    drop table bench_kept_ranks", check=False):
            say(f"warning: the sorties added after id {after} could not be taken away")
        self.new_sorties_after = None

    # --- the service --------------------------------------------------------------
    def curl(self, *args, out=DEVNULL):
        return runs_ok(["curl", "-s", *args], out=out)

    def curl_output(self, *args):
        done = subprocess.run(["curl", "-s", *args], stdout=subprocess.PIPE)
        return done.returncode == 0, done.stdout

    def start_service(self):
        """Starts the service (stopping one that runs: both would want the
        admin port) and waits until its web server answers."""
        self.stop_service()
        remove(os.path.join(self.home, "skyranks.log"))
        with open(self.path("service.out"), "wb") as out:
            self.service = subprocess.Popen([self.skyranks, "--home", self.home],
                                            stdout=out, stderr=subprocess.STDOUT)
        for _ in range(600):
            if self.curl("-o", "/dev/null", "--max-time", "2", self.base + "/sky.gif"):
                return True
            if self.service.poll() is not None:
                tail(self.path("service.out"), 20)
                self.service = None
                return False
            time.sleep(0.05)
        return False

    def stop_service(self):
        if self.service is not None:
            if self.service.poll() is None:
                self.service.send_signal(signal.SIGTERM)
            self.service.wait()
            self.service = None

    def calculated(self, page):
        return b">never<" not in read_bytes(page)

    def wait_startup_pass(self):
        """Until the status page shows that the service's start-up pass has ended (10 minutes at most)."""
        deadline = time.monotonic() + 600
        page = self.path("page")
        while not (self.curl("-o", page, "--max-time", "10", self.base + "/?cmd=config") and self.calculated(page)):
            if time.monotonic() >= deadline:
                say("the service's start-up pass did not end")
                return False
            time.sleep(0.2)
        return True

    def ensure_service(self):
        """The service sections 4 and 5 share: the one section 6 left, or
        one started here and asked only once its start-up pass has ended."""
        if self.service is None and have("curl"):
            if self.start_service():
                self.wait_startup_pass()
            else:
                say("skyranks did not start its web server")
        return self.service is not None

    def recalc(self):
        """One cycle of the running service, its answer into the file recalc."""
        answer = self.path("recalc")
        return (self.curl("-o", answer, "--max-time", "3600", "-d", "password=bench&actionid=recalc",
                          self.base + "/ctrl.sky") and b"Calculated" in read_bytes(answer))

    def recalc_answer(self):
        return head(self.path("recalc"), 300)

    # --- one-off passes -------------------------------------------------------------
    def once(self, tag):
        """One calculation cycle of skyranks --once, peak memory into TAG.time."""
        remove(os.path.join(self.home, "skyranks.log"))
        return runs_ok(["/usr/bin/time", "-v", "-o", self.path(tag + ".time"),
                        self.skyranks, "--home", self.home, "--once"], out=self.path(tag + ".out"))

    def once_in(self, home, tag):
        return runs_ok([self.skyranks, "--home", home, "--once"], out=self.path(tag + ".out"))

    def peak_mib(self, tag):
        match = re.search(rb"Maximum resident set size[^:]*: (\d+)", read_bytes(self.path(tag + ".time")))
        return "%.1f" % (int(match.group(1)) / 1024) if match else ""

    def check_log(self, what):
        """Warns about level-0 failures the pass wrote (the pass still counts)."""
        log = read_bytes(os.path.join(self.home, "skyranks.log"))
        failures = sum(1 for line in log.splitlines()
                       if re.search(rb"ERROR|not connected|NOT been loaded", line))
        if failures:
            say(f"warning: the log of {what} holds {failures} failure lines")

    def pass_in(self, home, tag, cost):
        """One --once cycle in HOME: (seconds, rows read, pages from disk), or None."""
        remove(os.path.join(home, "skyranks.log"))
        before = self.server_reads()
        ok, t = timed(lambda: self.once_in(home, tag))
        if not ok:
            say(f"skyranks --once failed ({tag}):")
            tail(self.path(tag + ".out"), 20)
            return None
        after = self.server_reads()
        return t, after[0] - before[0] - cost, after[1] - before[1]

    def service_pass(self, tag, cost):
        """One recalc cycle of the running service: (seconds, rows read, pages from disk), or None."""
        before = self.server_reads()
        ok, t = timed(self.recalc)
        if not ok:
            say(f"recalc failed ({tag}): {self.recalc_answer()}")
            return None
        after = self.server_reads()
        return t, after[0] - before[0] - cost, after[1] - before[1]

    def home_copy(self, name, edit):
        """A copy of the bench home (settings and awards file) in the folder
        NAME of the run, its settings file passed through EDIT (bytes to bytes)."""
        folder = self.path(name)
        os.makedirs(folder, exist_ok=True)
        shutil.copy(os.path.join(self.home, "awards.xml"), os.path.join(folder, "awards.xml"))
        with open(os.path.join(folder, "skyranks.xml"), "wb") as f:
            f.write(edit(read_bytes(os.path.join(self.home, "skyranks.xml"))))
        return folder

    def generate(self, database, pilots, sorties):
        return runs_ok([self.skygen, "--host", "127.0.0.1", "--port", self.db["SKY_TEST_DB_PORT"],
                        "--user", self.db["SKY_TEST_DB_USER"], "--password", self.db["SKY_TEST_DB_PASS"],
                        "--database", database, "--drop", "--with-rank-columns",
                        "--pilots", str(pilots), "--sorties", str(sorties), "--seed", str(self.seed),
                        "--quiet"])

    def has_data(self, database):
        return self.query(f"select 1 from {database}.pilots limit 1", check=False) is not None

    def record(self, key, ours, theirs=None):
        self.ours[key] = fig.median(ours)
        if theirs is not None:
            self.theirs[key] = fig.median(theirs)


def remove(path):
    try:
        os.remove(path)
    except FileNotFoundError:
        pass


# --- setting up: tools, build, database server, bench home ---------------------------
def install_missing(command, package):
    if have(command):
        return
    if os.getuid() == 0 and have("apt-get"):
        say("installing " + package)
        subprocess.run(["apt-get", "install", "-y", "-q", package], stdout=DEVNULL, stderr=DEVNULL,
                       env=dict(os.environ, DEBIAN_FRONTEND="noninteractive"))
    if not have(command):
        say(f"{command} is missing (apt-get install {package}): its figures are skipped")


def prepare_tools():
    install_missing("curl", "curl")
    install_missing("wrk", "wrk")
    install_missing("nginx", "nginx")
    install_missing("/usr/bin/time", "time")
    if not (have("mariadb") and have("mariadbd")):
        raise Failure("the MariaDB server and client are needed (apt-get install mariadb-server)")


def build(b):
    if not os.path.isfile(os.path.join(b.build, "CMakeCache.txt")):
        if not runs_ok(["cmake", "-S", b.repo, "-B", b.build, "-DCMAKE_BUILD_TYPE=Release",
                        "-DSKY_BUILD_TESTS=OFF"]):
            raise Failure(f"cmake could not configure {b.build}")
    say(f"building skyranks and skygen in {b.build}")
    log = os.path.join(b.build, "bench-build.log")
    if not runs_ok(["cmake", "--build", b.build, "--target", "skyranks", "skygen", "-j2"], out=log):
        tail(log, 30)
        raise Failure(f"the build failed (log: {log})")
    for program in (b.skyranks, b.skygen):
        if not os.access(program, os.X_OK):
            raise Failure(f"the build did not leave {program} (log: {log})")


def start_database(b):
    """The throwaway server of scripts/db-start on its data folder in the
    cache; two runs on one cache would start two servers on one data
    folder, so the later waits."""
    os.makedirs(b.cache, exist_ok=True)
    b.lock = open(os.path.join(b.cache, ".lock"), "w")
    try:
        fcntl.flock(b.lock, fcntl.LOCK_EX | fcntl.LOCK_NB)
    except BlockingIOError:
        say(f"another bench/run uses {b.cache}; waiting for it")
        fcntl.flock(b.lock, fcntl.LOCK_EX)
    server = os.path.join(b.cache, "server")
    pid = read_text(os.path.join(server, "mysqld.pid"))
    if pid.isdigit() and process_alive(int(pid)):
        raise Failure(f"a database server still runs on {server} (pid {pid}); stop it first")
    done = subprocess.run([os.path.join(b.repo, "scripts", "db-start"), server],
                          stdin=DEVNULL, stdout=subprocess.PIPE)
    if done.returncode != 0:
        for log in ("install.log", "error.log"):
            tail(os.path.join(server, log), 20)
        raise Failure("the database server did not start")
    # "export NAME=value ...", for a shell's eval
    b.db = dict(item.split("=", 1) for item in done.stdout.decode().split()[1:])


def stop_database(b):
    """scripts/db-stop, told only the server's process: without
    SKY_TEST_DB_DIR it leaves the data folder in the cache."""
    if b.db is None:
        return
    env = {k: v for k, v in os.environ.items() if k != "SKY_TEST_DB_DIR"}
    env["SKY_TEST_DB_PID"] = b.db["SKY_TEST_DB_PID"]
    subprocess.run([os.path.join(b.repo, "scripts", "db-stop")], env=env, stdout=DEVNULL, stderr=DEVNULL)
    b.db = None


def process_alive(pid):
    try:
        os.kill(pid, 0)
        return True
    except ProcessLookupError:
        return False
    except PermissionError:
        return True


def prepare_data(b):
    dataset = f"pilots={b.pilots} sorties={b.sorties} seed={b.seed}"
    mark = os.path.join(b.cache, "dataset")
    if read_text(mark) != dataset or not b.has_data(DATABASE):
        say(f"generating {dataset} (once; kept in {b.cache})")
        remove(mark)
        if not b.generate(DATABASE, b.pilots, b.sorties):
            raise Failure("skygen failed")
        with open(mark, "w") as f:
            f.write(dataset + "\n")
    b.humans = b.query("select count(*) from pilots where class = 'Human pilot'", DATABASE)
    say(f"database {DATABASE}: {b.humans} human pilots, "
        f"{b.query('select count(*) from sorties', DATABASE)} sorties")


SETTINGS = """<?xml version="1.0" encoding="windows-1251"?>
<skyranks debug="0">
  <mysql id="1" active="1" host="127.0.0.1" port="{port}" user="{user}" pass="{password}" db="{database}"/>
  <schedule interval="0" sleep="0"/>
  <admin port="{http_port}"><password>bench</password></admin>
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
  <log level="{log_level}"/>
  <bombers_mode mode="0"/>
  <ground_targets><eSAir ratio="0.5"/><eTank ratio="1"/><eCar ratio="0.2"/><eArt ratio="0.25"/><eAaa ratio="0.5"/><eWag ratio="0.1"/><eShip ratio="2"/></ground_targets>
  <rules><sortie mode="2" duration="15"/><airbomber ratio="1.5"/></rules>
  <awards filename="awards.xml"/>
</skyranks>
"""


def prepare_home(b):
    """The bench home: settings, awards file, stylesheets."""
    b.http_port = free_port()
    b.base = f"http://127.0.0.1:{b.http_port}"
    os.makedirs(os.path.join(b.home, "xsl"))
    os.chmod(b.work, 0o755)  # nginx's workers read the same files as an unprivileged user
    for sheet in glob.glob(os.path.join(b.repo, "site", "xsl", "*.xsl")):
        shutil.copy(sheet, os.path.join(b.home, "xsl"))
    shutil.copy(os.path.join(b.repo, "site", "awards.xml"), os.path.join(b.home, "awards.xml"))
    settings = SETTINGS.format(port=b.db["SKY_TEST_DB_PORT"], user=b.db["SKY_TEST_DB_USER"],
                               password=b.db["SKY_TEST_DB_PASS"], database=DATABASE,
                               http_port=b.http_port, log_level=b.log_level)
    with open(os.path.join(b.home, "skyranks.xml"), "wb") as f:
        f.write(settings.encode("cp1251"))


def cleanup(b):
    if b is None:
        return
    b.stop_service()
    b.drop_new_sorties()
    if b.nginx is not None:
        stop_process(b.nginx)
        b.nginx = None
    stop_database(b)
    if b.work:
        if b.keep_home:
            say(f"home kept in {b.home}")
        else:
            shutil.rmtree(b.work, ignore_errors=True)


def stop_process(process):
    if process.poll() is None:
        process.send_signal(signal.SIGTERM)
    process.wait()
