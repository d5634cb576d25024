"""serve --paused in a real browser: the step bar is shown, Next, the slider
and Back show the page after each step (Dst_1's text in the picture), the
conversation is scrolled to the step's line, and the side panel waits for
the last step. The bar is hidden without --paused (the other browser tests
see that page).

usage: serve_browser_paused_test.py --library LIB --devices FILE --work DIR -- HOST...
"""
import os

from selenium.webdriver.common.by import By
from selenium.webdriver.support.ui import Select, WebDriverWait

from serve_browser_test import browsing
from serve_process import Serve, check, run_main, test_arguments

SCENARIO = "route 1 5\nroute 1 6\nroute 1 7\n"
# Whether the last line of the conversation holding arguments[0] is in its view.
VISIBLE = """
const log = document.getElementById("log"), needle = arguments[0];
let hit = null;
for (const node of log.childNodes) {
  const at = node.textContent.lastIndexOf(needle);
  if (at >= 0) hit = [node, at];
}
if (!hit) return false;
const range = document.createRange();
range.setStart(hit[0], hit[1]);
range.setEnd(hit[0], hit[1] + needle.length);
const line = range.getBoundingClientRect(), view = log.getBoundingClientRect();
return line.top >= view.top - 1 && line.bottom <= view.bottom + 1;
"""


def main():
    a = test_arguments("--devices")
    scenario = os.path.join(a.work, "paused.scn")
    with open(scenario, "w") as f:
        f.write(SCENARIO)
    serve = Serve(a.host + ["serve", a.library, "--port", "0", "--devices", a.devices, "--scenario", scenario,
                            "--paused"], os.path.join(a.work, "paused.log")).start()
    with browsing(serve, a.work) as driver:
        wait = WebDriverWait(driver, 20, poll_frequency=0.05)
        text = lambda element: driver.find_element(By.ID, element).text
        dst_1 = lambda: driver.find_element(By.CSS_SELECTOR, '#page [data-control="Dst_1"]').text

        def expect(what, condition):
            try:
                wait.until(lambda d: condition())
            except Exception:
                raise AssertionError(f"{what}: never so; the bar says {text('step-label')!r}, "
                                     f"Dst_1 {dst_1()!r}, the message {text('message')!r}")

        driver.get(serve.url())
        expect("the bar at 0", lambda: text("step-label").startswith("step 0 of 3"))
        driver.find_element(By.ID, "step-next").click()
        expect("next", lambda: text("step-label").startswith("step 1 of 3") and "SRC 5" in dst_1())
        Select(driver.find_element(By.CSS_SELECTOR, 'select[data-destination="2"]')).select_by_value("3")
        expect("a route before the last step", lambda: "refused: paused at step 1 of 3" in text("message"))
        driver.execute_script("const s = document.getElementById('step-slider'); s.value = 3;"
                              "s.dispatchEvent(new Event('change'));")
        expect("the slider to 3", lambda: text("step-label").startswith("step 3 of 3") and "SRC 7" in dst_1())
        driver.execute_script("document.getElementById('log').scrollTop = 0;")  # looked at the start
        check(not driver.execute_script(VISIBLE, "[step 3 "), "the conversation's end is in view at its top")
        driver.find_element(By.ID, "step-back").click()
        expect("back to 2", lambda: text("step-label").startswith("step 2 of 3") and "SRC 6" in dst_1())
        expect("the conversation scrolled to step 2", lambda: driver.execute_script(VISIBLE, "[step 2 "))
        print("paused in the browser: next, slider and back show the page after each step")


if __name__ == "__main__":
    run_main(main)
