#!/usr/bin/env python3
"""A phone's browser on the remote: headless Chromium at a phone's size pairs with the code, then
  --scenario step        presses "CH-01 flash up 0.1" and waits for the new level confirmed;
                         prints "before X" and "after Y", the levels the page showed; then
                         presses "CH-01 test flash" and prints "test-note ..." once its note
                         shows, having checked that no button moved for it
  --scenario group-load  offsets the heads ticked on the desk by 0.1, then loads the set-up
                         "evening" behind the page's question, cancelled once, then confirmed;
                         prints "ticked ..." and "loaded ..." with the levels the page showed,
                         then waits for the page to ask for pairing again (the test has the
                         console forget every phone on "loaded") and prints "unpaired"
  --scenario locked      types wrong codes until the console locks the pairing; prints
                         "locked after N" (N codes sent) and the page's message
  --scenario restart     pairs, restarts the browser on the same profile and prints "restarted"
                         when the remote opens without pairing; then drops the cookie, pairs
                         again from the same browser and prints "paired again"
  --scenario ten         (ten heads) prints "lines N" for the one-line heads shown, "cards N"
                         for the cards shown and "height H" of the page in CSS pixels, after
                         checking every head's button names its head; taps CH-05's line and
                         prints "opened CH-05" once its card shows; steps CH-02's flash up from
                         its line and prints "stepped X Y" with the levels the line showed

Run by tst_phonebrowser, which owns the console and the simulated heads and checks what reached
them. Exits 0 when all went as a person would expect, 1 with the reason otherwise, 3 when the
browser, its driver or Selenium is missing.
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
    parser.add_argument("--scenario", choices=["step", "group-load", "locked", "restart", "ten"],
                        default="step")
    parser.add_argument("--screenshot", help="where to save the phone's screen at the end")
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

    def start_browser():
        options = webdriver.ChromeOptions()
        options.binary_location = browser
        for flag in FLAGS:
            options.add_argument(flag)
        options.add_argument("--user-data-dir=" + profile)
        options.add_experimental_option("mobileEmulation", {
            "deviceMetrics": {"width": WIDTH, "height": HEIGHT, "pixelRatio": SCALE,
                              "touch": True},
            "userAgent": ANDROID,
        })
        options.set_capability("goog:loggingPrefs", {"browser": "ALL"})
        return webdriver.Chrome(service=Service(executable_path=driver_path), options=options)

    driver = start_browser()
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
            shown = [b for b in found if b.is_displayed()]
            return shown[0] if shown else None

        # Pairing: a wrong code is said to be wrong, the right one opens the remote.
        driver.get(args.url)
        code = until("the pairing page", lambda: driver.find_element(By.ID, "code"))
        if code.get_attribute("inputmode") != "numeric":
            fail("the code field does not ask for the numeric keyboard")
        pair = driver.find_element(By.ID, "pair-button")
        message = driver.find_element(By.ID, "pair-message")
        wrong = args.code[:-1] + str((int(args.code[-1]) + 1) % 10)

        def try_code(typed):
            driver.execute_script("arguments[0].textContent = ''", message)
            code.clear()
            code.send_keys(typed)
            pair.click()
            until("the answer to a code", lambda: message.text not in ("", "Checking the code…"))
            return message.text

        if args.scenario == "locked":
            for sent in range(1, 11):
                said = try_code(wrong)
                if not said.startswith("Wrong code"):
                    break
            if pair.is_enabled():
                fail("the Pair button stays usable while locked")
            print("locked after %d" % sent, flush=True)
            print("message " + said, flush=True)
            return

        said = try_code(wrong)
        if not said.startswith("Wrong code"):
            fail("a wrong code was answered with %r" % said)
        code.clear()
        code.send_keys(args.code)
        pair.click()

        up = until("CH-01's card", lambda: button("CH-01 flash up 0.1"))
        until("the console's state", lambda: "Connected to the console" in
              driver.find_element(By.ID, "console-text").text)
        if up.accessible_name != "CH-01 flash up 0.1":
            fail("the button's accessible name is %r" % up.accessible_name)
        power = button("CH-01 flash power")
        if args.scenario != "ten" and (power is None or power.aria_role != "switch"):
            fail("CH-01's flash power is not a switch")

        def reading(label, value):
            card = button(label + " flash up 0.1").find_element(By.XPATH, "ancestor::article")
            part = card.find_element(By.CSS_SELECTOR, ".level[data-value='%s']" % value)
            return (part.find_element(By.CLASS_NAME, "number"),
                    part.find_element(By.CLASS_NAME, "state"))

        def shows(label, value, level):
            number, state = reading(label, value)
            return number.text == level and state.text == "✓ confirmed"

        def buttons_at():
            return driver.execute_script("""
                return Array.from(document.querySelectorAll("button"))
                  .filter((b) => b.getClientRects().length > 0)
                  .map((b) => { const r = b.getBoundingClientRect();
                                return [b.getAttribute("aria-label") || b.textContent,
                                        r.left + scrollX, r.top + scrollY, r.width, r.height]; });""")

        if args.scenario == "step":
            number, state = reading("CH-01", "flash")
            until("CH-01's flash level confirmed", lambda: state.text == "✓ confirmed")
            before = number.text
            expected = "%.1f" % (float(before) + 0.1)
            print("before " + before, flush=True)
            up.click()
            until("CH-01's flash at %s, confirmed" % expected, lambda: shows("CH-01", "flash", expected))
            print("after " + number.text, flush=True)

            # The note of a test flash shows where the thumb is without moving any button.
            where = buttons_at()
            test = button("CH-01 test flash")
            note = test.find_element(By.XPATH, "ancestor::article").find_element(
                By.CLASS_NAME, "test-note")
            test.click()
            until("the test flash's note", lambda: note.text == "✓ Test flash sent")
            if buttons_at() != where:
                fail("buttons moved when the note showed: %r then %r" % (where, buttons_at()))
            if note.get_attribute("role") != "status" or not note.is_displayed():
                fail("the note is not a shown status")
            print("test-note " + note.text, flush=True)
            until("the note to go", lambda: note.text == "")
        elif args.scenario == "restart":
            print("paired", flush=True)
            driver.quit()
            driver = start_browser()
            wait = WebDriverWait(driver, args.wait)
            driver.get(args.url)
            until("a page", lambda: driver.find_elements(By.ID, "code") or button("CH-01 flash up 0.1"))
            if driver.find_elements(By.ID, "code"):
                fail("the restarted browser was asked to pair again")
            print("restarted", flush=True)
            # Its cookie lost, the same browser pairs again: one phone on the console.
            driver.delete_all_cookies()
            driver.get(args.url)
            code = until("the pairing page", lambda: driver.find_element(By.ID, "code"))
            code.send_keys(args.code)
            driver.find_element(By.ID, "pair-button").click()
            until("CH-01's card after pairing again", lambda: button("CH-01 flash up 0.1"))
            print("paired again", flush=True)
        elif args.scenario == "ten":
            lines = driver.find_elements(By.CSS_SELECTOR, ".head-line")
            print("lines %d" % sum(1 for line in lines if line.is_displayed()), flush=True)
            print("cards %d" % sum(1 for card in driver.find_elements(By.CSS_SELECTOR, "article.head")
                                   if card.is_displayed()), flush=True)
            print("height %d" % driver.execute_script(
                "return document.documentElement.scrollHeight"), flush=True)
            opener = driver.find_element(By.CSS_SELECTOR, "button[aria-controls='head-card-4']")
            if not opener.accessible_name.startswith("CH-05 ") or \
                    not opener.accessible_name.endswith(": open card"):
                fail("CH-05's line is named %r" % opener.accessible_name)
            opener.click()
            card = driver.find_element(By.ID, "head-card-4")
            until("CH-05's card", lambda: card.is_displayed())
            if opener.get_attribute("aria-expanded") != "true":
                fail("CH-05's line does not say its card is open")
            if not button("CH-05 test flash"):
                fail("CH-05's card has no test flash")
            # Lines and the open card alike: every button names its head and what it does.
            for b in driver.find_elements(By.CSS_SELECTOR, "#heads button"):
                if b.is_displayed() and b.get_attribute("id") != "view-toggle":
                    name = b.accessible_name
                    if not (name.startswith("CH-") and len(name.split()) >= 2):
                        fail("a head's button is named %r" % name)
            print("opened CH-05", flush=True)
            line = driver.find_element(By.CSS_SELECTOR, "button[aria-controls='head-card-1']")
            level = line.find_element(By.CSS_SELECTOR, ".line-level[data-value='flash']")
            number = level.find_element(By.CLASS_NAME, "number")
            mark = level.find_element(By.CLASS_NAME, "state")
            until("CH-02's flash confirmed", lambda: mark.text == "✓")
            before = number.text
            expected = "%.1f" % (float(before) + 0.1)
            button("CH-02 flash up 0.1").click()
            until("CH-02's line at %s, confirmed" % expected,
                  lambda: number.text == expected and mark.text == "✓")
            print("stepped %s %s" % (before, number.text), flush=True)
        else:
            ticked = driver.find_element(By.ID, "ticked")
            until("the ticked heads", lambda: ticked.text.startswith("Ticked on the desk: "))
            names = ticked.text[len("Ticked on the desk: "):].split(", ")
            levels = {n: reading(n, "flash")[0].text for n in names}
            button("Ticked heads flash up 0.1").click()
            for name in names:
                wanted = "%.1f" % (float(levels[name]) + 0.1)
                until(name + "'s flash at " + wanted, lambda: shows(name, "flash", wanted))
            print("ticked " + " ".join(n + "=" + reading(n, "flash")[0].text for n in names),
                  flush=True)

            # The question names the set-up and the studio; Cancel sends nothing.
            dialog = driver.find_element(By.ID, "confirm")
            question = "Load \"evening\" into Studio A? Current setting is replaced."
            button("Load evening").click()
            until("the question before loading", lambda: dialog.is_displayed())
            if driver.find_element(By.ID, "confirm-text").text != question:
                fail("the question reads %r" % driver.find_element(By.ID, "confirm-text").text)
            driver.find_element(By.ID, "confirm-cancel").click()
            until("the question to close", lambda: not dialog.is_displayed())
            button("Load evening").click()
            until("the question again", lambda: dialog.is_displayed())
            driver.find_element(By.ID, "confirm-load").click()
            until("the question to close", lambda: not dialog.is_displayed())
            until("the set-up's levels confirmed",
                  lambda: all(shows(n, "flash", levels[n]) for n in names))
            print("loaded " + " ".join(n + "=" + reading(n, "flash")[0].text for n in names),
                  flush=True)
            again = driver.find_element(By.ID, "pair-again")
            until("the page to ask for pairing again", lambda: again.is_displayed())
            # Only the choice between lines and cards, which sends nothing, stays.
            if any(b.is_enabled() for b in driver.find_elements(By.CSS_SELECTOR, "main button")
                   if b.is_displayed() and b.get_attribute("id") != "view-toggle"):
                fail("buttons stay usable on a phone the console forgot")
            print("unpaired " + driver.find_element(By.ID, "console-text").text, flush=True)

        if args.screenshot:
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
