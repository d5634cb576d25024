#!/usr/bin/python3
"""Makes docs/serve-studio.png: serves router_control beside kivren's monitor
wall on one router 3 (native build), presses DST 5 and SRC 12 on
router_control and takes the live page in headless Chromium (Debian's
python3-selenium).
  serve_picture.py [BUILD_DIR] [OUT.png]"""
import pathlib
import re
import subprocess
import sys
import time
import urllib.request

from selenium import webdriver

root = pathlib.Path(__file__).resolve().parents[3]
build = pathlib.Path(sys.argv[1]) if len(sys.argv) > 1 else root / "build/native"
out = sys.argv[2] if len(sys.argv) > 2 else str(root / "docs/serve-studio.png")
serve = subprocess.Popen([str(build / "host/panel_host"), "serve", str(build / "panels/router_control/router_control.so"),
                          str(build / "panels/kivren/kivren.so"), "--port", "0",
                          "--devices", str(root / "panels/router_control/scenarios/studio.devices")],
                         stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
try:
    port = next(m.group(1) for line in serve.stdout if (m := re.search(r"serving http://127\.0\.0\.1:(\d+)/", line)))
    for control in ("Dst_5", "Src_12"):
        urllib.request.urlopen(urllib.request.Request(
            f"http://127.0.0.1:{port}/api/button", method="POST",
            data=f"script=router_control&panel=1&control={control}&event=press".encode()), timeout=60).read()
    options = webdriver.ChromeOptions()
    for argument in ("--headless=new", "--no-sandbox", "--window-size=1400,1420"):
        options.add_argument(argument)
    browser = webdriver.Chrome(options=options)
    try:
        browser.get(f"http://127.0.0.1:{port}/")
        time.sleep(3)  # the event stream draws both pages
        browser.save_screenshot(out)
    finally:
        browser.quit()
finally:
    serve.send_signal(2)
    serve.wait(60)
print("wrote", out)
