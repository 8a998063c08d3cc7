#!/usr/bin/python3
# Veritome as a screen reader meets it: the real program on an accessibility bus (the
# AT-SPI registry), its tree read through pyatspi after the start and after a search made
# through the tree itself. Run as: dbus-run-session -- tst_accessibletree.py VERITOME
import http.server, os, re, shutil, subprocess, sys, tempfile, threading, time

SOURCES = ["维基百科（中文）", "百度百科（中文）", "互动百科（中文）", "不列颠百科（英文）",
           "哥伦比亚百科（英文）"]
# What a user can move to or act on, and so must hear by a Chinese name.
CONTROLS = {"push button", "combo box", "text", "list", "list item", "page tab",
            "page tab list", "menu item", "check box"}
failures = []


def check(condition, message):
    if not condition:
        failures.append(message)
    return condition


class Pages(http.server.BaseHTTPRequestHandler):
    def do_GET(self):
        body = (f"<title>{self.headers['Host']} 词条</title><a href=/next>下一条</a>").encode()
        self.send_response(200)
        self.send_header("Content-Type", "text/html; charset=utf-8")
        self.end_headers()
        self.wfile.write(body)

    def log_message(self, *args):
        pass


def wait_for(predicate, timeout=30):
    from gi.repository import GLib
    end = time.time() + timeout
    while time.time() < end and not predicate():
        while GLib.MainContext.default().iteration(False):  # hands events to listeners
            pass
        time.sleep(0.2)
    return predicate()


def nodes(node, in_page=False):
    """Every node below, and whether it is part of a web page's own content."""
    for child in filter(None, (node.getChildAtIndex(i) for i in range(node.childCount))):
        yield child, in_page
        yield from nodes(child, in_page or child.getRoleName() == "document web")


def heard(node, depth=0):
    """The tree as a reader says it, the pages' own content left out."""
    import pyatspi
    state = node.getState()
    if not (state.contains(pyatspi.STATE_SHOWING) or node.getRoleName() == "frame"):
        return []
    ticked = "（已选中）" if state.contains(pyatspi.STATE_CHECKED) else ""
    lines = [f"{'  ' * depth}{node.getRoleName()}: {node.name}{ticked}"]
    if node.getRoleName() != "document web":
        for child in filter(None, (node.getChildAtIndex(i) for i in range(node.childCount))):
            lines += heard(child, depth + 1)
    return lines


def check_tree(app, when):
    import pyatspi
    print(f"{when}:\n" + "\n".join(heard(app)))
    windows = [(w.getRoleName(), w.name)
               for w in filter(None, (app.getChildAtIndex(i) for i in range(app.childCount)))]
    check(windows == [("frame", "Veritome")], f"{when}: the windows are {windows}")
    for node, in_page in nodes(app):
        if (not in_page and node.getRoleName() in CONTROLS
                and node.getState().contains(pyatspi.STATE_SHOWING)):
            check(re.search("[\u4e00-\u9fff]", node.name) and not node.name.startswith("Act"),
                  f"{when}: a {node.getRoleName()} is heard as {node.name!r}")


def run(app):
    import pyatspi
    check_tree(app, "After the start")
    alerts = []  # read as each is handled, by when a later one may have replaced it
    pyatspi.Registry.registerEventListener(
        lambda e: alerts.append(e.source.name)
        if e.detail1 and e.source.getRoleName() == "alert" else None,
        "object:state-changed:showing")
    named = {(n.getRoleName(), n.name): n for n, _ in nodes(app)}
    if not check(("text", "查询") in named and ("push button", "查询") in named,
                 "no query box or search button heard as 查询"):
        return
    named[("text", "查询")].queryEditableText().setTextContents("地球")
    named[("push button", "查询")].queryAction().doAction(0)
    # Each page is heard by its tab's caption and the page's title.
    def pages():
        names = []
        for document in (n for n, _ in nodes(app) if n.getRoleName() == "document web"):
            while document.getRoleName() != "panel":
                document = document.parent
            names += [document.name] if document.name != "横幅" else []
        return sorted(names)

    expected = sorted(f"{s}：{h} 词条" for s, h in zip(SOURCES, [
        "zh.wikipedia.org", "baike.baidu.com", "www.baike.com", "www.britannica.com",
        "www.infoplease.com"]))
    check(wait_for(lambda: pages() == expected), f"result pages heard as {pages()}")
    # Once for the tabs, once for each page's load.
    wait_for(lambda: len(alerts) > len(SOURCES), timeout=10)
    said = re.compile(f"“地球”：已打开 5 个结果页|({'|'.join(SOURCES)})：页面已载入")
    check(len(alerts) == len(SOURCES) + 1 and all(map(said.fullmatch, alerts)),
          f"announced: {alerts}")
    check_tree(app, "\nAfter a search")


def main():
    folder = tempfile.mkdtemp()
    program = shutil.copy(sys.argv[1], folder)
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Pages)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    env = dict(os.environ, HOME=folder, XDG_RUNTIME_DIR=folder,
               QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", QTWEBENGINE_CHROMIUM_FLAGS=
               f'--host-resolver-rules="MAP * 127.0.0.1:{server.server_address[1]}"')
    bus = subprocess.Popen(["/usr/libexec/at-spi-bus-launcher", "--launch-immediately"],
                           env=env, stderr=subprocess.DEVNULL)
    time.sleep(1)
    veritome = subprocess.Popen([program], env=env, stderr=subprocess.DEVNULL)
    try:
        import pyatspi
        desktop = pyatspi.Registry.getDesktop(0)
        apps = lambda: [a for a in (desktop.getChildAtIndex(i) for i in range(desktop.childCount))
                        if a and a.name == "Veritome" and any(
                            n.getRoleName() == "combo box" for n, _ in nodes(a))]
        if check(wait_for(apps), "Veritome never showed on the accessibility bus"):
            run(apps()[0])
    finally:
        veritome.terminate()
        veritome.wait(30)
        bus.terminate()
        shutil.rmtree(folder, ignore_errors=True)
    for failure in failures:
        print("FAIL:", failure)
    sys.exit(1 if failures else 0)


main()
