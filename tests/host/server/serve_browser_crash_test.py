"""panel_host serve in a real browser, through a crash and a restart: a click
on Press_1 of a panel that aborts there shows the fault on the page (the
fault, the step, the conversation up to it), the page stays live and the
side panel is refused; the Restart button brings the panel back with the
devices as they were, and the next click works.

usage: serve_browser_crash_test.py --library ABORTING --devices FILE --work DIR -- HOST...
"""
import os

from selenium.webdriver.common.by import By
from selenium.common.exceptions import NoSuchElementException, StaleElementReferenceException, TimeoutException
from selenium.webdriver.support.ui import Select, WebDriverWait

from serve_browser_test import browsing
from serve_process import Serve, check, run_main, test_arguments

# A control the page draws again between two looks is looked up anew.
REDRAWN = (NoSuchElementException, StaleElementReferenceException)


def main():
    a = test_arguments("--devices")
    serve = Serve(a.host + ["serve", a.library, "--port", "0", "--devices", a.devices],
                  os.path.join(a.work, "crash.log")).start()
    with browsing(serve, a.work) as driver:
        wait = WebDriverWait(driver, 20, poll_frequency=0.05, ignored_exceptions=REDRAWN)
        text = lambda element: driver.find_element(By.ID, element).text
        control = lambda cid: driver.find_element(By.CSS_SELECTOR, f'#page [data-control="{cid}"]')

        def expect(element, part, what):
            try:
                wait.until(lambda d: part in text(element))
            except TimeoutException:
                raise AssertionError(f"{what}: #{element} never showed {part!r}; it shows:\n{text(element)[-1500:]}")

        driver.get(serve.url())
        wait.until(lambda d: text("connection") == "live")
        expect("panel-state", "panel running", "start-up")
        Select(driver.find_element(By.CSS_SELECTOR, 'select[data-destination="2"]')).select_by_value("5")
        expect("log", "TP 'text=SRC 5' '1' 'Dst_2'", "route")
        first = text("panel-state")

        control("Press_1").click()
        expect("message", "the panel failed: the panel aborted", "the press")
        expect("fault-text", 'during step 2 from the page: button 1 Press_1 "press"', "the fault")
        expect("log", 'button 1 Press_1 "press"', "the conversation up to the fault")
        expect("panel-state", "panel down", "the panel's state")
        check(driver.find_element(By.ID, "fault").is_displayed(), "the fault is not shown")
        check(text("connection") == "live", "the page lost the server after the crash")
        driver.find_element(By.ID, "timer-send").click()
        expect("message", "refused: the panel is not running", "an action without a panel")

        driver.find_element(By.ID, "restart").click()
        expect("message", "done: restart", "restart")
        expect("panel-state", "panel running", "after the restart")
        check(text("panel-state") != first, f"the same process after the restart: {text('panel-state')}")
        check(not driver.find_element(By.ID, "fault").is_displayed(), "the fault is still shown after the restart")
        expect("note", "restarted from the page", "the restart note")
        # The devices as they were: the new panel reads destination 2 at start-up.
        wait.until(lambda d: text("log").count("TP 'text=SRC 5' '1' 'Dst_2'") >= 2)
        control("Take").click()
        expect("message", 'done: button 1 Take "press"', "a click after the restart")
        expect("log", "TP 'colour.background=#e00000' '1' 'Take'", "a click after the restart")
        driver.save_screenshot(os.path.join(a.work, "crash.png"))
    print("serve in the browser through a crash and a restart: all passed")


if __name__ == "__main__":
    run_main(main)
