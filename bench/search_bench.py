#!/usr/bin/env python3
"""The search bench, run by bench/search under one Xvfb display.

Serves five ~100 KB pages with an image from one loopback server that speaks plain HTTP
and TLS on the same port (Chromium moves some hosts to https). With --pages libraries the
five pages are instead built as they load by real script libraries from Debian's packages
(jQuery and jQuery UI, lodash, highlight.js, d3): a sorted table of 3,000 rows, tabs,
highlighted source code and a chart of 1,000 points, before their load event. Then, for N
runs each:
  Veritome: a fresh driver process shows the main window, waits for its banner, presses
            Enter on the term, and reports (a) the time Enter took, which ends with the last
            Navigate call, and (b) the time from Enter until the fifth page had loaded;
  Chromium: started with the same five addresses on its command line; (b) is from its
            start until the fifth page's load event has reached the server.
(c) is the sum of Pss over the whole process tree, read a moment after the fifth load: the
process, every descendant, and every process left in its session (helpers that detach
from their parent). Veritome's banner is a page of the same size as the results, so both
sides hold the same pages plus one. Medians are printed side by side, for the engine
set-up the program chooses and for each lever taken away from it or added to it.
"""
import argparse
import os
import shutil
import signal
import socket
import ssl
import statistics
import struct
import subprocess
import sys
import tempfile
import threading
import time
import zlib
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

TERM = "百科"
ADDRESSES = [
    "http://zh.wikipedia.org/zh-cn/" + TERM,
    "http://baike.baidu.com/list-php/dispose/searchword.php/?&pic=1&word=" + TERM,
    "http://www.baike.com/wiki/" + TERM,
    "http://www.britannica.com/search?ct=&query=" + TERM,
    "http://www.infoplease.com/search?fr=iptn&in=all&x=18&y=1&query=" + TERM,
]
SETTLE_S = 2.0
QUIET_S = 1.0  # between runs
REPEAT_WINDOWS = (5, 100)  # searches 5-9 and 100-104
REPEAT_LAST = 104

SHARED_RENDERER = ("one renderer shared by all pages (no isolation)",
                   ["--renderer-process-limit=1"], {})

# Engine set-ups measured besides the program's own: (name, engine flags, environment).
# Every page in a renderer of its own is fixed: the shared renderer is measured only to show
# what isolation costs. VERITOME_ENGINE_DEFAULTS=1 leaves out the program's memory flags.
VARIANTS = [
    ("program's choice", [], {}),
    ("without software drawing (GL, as the engine comes)", [],
     {"VERITOME_ENGINE_DEFAULTS": "1"}),
    ("GL drawing, Chromium's compositor in software", ["--disable-gpu"],
     {"VERITOME_ENGINE_DEFAULTS": "1"}),
    ("software drawing, but OpenGL opened on X", [],
     {"QT_XCB_GL_INTEGRATION": "xcb_glx"}),
    ("with the engine's unsandboxed zygote", [],
     {"VERITOME_BENCH_WITHOUT_FLAG": "--no-unsandboxed-zygote"}),
    ("banner in the result pages' session", [],
     {"VERITOME_BENCH_SHARED_SESSION": "1"}),
    ("banner's renderer kept behind the tabs", [],
     {"VERITOME_BENCH_BANNER_KEPT": "1"}),
    SHARED_RENDERER,
    ("+ --no-zygote (only without the sandbox)", ["--no-zygote"], {}),
    ("+ --num-raster-threads=1", ["--num-raster-threads=1"], {}),
    ("with the script engine's builtins copied into each renderer", [],
     {"VERITOME_BENCH_WITHOUT_FLAG": "--js-flags=--no-short-builtin-calls"}),
    # A script-engine flag of the caller's replaces the program's, so these keep it.
    ("+ V8 --lite-mode", ['--js-flags="--no-short-builtin-calls --lite-mode"'], {}),
    ("+ V8 --max-semi-space-size=1",
     ['--js-flags="--no-short-builtin-calls --max-semi-space-size=1"'], {}),
]


def png(width, height):
    """A noisy RGB image that does not compress away."""
    rows = bytearray()
    seed = 12345
    for _ in range(height):
        rows.append(0)
        for _ in range(width * 3):
            seed = (seed * 1103515245 + 12345) & 0x7FFFFFFF
            rows.append((seed >> 16) & 0xFF)

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))

    header = struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header)
            + chunk(b"IDAT", zlib.compress(bytes(rows), 9)) + chunk(b"IEND", b""))


def page():
    paragraph = ("百科全书是概要介绍人类一切门类知识或某一门类知识的工具书。"
                 "Encyclopaedias summarise knowledge of every field. ")
    body = []
    size = 0
    n = 0
    while size < 100_000:
        text = "<p id=p%d>%s</p>\n" % (n, paragraph * 3)
        body.append(text)
        size += len(text.encode("utf-8"))
        n += 1
    return ("<!DOCTYPE html><html><head><meta charset=utf-8><title>百科</title>"
            "<script>addEventListener('load', function () {"
            " new Image().src = '/loaded?' + Date.now(); });</script></head><body>"
            "<h1>百科</h1><img src=/image.png width=160 height=120>\n"
            + "".join(body) + "</body></html>").encode("utf-8")


# Served as /lib/NAME, from Debian's libjs packages.
LIBRARIES = {
    "jquery.js": "/usr/share/javascript/jquery/jquery.min.js",
    "jquery-ui.js": "/usr/share/javascript/jquery-ui/jquery-ui.min.js",
    "lodash.js": "/usr/share/javascript/lodash/lodash.min.js",
    "highlight.js": "/usr/share/javascript/highlight.js/highlight.min.js",
    "d3.js": "/usr/share/javascript/d3/d3.min.js",
}
HIGHLIGHTED_SOURCE = "/usr/share/javascript/jquery/jquery.js"


def library_page():
    """A page that its scripts build as it loads, the way script-heavy sites do."""
    with open(HIGHLIGHTED_SOURCE, encoding="utf-8") as source:
        code = source.read(40_000)
    code = code.replace("&", "&amp;").replace("<", "&lt;").replace(">", "&gt;")
    scripts = "".join("<script src=/lib/%s></script>" % name for name in LIBRARIES)
    return ("<!DOCTYPE html><html><head><meta charset=utf-8><title>百科</title>"
            "<script>addEventListener('load', function () {"
            " new Image().src = '/loaded?' + Date.now(); });</script>" + scripts
            + "</head><body><h1>百科</h1>"
            "<div id=tabs><ul><li><a href=#t1>表</a></li><li><a href=#t2>代码</a></li>"
            "<li><a href=#t3>图</a></li></ul><div id=t1></div>"
            "<div id=t2><pre><code class=javascript id=code>" + code + "</code></pre></div>"
            "<div id=t3></div></div>"
            "<script>"
            "var rows = _.map(_.range(3000), function (i) {"
            " return {name: '条目' + i, value: Math.sin(i) * 1000, group: i % 17}; });"
            "var groups = _.groupBy(rows, 'group');"
            "var table = $('<table>').appendTo('#t1');"
            "_.sortBy(rows, 'value').forEach(function (row) {"
            " $('<tr>').append($('<td>').text(row.name),"
            " $('<td>').text(row.value.toFixed(2)),"
            " $('<td>').text(groups[row.group].length)).appendTo(table); });"
            "$('#tabs').tabs();"
            "hljs.highlightBlock(document.getElementById('code'));"
            "var chart = d3.select('#t3').append('svg').attr('width', 600).attr('height', 300);"
            "chart.selectAll('circle').data(_.range(1000)).enter().append('circle')"
            ".attr('cx', function (d) { return d * 0.6; })"
            ".attr('cy', function (d) { return 150 + Math.sin(d / 30) * 120; })"
            ".attr('r', 2);"
            "</script></body></html>").encode("utf-8")


class Server(ThreadingHTTPServer):
    daemon_threads = True
    allow_reuse_address = True

    def __init__(self, tls_context, pages="plain"):
        super().__init__(("127.0.0.1", 0), Handler)
        self.tls = tls_context
        self.page = library_page() if pages == "libraries" else page()
        self.image = png(160, 120)
        self.lock = threading.Lock()
        self.beacons = []  # (monotonic time, host)

    def finish_request(self, request, client_address):
        # Plain HTTP and TLS on one port: a TLS client speaks first with a handshake record.
        try:
            request.settimeout(30)
            first = request.recv(1, socket.MSG_PEEK)
            if first == b"\x16":
                request = self.tls.wrap_socket(request, server_side=True)
        except (OSError, ssl.SSLError):
            return
        super().finish_request(request, client_address)

    def beacon_hosts_since(self, start):
        with self.lock:
            hosts = {}
            for when, host in self.beacons:
                if when >= start and host not in hosts:
                    hosts[host] = when
            return hosts


class Handler(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, *args):
        pass

    def do_GET(self):
        host = (self.headers.get("Host") or "").split(":")[0]
        path = self.path
        if path.startswith("/loaded"):
            with self.server.lock:
                self.server.beacons.append((time.monotonic(), host))
            self.reply(204, "text/plain", b"")
        elif path == "/favicon.ico":
            self.reply(404, "text/plain", b"")
        elif path == "/image.png":
            self.reply(200, "image/png", self.server.image)
        elif path.startswith("/lib/") and path[5:] in LIBRARIES:
            with open(LIBRARIES[path[5:]], "rb") as library:
                self.reply(200, "text/javascript", library.read())
        else:
            self.reply(200, "text/html; charset=utf-8", self.server.page)

    def reply(self, status, kind, body):
        self.send_response(status)
        self.send_header("Content-Type", kind)
        self.send_header("Content-Length", str(len(body)))
        self.send_header("Cache-Control", "no-store")
        self.end_headers()
        self.wfile.write(body)


def tls_context(folder):
    key = os.path.join(folder, "key.pem")
    cert = os.path.join(folder, "cert.pem")
    subprocess.run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "2",
                    "-subj", "/CN=localhost", "-keyout", key, "-out", cert],
                   check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    context.load_cert_chain(cert, key)
    return context


def process_tree(root):
    """root, its descendants, and whatever else runs in the session root leads."""
    parents = {}
    sessions = {}
    for entry in os.listdir("/proc"):
        if not entry.isdigit():
            continue
        try:
            with open("/proc/%s/stat" % entry) as stat:
                text = stat.read()
        except OSError:
            continue
        fields = text[text.rindex(")") + 2:].split()
        parents[int(entry)] = int(fields[1])
        sessions[int(entry)] = int(fields[3])
    tree = [root]
    for pid in tree:
        tree.extend(child for child, parent in parents.items() if parent == pid)
    tree.extend(pid for pid, session in sessions.items()
                if session == root and pid not in tree)
    return tree


def tree_pss_mb(root):
    """Sum of Pss over root and its descendants, and how many processes that is."""
    total_kb = 0
    count = 0
    for pid in process_tree(root):
        try:
            with open("/proc/%d/smaps_rollup" % pid) as rollup:
                for line in rollup:
                    if line.startswith("Pss:"):
                        total_kb += int(line.split()[1])
                        count += 1
                        break
        except OSError:
            pass
    return total_kb / 1024.0, count


def wait_until_gone(group):
    """Waits for every process of a finished run to exit, so that its teardown does not
    fall into the next run's measurement."""
    deadline = time.monotonic() + 15
    while time.monotonic() < deadline:
        try:
            os.killpg(group, 0)
        except ProcessLookupError:
            break
        time.sleep(0.05)
    time.sleep(QUIET_S)


def run_veritome(driver, port, flags, home, extra_env=None, repeat=False):
    env = dict(os.environ, HOME=home, XDG_RUNTIME_DIR=home,
               QT_LOGGING_RULES="qt.webenginecontext.info=false", **(extra_env or {}))
    process = subprocess.Popen([driver, str(port), TERM] + flags, stdin=subprocess.PIPE,
                               stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, env=env,
                               text=True, start_new_session=True)
    def result():
        line = process.stdout.readline()
        if not line.startswith("round="):
            raise RuntimeError("the driver failed (exit %s)" % process.wait(timeout=30))
        fields = dict(part.split("=") for part in line.split())
        if int(fields["views"]) != 5:
            raise RuntimeError("the search opened %s views" % fields["views"])
        return float(fields["enter_ms"]), float(fields["loaded_ms"])

    try:
        enter_ms, loaded_ms = result()
        time.sleep(SETTLE_S)
        pss, processes = tree_pss_mb(process.pid)
        if not repeat:
            return enter_ms, loaded_ms, pss, processes
        # The trend over many searches: the renderer's heap swings with garbage
        # collection, so five samples at each end are compared by their medians.
        samples = {}
        enters = []
        for round_ in range(2, REPEAT_LAST + 1):
            process.stdin.write("\n")
            process.stdin.flush()
            enters.append(result()[0])
            window = next((w for w in REPEAT_WINDOWS if w <= round_ < w + 5), None)
            if window is not None:
                time.sleep(1.0)
                samples.setdefault(window, []).append(tree_pss_mb(process.pid))
        return enters, samples
    finally:
        process.stdin.close()
        try:
            process.wait(timeout=30)
        except subprocess.TimeoutExpired:
            process.kill()
            process.wait()
        wait_until_gone(process.pid)


def run_chromium(server, port, home):
    profile = tempfile.mkdtemp(prefix="chromium-profile-", dir=home)
    args = ["chromium", "--no-sandbox", "--disable-features=NetworkTimeServiceQuerying",
            "--user-data-dir=" + profile, "--no-first-run", "--no-default-browser-check",
            "--ignore-certificate-errors", "--host-resolver-rules=MAP * 127.0.0.1:%d" % port,
            "--disable-background-networking", "--disable-component-update",
            "--disable-sync", "--password-store=basic", "--window-size=729,528"] + ADDRESSES
    env = dict(os.environ, HOME=home)
    start = time.monotonic()
    process = subprocess.Popen(args, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                               env=env, start_new_session=True)
    try:
        deadline = start + 90
        while True:
            hosts = server.beacon_hosts_since(start)
            if len(hosts) >= 5:
                break
            if time.monotonic() > deadline or process.poll() is not None:
                raise RuntimeError("Chromium loaded %d of 5 pages" % len(hosts))
            time.sleep(0.005)
        loaded_ms = (max(hosts.values()) - start) * 1000
        time.sleep(SETTLE_S)
        pss, processes = tree_pss_mb(process.pid)
        return loaded_ms, pss, processes
    finally:
        try:
            os.killpg(process.pid, signal.SIGTERM)
            process.wait(timeout=30)
        except (ProcessLookupError, subprocess.TimeoutExpired):
            os.killpg(process.pid, signal.SIGKILL)
            process.wait()
        wait_until_gone(process.pid)
        shutil.rmtree(profile, ignore_errors=True)


def median(values):
    return statistics.median(values)


def report_libraries(results, chromium, runs, page_bytes):
    own = results[VARIANTS[0][0]]
    shared = results[SHARED_RENDERER[0]]
    isolated_ms = median([r[1] for r in own])
    shared_ms = median([r[1] for r in shared])
    print("Search bench, pages built by script libraries as they load (%d KB of page, "
          "%d KB of libraries), term %s, median of %d runs" % (
              page_bytes // 1024,
              sum(os.path.getsize(path) for path in LIBRARIES.values()) // 1024, TERM, runs))
    print()
    print("%-42s %10s %10s %10s" % ("", "(b) ms", "(c) MB", "processes"))
    for name, rows in (("each page in a renderer of its own", own),
                       ("one renderer shared by all pages", shared)):
        print("%-42s %10.0f %10.1f %10d" % (name, median([r[1] for r in rows]),
                                            median([r[2] for r in rows]),
                                            median([r[3] for r in rows])))
    print("%-42s %10.0f %10.1f %10d" % ("Chromium, from its start",
                                        median([r[0] for r in chromium]),
                                        median([r[1] for r in chromium]),
                                        median([r[2] for r in chromium])))
    print()
    print("(b) Enter to the fifth page loaded, its scripts done: a renderer each %s the "
          "shared renderer (%+.0f ms): %s" % (
              "no later than" if isolated_ms <= shared_ms else "later than",
              isolated_ms - shared_ms, "met" if isolated_ms <= shared_ms else "MISSED"))
    print("Load average at the end: %.2f %.2f %.2f" % os.getloadavg())


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--driver", required=True)
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--program-only", action="store_true",
                        help="measure only the program's own engine set-up")
    parser.add_argument("--pages", choices=("plain", "libraries"), default="plain",
                        help="libraries: pages built by script libraries as they load, "
                             "each in a renderer of its own against one shared renderer")
    options = parser.parse_args()
    runs = max(options.runs, 5)
    libraries = options.pages == "libraries"

    with tempfile.TemporaryDirectory(prefix="veritome-bench-") as home:
        server = Server(tls_context(home), options.pages)
        port = server.server_address[1]
        threading.Thread(target=server.serve_forever, daemon=True).start()

        if libraries:
            variants = [VARIANTS[0], SHARED_RENDERER]
        else:
            variants = VARIANTS[:1] if options.program_only else VARIANTS
        results = {}
        chromium = []
        # Runs are interleaved so that a change in the machine's load hits every set-up.
        for run in range(runs):
            for name, flags, extra_env in variants:
                results.setdefault(name, []).append(
                    run_veritome(options.driver, port, flags, home, extra_env))
            chromium.append(run_chromium(server, port, home))
            print("run %d of %d done" % (run + 1, runs), file=sys.stderr)
        if libraries:
            report_libraries(results, chromium, runs, len(server.page))
            server.shutdown()
            return
        enters, samples = run_veritome(options.driver, port, [], home, repeat=True)
        load = os.getloadavg()
        server.shutdown()

    c_loaded = median([r[0] for r in chromium])
    c_pss = median([r[1] for r in chromium])
    c_processes = median([r[2] for r in chromium])
    own = results[VARIANTS[0][0]]
    v_enter = median([r[0] for r in own])
    v_loaded = median([r[1] for r in own])
    v_pss = median([r[2] for r in own])

    print("Search bench: five encyclopaedia pages of %d KB with a %d KB image, term %s, "
          "median of %d runs" % (len(page()) // 1024, len(png(160, 120)) // 1024, TERM, runs))
    print()
    print("%-42s %12s %12s   %s" % ("", "Veritome", "Chromium", "goal"))
    print("%-42s %9.1f ms %12s   under 50 ms: %s" % (
        "(a) Enter to the last Navigate", v_enter, "-", "met" if v_enter < 50 else "MISSED"))
    print("%-42s %9.0f ms %9.0f ms   no slower than Chromium: %s" % (
        "(b) to the fifth page loaded", v_loaded, c_loaded,
        "met" if v_loaded <= c_loaded else "MISSED"))
    print("%-42s %9.1f MB %9.1f MB   at most 0.45 x Chromium: %.2f x, %s" % (
        "(c) process tree Pss, five pages loaded", v_pss, c_pss, v_pss / c_pss,
        "met" if v_pss <= 0.45 * c_pss else "MISSED"))
    print("%-42s %12d %12d" % ("    processes in the tree", median([r[3] for r in own]),
                                c_processes))
    print("(a) Veritome from Enter; (b) Veritome from Enter, Chromium from its start with the "
          "five addresses on its command line.")
    print("Load average at the end: %.2f %.2f %.2f" % load)
    early = median([pss for pss, _ in samples[REPEAT_WINDOWS[0]]])
    late = median([pss for pss, _ in samples[REPEAT_WINDOWS[1]]])
    print()
    print("Searches in a row, each replacing five tabs (one run):")
    print("%-42s %9.1f ms (median of searches 2-%d)" % (
        "(a) Enter to the last Navigate", median(enters), REPEAT_LAST))
    print("%-42s %9.1f MB after searches 5-9, %.1f MB after 100-104 (medians): %+.1f %%, "
          "goal at most +10 %%: %s" % (
              "process tree Pss", early, late, (late / early - 1) * 100,
              "met" if late <= early * 1.10 else "MISSED"))
    print("%-42s %12s" % ("    processes in the tree", "%d after 5, %d after 100" % (
        samples[REPEAT_WINDOWS[0]][0][1], samples[REPEAT_WINDOWS[1]][-1][1])))
    if len(results) > 1:
        print()
        print("Engine set-ups of Veritome, every page in a renderer of its own unless the row "
              "says otherwise (medians):")
        print("%-42s %10s %10s %10s %10s" % ("", "(a) ms", "(b) ms", "(c) MB", "processes"))
        for name, _, _ in variants:
            rows = results[name]
            print("%-42s %10.1f %10.0f %10.1f %10d" % (
                name, median([r[0] for r in rows]), median([r[1] for r in rows]),
                median([r[2] for r in rows]), median([r[3] for r in rows])))


if __name__ == "__main__":
    main()
