#!/usr/bin/env python3
"""A phone's browser on the remote: headless Chromium at a phone's size pairs with the code,
presses "CH-01 flash up 0.1" and waits until the page shows the new level confirmed.

Run by tst_phonebrowser, which owns the console and the simulated heads and checks what reached
them. Prints "before X" and "after Y" (the levels the page showed); exits 0 when all went as a
person would expect, 1 with the reason otherwise, 3 when the browser or its driver is missing.
"""

import argparse
import shutil
import sys
import tempfile

WIDTH, HEIGHT, SCALE = 412, 915, 2.0
ANDROID = ("Mozilla/5.0 (Linux; Android 14; Pixel 8) AppleWebKit/537.36 (KHTML, like Gecko) "
           "Chrome/156.0.0.0 Mobile Safari/537.36")
FLAGS = ["--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
         "--disable-background-networking", "--disable-component-update", "--disable-sync",
         "--disable-dev-shm-usage"]


def fail(why):
    print("phone_remote: " + why, file=sys.stderr)
    sys.exit(1)


def tool(name):
    return shutil.which(name) or shutil.which(name, path="/usr/bin")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--url", required=True)
    parser.add_argument("--code", required=True)
    parser.add_argument("--screenshot", required=True)
    parser.add_argument("--wait", type=float, default=30.0, help="seconds for each wait")
    args = parser.parse_args()

    missing = []
    browser, driver_path = tool("chromium"), tool("chromedriver")
    if not browser:
        missing.append("chromium")
    if not driver_path:
        missing.append("chromium-driver (chromedriver)")
    try:
        from selenium import webdriver
        from selenium.common.exceptions import TimeoutException
        from selenium.webdriver.chrome.service import Service
        from selenium.webdriver.common.by import By
        from selenium.webdriver.support.ui import WebDriverWait
    except ImportError:
        missing.append("python3-selenium (for " + sys.executable + ")")
    if missing:
        print("phone_remote: missing " + ", ".join(missing) + "; scripts/setup installs them",
              file=sys.stderr)
        sys.exit(3)

    profile = tempfile.mkdtemp(prefix="lumadesk-phone-")
    options = webdriver.ChromeOptions()
    options.binary_location = browser
    for flag in FLAGS:
        options.add_argument(flag)
    options.add_argument("--user-data-dir=" + profile)
    options.add_experimental_option("mobileEmulation", {
        "deviceMetrics": {"width": WIDTH, "height": HEIGHT, "pixelRatio": SCALE, "touch": True},
        "userAgent": ANDROID,
    })
    options.set_capability("goog:loggingPrefs", {"browser": "ALL"})
    driver = webdriver.Chrome(service=Service(executable_path=driver_path), options=options)
    try:
        wait = WebDriverWait(driver, args.wait)

        def until(what, condition):
            try:
                return wait.until(lambda d: condition())
            except TimeoutException:
                fail("gave up waiting for " + what + "; the page said: " +
                     driver.find_element(By.TAG_NAME, "body").text.replace("\n", " | "))

        def button(label):
            found = driver.find_elements(By.XPATH, "//button[@aria-label=\"%s\"]" % label)
            return found[0] if found and found[0].is_displayed() else None

        # Pairing: a wrong code is said to be wrong, the right one opens the remote.
        driver.get(args.url)
        code = until("the pairing page", lambda: driver.find_element(By.ID, "code"))
        if code.get_attribute("inputmode") != "numeric":
            fail("the code field does not ask for the numeric keyboard")
        wrong = args.code[:-1] + str((int(args.code[-1]) + 1) % 10)
        code.send_keys(wrong)
        driver.find_element(By.ID, "pair-button").click()
        message = driver.find_element(By.ID, "pair-message")
        until("the wrong code's message", lambda: "Wrong code" in message.text)
        code.clear()
        code.send_keys(args.code)
        driver.find_element(By.ID, "pair-button").click()

        up = until("CH-01's card", lambda: button("CH-01 flash up 0.1"))
        until("the console's state", lambda: "Connected to the console" in
              driver.find_element(By.ID, "console-text").text)
        if up.accessible_name != "CH-01 flash up 0.1":
            fail("the button's accessible name is %r" % up.accessible_name)
        power = button("CH-01 flash power")
        if power is None or power.aria_role != "switch":
            fail("CH-01's flash power is not a switch")
        card = up.find_element(By.XPATH, "ancestor::article")
        level = card.find_element(By.CSS_SELECTOR, ".level[data-value='flash']")
        number = level.find_element(By.CLASS_NAME, "number")
        state = level.find_element(By.CLASS_NAME, "state")
        until("CH-01's flash level confirmed", lambda: state.text == "✓ confirmed")
        before = number.text
        expected = "%.1f" % (float(before) + 0.1)
        print("before " + before, flush=True)

        up.click()
        until("CH-01's flash at %s, confirmed" % expected,
              lambda: number.text == expected and state.text == "✓ confirmed")
        print("after " + number.text, flush=True)

        driver.execute_script("window.scrollTo(0, 0); document.activeElement.blur();")
        if not driver.save_screenshot(args.screenshot):
            fail("could not write " + args.screenshot)

        # A blocked inline script or style, or a failed request, shows here; only the icon that
        # browsers ask for by themselves may be missing, and the wrong code's answer was meant.
        expected_refusal = "/pair - Failed to load resource: the server responded with a status of 403"
        problems = [e["message"] for e in driver.get_log("browser")
                    if e["level"] == "SEVERE" and "favicon.ico" not in e["message"]
                    and expected_refusal not in e["message"]]
        if problems:
            fail("the browser reported: " + " | ".join(problems))
    finally:
        driver.quit()
        shutil.rmtree(profile, ignore_errors=True)


if __name__ == "__main__":
    main()
