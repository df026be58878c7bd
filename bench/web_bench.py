#!/usr/bin/python3
"""The web front end under load, against the command line on the same package and filters.

  web_bench.py ZOL5300 BASE [--clerks N]

BASE is a package folder (BASE/mdb/ZOL.mdb, SQLite or Jet). Prints, for the newest collection
dates of the package:
  - `zol5300 report` wall time for one date (median of 3), and the web run of the same filters
    from the POST of 預覽列印 to the preview page with page 1 received;
  - paging: the time of each page request over 40 pages;
  - N clerks at once, each its own account and its own date: each run's time against its time
    alone, and the server's peak memory against its peak with one run.
Not part of the suite: minutes on a large package.
"""
import http.client
import json
import os
import random
import re
import statistics
import subprocess
import sys
import tempfile
import threading
import time
import urllib.parse

PASSWORD = "bench-password-1"


def roc(iso):
    return "%03d/%s/%s" % (int(iso[0:4]) - 1911, iso[5:7], iso[8:10])


class Clerk:
    def __init__(self, port, user):
        self.port = port
        r = self.request("POST", "/login", {"user": user, "password": PASSWORD})
        self.cookie = r.getheader("Set-Cookie").split(";")[0]
        r.read()
        page = self.get("/")
        self.csrf = re.search(r'name="csrf" value="([0-9a-f]+)"', page).group(1)

    def request(self, method, path, form=None):
        headers = {"Cookie": getattr(self, "cookie", "")}
        body = None
        if form is not None:
            body = urllib.parse.urlencode(form)
            headers["Content-Type"] = "application/x-www-form-urlencoded"
        # A connection of its own each time, as a browser's idle one lapses between runs.
        conn = http.client.HTTPConnection("127.0.0.1", self.port, timeout=600)
        conn.request(method, path, body, headers)
        return conn.getresponse()

    def get(self, path):
        r = self.request("GET", path)
        data = r.read()
        if r.status != 200:
            raise RuntimeError("%s: %d" % (path, r.status))
        return data.decode("utf-8")

    def run(self, tranday):
        """Seconds from the click on 預覽列印 to page 1 received, and the run's page count."""
        start = time.monotonic()
        r = self.request("POST", "/run", {"csrf": self.csrf, "mode": "preview",
                                          "CBO_TranDay": tranday, "Chk_4": "1"})
        run = json.loads(r.read())["run"]
        wait = 0.005
        while True:
            status = json.loads(self.get("/runs/%s/status" % run))
            if status["state"] != "running":
                break
            time.sleep(wait)
            wait = min(wait * 2, 0.05)
        if status["state"] != "done":
            raise RuntimeError(status)
        self.get("/runs/%s" % run)
        return time.monotonic() - start, run, status["pages"]


def rss_peak(pid):
    with open("/proc/%d/status" % pid) as f:
        return int(re.search(r"VmHWM:\s+(\d+)", f.read()).group(1)) // 1024


def main():
    zol, base = sys.argv[1], sys.argv[2]
    clerks = int(sys.argv[sys.argv.index("--clerks") + 1]) if "--clerks" in sys.argv else 20
    db = os.path.join(base, "mdb", "ZOL.mdb")
    dates = subprocess.run([zol, "sql", db, "select distinct TranDay from ZOL10_Agency where "
                            "PayStas = -1 order by TranDay desc"], capture_output=True,
                           text=True, check=True).stdout.split()
    dates = [roc(d) for d in dates]
    print("collection dates: %d" % len(dates))
    work = tempfile.mkdtemp(prefix="zol_webbench_")
    users = os.path.join(work, "users")
    for i in range(clerks):
        subprocess.run([zol, "serve-user", "add", "c%d" % i, "--users", users],
                       input=PASSWORD + "\n", text=True, check=True, capture_output=True)

    def cli(date):
        start = time.monotonic()
        subprocess.run([zol, "report", base, "--tranday", date], check=True,
                       capture_output=True)
        return time.monotonic() - start

    cli(dates[0])  # caches (the Jet cache folder, the page cache) warm for both
    t_cli = statistics.median(cli(dates[0]) for _ in range(3))

    log = open(os.path.join(work, "serve.log"), "w+")
    server = subprocess.Popen([zol, "serve", base, "--users", users, "--listen", "127.0.0.1:0",
                               "--runs", os.path.join(work, "runs")], stderr=log)
    try:
        port = None
        for _ in range(200):
            log.seek(0)
            m = re.search(r"http://127\.0\.0\.1:(\d+)/", log.read())
            if m:
                port = int(m.group(1))
                break
            time.sleep(0.05)
        one = Clerk(port, "c0")
        one.run(dates[0])
        web = [one.run(dates[0]) for _ in range(3)]
        t_web = statistics.median(w[0] for w in web)
        run, pages = web[0][1], web[0][2]
        print("report --tranday %s: %.3f s; web 預覽列印 to page 1: %.3f s (%d pages)"
              % (dates[0], t_cli, t_web, pages))
        print("  web / command = %.2f; bound 1.2 x command + 0.3 s = %.3f s: %s"
              % (t_web / t_cli, 1.2 * t_cli + 0.3, "ok" if t_web <= 1.2 * t_cli + 0.3 else "OVER"))
        times = []
        for page in random.Random(1).sample(range(1, pages + 1), min(40, pages)):
            start = time.monotonic()
            one.get("/runs/%s/pages/%d" % (run, page))
            times.append((time.monotonic() - start) * 1000)
        print("paging: median %.1f ms, max %.1f ms over %d pages (bound 100 ms): %s"
              % (statistics.median(times), max(times), len(times),
                 "ok" if max(times) < 100 else "OVER"))

        mine = [dates[i % len(dates)] for i in range(clerks)]
        staff = [Clerk(port, "c%d" % i) for i in range(clerks)]
        alone = [staff[i].run(mine[i])[0] for i in range(clerks)]
        peak_one = rss_peak(server.pid)
        with open("/proc/%d/clear_refs" % server.pid, "w") as f:
            f.write("5")  # the peak counted afresh from here
        together = [0.0] * clerks

        def go(i):
            together[i] = staff[i].run(mine[i])[0]
        threads = [threading.Thread(target=go, args=(i,)) for i in range(clerks)]
        start = time.monotonic()
        for t in threads:
            t.start()
        for t in threads:
            t.join()
        wall = time.monotonic() - start
        peak_all = rss_peak(server.pid)
        cores = os.cpu_count()
        worst = max(together[i] / (alone[i] * clerks / cores) for i in range(clerks))
        print("%d clerks at once on %d cores: all done in %.2f s; runs alone %.3f..%.3f s, "
              "together %.3f..%.3f s" % (clerks, cores, wall, min(alone), max(alone),
                                         min(together), max(together)))
        print("  worst run / (alone x %d / %d) = %.2f (bound 1.5): %s"
              % (clerks, cores, worst, "ok" if worst <= 1.5 else "OVER"))
        print("  server peak memory: one run %d MB, %d at once %d MB (+%d MB, bound +200): %s"
              % (peak_one, clerks, peak_all, peak_all - peak_one,
                 "ok" if peak_all - peak_one <= 200 else "OVER"))
    finally:
        server.terminate()
        server.wait()


if __name__ == "__main__":
    main()
