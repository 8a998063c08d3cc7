#!/usr/bin/python3
"""Veritome as a screen reader meets it.

Starts the real program on the desktop's accessibility bus (the AT-SPI registry of
at-spi2-core) and reads its tree through pyatspi, the library screen readers use: once
after the start, once after a search made through the tree itself (the term set in the
query box, the search button pressed). Every control a user can reach must carry a Chinese
name, no internal caption and no window the user never sees may show, and each result page
must be named by its tab and its title. Prints the tree as a reader hears it.

Run inside a session bus of its own:  dbus-run-session -- tst_accessibletree.py VERITOME
"""
import http.server
import os
import re
import shutil
import subprocess
import sys
import tempfile
import threading
import time

SOURCES = ["维基百科（中文）", "百度百科（中文）", "互动百科（中文）",
           "不列颠百科（英文）", "哥伦比亚百科（英文）"]
# What a user can move to or act on, and so must be able to hear.
CONTROLS = {"push button", "combo box", "text", "list", "list item", "page tab",
            "page tab list", "menu item", "check box"}
CHINESE = re.compile("[\u4e00-\u9fff]")
failures = []


def check(condition, message):
    if not condition:
        failures.append(message)
    return condition


class Pages(http.server.BaseHTTPRequestHandler):
    def do_GET(self):
        host = self.headers.get("Host", "")
        body = (f"<html><head><title>{host} 词条</title></head>"
                f"<body><a href='/next'>下一条</a></body></html>").encode()
        self.send_response(200)
        self.send_header("Content-Type", "text/html; charset=utf-8")
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def log_message(self, *args):
        pass


def wait_for(predicate, timeout=30):
    from gi.repository import GLib
    end = time.time() + timeout
    while time.time() < end:
        # Events reach their listeners from the main loop.
        while GLib.MainContext.default().iteration(False):
            pass
        value = predicate()
        if value:
            return value
        time.sleep(0.2)
    return None


def nodes(node, inside_page=False):
    """Every node below, with whether it lies inside a web document (the page's own)."""
    for i in range(node.childCount):
        child = node.getChildAtIndex(i)
        if child is None:
            continue
        yield child, inside_page
        yield from nodes(child, inside_page or child.getRoleName() == "document web")


def showing(node):
    return node.getState().contains(__import__("pyatspi").STATE_SHOWING)


def heard(node, depth=0, lines=None):
    """The tree as a reader speaks it: role and name, page content left out."""
    lines = [] if lines is None else lines
    role = node.getRoleName()
    if role not in ("filler",) or node.name:
        checked = " (已选中)" if node.getState().contains(
            __import__("pyatspi").STATE_CHECKED) else ""
        lines.append("  " * depth + f"{role}: {node.name}{checked}")
        depth += 1
    if role != "document web":
        for i in range(node.childCount):
            child = node.getChildAtIndex(i)
            if child is not None and (showing(child) or child.getRoleName() == "frame"):
                heard(child, depth, lines)
    return lines


def check_controls(app, when):
    for node, inside_page in nodes(app):
        role = node.getRoleName()
        if inside_page or role not in CONTROLS or not showing(node):
            continue
        check(CHINESE.search(node.name or ""),
              f"{when}: a {role} is heard as {node.name!r}, not a Chinese name")
        check(not (node.name or "").startswith("Act"),
              f"{when}: a {role} is heard by its internal caption {node.name!r}")
    frames = [app.getChildAtIndex(i) for i in range(app.childCount)]
    check([(f.getRoleName(), f.name) for f in frames] == [("frame", "Veritome")],
          f"{when}: the program's windows are {[(f.getRoleName(), f.name) for f in frames]}")


def main():
    program = sys.argv[1]
    folder = tempfile.mkdtemp()
    shutil.copy(program, folder)
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Pages)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    env = dict(os.environ, HOME=folder, XDG_RUNTIME_DIR=folder,
               QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1",
               QT_LOGGING_RULES="qt.webenginecontext.info=false",
               QTWEBENGINE_CHROMIUM_FLAGS=
               f'--host-resolver-rules="MAP * 127.0.0.1:{server.server_address[1]}"')
    env.pop("QT_QPA_PLATFORM", None)
    bus = subprocess.Popen(["/usr/libexec/at-spi-bus-launcher", "--launch-immediately"],
                           env=env, stderr=subprocess.DEVNULL)
    time.sleep(1)
    veritome = subprocess.Popen([os.path.join(folder, os.path.basename(program))], env=env,
                                stderr=subprocess.DEVNULL)
    try:
        import pyatspi
        desktop = pyatspi.Registry.getDesktop(0)

        def find_app():
            for i in range(desktop.childCount):
                app = desktop.getChildAtIndex(i)
                if app is not None and app.name == "Veritome" and app.childCount:
                    return app
            return None

        app = wait_for(find_app)
        if not check(app, "Veritome never showed on the accessibility bus"):
            return
        wait_for(lambda: any(n.getRoleName() == "combo box" for n, _ in nodes(app)))
        print("After the start:\n" + "\n".join(heard(app)))
        check_controls(app, "after the start")

        # Each time the program's alert shows, a reader reads it out. What it says is read
        # here as the event is handled, by which time a later one may have replaced it.
        alerts = []
        pyatspi.Registry.registerEventListener(
            lambda event: alerts.append(event.source.name)
            if event.source.getRoleName() == "alert" and event.detail1 else None,
            "object:state-changed:showing")
        query = next((n for n, _ in nodes(app)
                      if n.getRoleName() == "text" and n.name == "查询"), None)
        button = next((n for n, _ in nodes(app)
                       if n.getRoleName() == "push button" and n.name == "查询"), None)
        if not check(query and button, "no query box or search button heard as 查询"):
            return
        query.queryEditableText().setTextContents("地球")
        button.queryAction().doAction(0)

        def named_pages():
            pages = [n for n, _ in nodes(app) if n.getRoleName() == "panel"
                     and any(c.getRoleName() == "document web" for c, _ in nodes(n))]
            titled = [p.name for p in pages if p.name.endswith("词条")]
            return titled if len(titled) == len(SOURCES) else None

        titled = wait_for(named_pages) or []
        check(len(titled) == len(SOURCES), f"result pages heard as {titled}")
        for caption in SOURCES:
            check(any(name.startswith(caption + "：") for name in titled),
                  f"no result page heard as {caption} with its title")
        # One for the tabs, one for each page's load.
        wait_for(lambda: len(alerts) > len(SOURCES), timeout=10)
        check(len(alerts) == len(SOURCES) + 1, f"{len(alerts)} announcements: {alerts}")
        said = re.compile("(“地球”：已打开 5 个结果页|(" + "|".join(map(re.escape, SOURCES))
                          + ")：页面已载入)$")
        check(all(said.match(a) for a in alerts), f"announced: {alerts}")
        print("\nAfter a search:\n" + "\n".join(heard(app)))
        print("\nAnnounced:\n" + "\n".join(alerts))
        check_controls(app, "after a search")
    finally:
        veritome.terminate()
        veritome.wait(30)
        bus.terminate()
        server.shutdown()
        shutil.rmtree(folder, ignore_errors=True)


if __name__ == "__main__":
    main()
    for failure in failures:
        print("FAIL:", failure)
    sys.exit(1 if failures else 0)
