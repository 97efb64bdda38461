#!/usr/bin/env python3
"""One page in headless Chromium, as on a phone and on a desktop.

Usage: browser_page.py CHROMIUM URL OUT_PREFIX PROFILE_DIR

Loads URL at 1280 px and at 360 px (a phone: the page's viewport meta
counts) with XSLT switched off, as browsers are going, and writes
OUT_PREFIX.html (the DOM at 1280 px), OUT_PREFIX.png and OUT_PREFIX-360.png
(screenshots of the top of the page). Prints one line per width with what
it measured and exits 1 when the page at 360 px is wider than the screen
(the document's scrollWidth above its clientWidth), so that the whole page
scrolls sideways (a table that scrolls inside its own box is fine), or when
the page is not laid out for a phone's width at all (no viewport meta: a
phone lays it out 980 px wide and shrinks it). On a phone innerWidth grows
with a page that overflows, as the browser zooms out; clientWidth stays the
width the page was laid out for. Talks to the browser over its DevTools pipe (file descriptors 3 and
4), so nothing but the Python standard library is needed.
"""
import base64
import fcntl
import json
import os
import subprocess
import sys
import time

WIDTHS = (1280, 360)
HEIGHT = {1280: 1400, 360: 780}
TIMEOUT = 60


def high(fd):
    """The descriptor moved to a number of 10 or more, closed on exec."""
    moved = fcntl.fcntl(fd, fcntl.F_DUPFD_CLOEXEC, 10)
    os.close(fd)
    return moved


class Browser:
    def __init__(self, chromium, profile):
        # The browser reads commands on descriptor 3 and answers on 4: its
        # ends of the pipes are moved there in the child, from numbers
        # above both so that neither move undoes the other.
        to_browser_r, self.to_browser = (high(fd) for fd in os.pipe())
        self.from_browser, from_browser_w = (high(fd) for fd in os.pipe())
        def descriptors():
            os.dup2(to_browser_r, 3)
            os.dup2(from_browser_w, 4)
        self.process = subprocess.Popen(
            [chromium, "--headless", "--no-sandbox", "--disable-gpu", "--hide-scrollbars",
             "--remote-debugging-pipe", "--user-data-dir=" + profile, "--disable-features=XSLT",
             "--no-first-run", "about:blank"],
            stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
            # Descriptors are closed after preexec_fn runs: keep 3 and 4 (dup2
            # made them inheritable; the pipes' own ends are not).
            preexec_fn=descriptors, close_fds=False)
        os.close(to_browser_r)
        os.close(from_browser_w)
        self.buffer = b""
        self.next_id = 0
        self.events = []

    def close(self):
        try:
            self.call("Browser.close")
        except Exception:
            pass
        try:
            self.process.wait(timeout=10)
        except subprocess.TimeoutExpired:
            self.process.kill()
            self.process.wait()

    def _message(self, deadline):
        while b"\0" not in self.buffer:
            if time.monotonic() > deadline:
                raise TimeoutError("the browser did not answer")
            chunk = os.read(self.from_browser, 1 << 16)
            if not chunk:
                raise EOFError("the browser ended")
            self.buffer += chunk
        text, self.buffer = self.buffer.split(b"\0", 1)
        return json.loads(text)

    def call(self, method, session=None, **params):
        self.next_id += 1
        message = {"id": self.next_id, "method": method, "params": params}
        if session:
            message["sessionId"] = session
        os.write(self.to_browser, json.dumps(message).encode() + b"\0")
        deadline = time.monotonic() + TIMEOUT
        while True:
            answer = self._message(deadline)
            if answer.get("id") == self.next_id:
                if "error" in answer:
                    raise RuntimeError(f"{method}: {answer['error']}")
                return answer.get("result", {})
            self.events.append(answer)

    def wait_event(self, method, session):
        deadline = time.monotonic() + TIMEOUT
        while True:
            for n, event in enumerate(self.events):
                if event.get("method") == method and event.get("sessionId") == session:
                    del self.events[n]
                    return event
            self.events.append(self._message(deadline))


def main():
    chromium, url, out, profile = sys.argv[1:5]
    browser = Browser(chromium, profile)
    overflow = []
    try:
        target = browser.call("Target.createTarget", url="about:blank")["targetId"]
        session = browser.call("Target.attachToTarget", targetId=target, flatten=True)["sessionId"]
        browser.call("Page.enable", session)
        for width in WIDTHS:
            phone = width < 600
            browser.call("Emulation.setDeviceMetricsOverride", session, width=width, height=HEIGHT[width],
                         deviceScaleFactor=1, mobile=phone)
            browser.events.clear()
            browser.call("Page.navigate", session, url=url)
            browser.wait_event("Page.loadEventFired", session)
            measured = browser.call("Runtime.evaluate", session, returnByValue=True, expression="""({
                scroll: document.documentElement.scrollWidth, inner: document.documentElement.clientWidth,
                widest: Array.from(document.body.querySelectorAll('*'))
                  .filter(e => e.getBoundingClientRect().right > document.documentElement.clientWidth + 0.5)
                  .filter(e => !e.closest('.scroll'))
                  .slice(0, 3).map(e => e.tagName.toLowerCase() + (e.id ? '#' + e.id : '')
                                        + (e.className && e.className.baseVal === undefined && e.className
                                           ? '.' + e.className.split(' ')[0] : '')),
                html: document.documentElement.outerHTML})""")["result"]["value"]
            print(f"{width} px: page {measured['scroll']} px wide, laid out for {measured['inner']} px")
            if width == 1280:
                with open(out + ".html", "w", encoding="utf-8") as f:
                    f.write(measured["html"])
            elif measured["inner"] != width:
                overflow.append(f"at {width} px the page is laid out for {measured['inner']} px"
                                " (no viewport meta for phones)")
            elif measured["scroll"] > measured["inner"]:
                overflow.append(f"at {width} px the page scrolls sideways to {measured['scroll']} px"
                                f" (too wide: {', '.join(measured['widest']) or '?'})")
            shot = browser.call("Page.captureScreenshot", session, format="png")
            with open(out + (".png" if width == 1280 else f"-{width}.png"), "wb") as f:
                f.write(base64.b64decode(shot["data"]))
    finally:
        browser.close()
    for problem in overflow:
        print(problem)
    return 1 if overflow else 0


if __name__ == "__main__":
    sys.exit(main())
