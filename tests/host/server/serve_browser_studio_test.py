"""panel_host serve with two scripts (a studio) in a real browser: each
script's page is shown in a card of its own, labelled with its name and
state; a click on Take in relay's card routes destination 9 of the shared
router, which watch's card then shows, and so does the router's select.

The watch script is named first, so that it is the default: a click that
did not name relay would go to watch, which has no Take.

usage: serve_browser_studio_test.py --relay LIB --watch LIB --devices FILE --work DIR -- HOST...
"""
import argparse
import os
import re

from selenium.webdriver.common.by import By
from selenium.common.exceptions import NoSuchElementException, StaleElementReferenceException, TimeoutException
from selenium.webdriver.support.ui import Select, WebDriverWait

from serve_browser_test import browsing
from serve_process import Serve, check, run_main

# A control the page draws again between two looks is looked up anew.
REDRAWN = (NoSuchElementException, StaleElementReferenceException)


def main():
    parser = argparse.ArgumentParser()
    for name in ["--relay", "--watch", "--devices", "--work"]:
        parser.add_argument(name, required=True)
    parser.add_argument("host", nargs="+")
    a = parser.parse_args()
    os.makedirs(a.work, exist_ok=True)
    serve = Serve(a.host + ["serve", "watch=" + a.watch, "relay=" + a.relay, "--port", "0", "--devices", a.devices],
                  os.path.join(a.work, "studio.log")).start()
    with browsing(serve, a.work) as driver:
        wait = WebDriverWait(driver, 20, poll_frequency=0.05, ignored_exceptions=REDRAWN)
        card = lambda name: driver.find_element(By.CSS_SELECTOR, f'#studio [data-script="{name}"]')
        text = lambda name, cls: card(name).find_element(By.CLASS_NAME, cls).text

        def expect_picture(name, cid, part, what):
            shown = lambda: card(name).find_element(By.CSS_SELECTOR, f'[data-control="{cid}"]').get_attribute(
                "innerHTML")
            try:
                wait.until(lambda d: part in shown())
            except TimeoutException:
                raise AssertionError(f"{what}: {cid} in {name}'s picture never showed {part!r}")

        driver.get(serve.url())
        wait.until(lambda d: d.find_element(By.ID, "connection").text == "live")
        wait.until(lambda d: len(d.find_elements(By.CSS_SELECTOR, "#studio [data-script]")) == 2)
        names = [c.get_attribute("data-script") for c in driver.find_elements(By.CSS_SELECTOR, "#studio .card")]
        check(names == ["watch", "relay"], f"the cards, in order: {names}")
        pids = []
        for name in names:
            check(text(name, "card-name") == name, f"{name}'s card is labelled {text(name, 'card-name')!r}")
            wait.until(lambda d: text(name, "card-state").startswith("running (process "))
            pids.append(re.search(r"\d+", text(name, "card-state")).group())
            check(not card(name).find_element(By.CLASS_NAME, "card-fault").is_displayed(), f"{name} shows a fault")
        check(pids[0] != pids[1], f"both scripts in one process: {pids}")
        # Each picture is its own script's: both are told destination 9's source at start-up.
        expect_picture("relay", "Dst_9", "SRC 9", "start-up")
        expect_picture("watch", "Mon_9", "SRC 9", "start-up")
        check(not card("watch").find_elements(By.CSS_SELECTOR, '[data-control="Take"]'), "watch's card has Take")
        check(not driver.find_element(By.ID, "page").is_displayed(), "the one-script picture is shown too")

        card("relay").find_element(By.CSS_SELECTOR, '[data-control="Take"]').click()
        expect_picture("watch", "Mon_9", "SRC 5", "Take in relay")
        expect_picture("relay", "Dst_9", "SRC 5", "Take in relay")
        destination = Select(driver.find_element(By.CSS_SELECTOR, 'select[data-destination="9"]'))
        wait.until(lambda d: destination.first_selected_option.get_attribute("value") == "5")
        log = driver.find_element(By.ID, "log").text
        check(any(line.startswith("[relay]") and "XR 3 9 5" in line for line in log.split("\n")),
              f"relay's command is not in the conversation:\n{log[-1500:]}")
        driver.save_screenshot(os.path.join(a.work, "studio.png"))
    print("serve with two scripts in the browser: both pages shown, a click in one reaches the other")


if __name__ == "__main__":
    run_main(main)
