#!/usr/bin/env python3
"""The monitor's page in headless Chromium, while the web scenario plays: every address appears,
the values move, then hold the scenario's last values, and the rows dim once silent. It prints
"loaded" once the page is open, for the bridge to start then, and waits for states, not times.
Usage: web_page.py URL SCREENSHOT"""
import signal
import sys
import tempfile
import time

from selenium import webdriver
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.by import By

FINAL = {"/vrenn/A0-light": ["0.125"], "/vrenn/A1-knob": ["0.75"], "/vrenn/D2-button": ["1"],
         "/vrenn/I2C-accel": ["-0.5", "0", "9.81"]}


def rows(driver):
    """Address -> (value texts, dimmed), in the page's order."""
    return {row.find_element(By.CLASS_NAME, "address").text:
            ([v.text for v in row.find_elements(By.CLASS_NAME, "text")], "silent" in row.get_attribute("class"))
            for row in driver.find_elements(By.CLASS_NAME, "row")}


def until(driver, seconds, condition):
    for _ in range(int(seconds * 10)):
        shown = rows(driver)
        if condition(shown):
            return shown
        time.sleep(0.1)
    sys.exit(f"FAIL: the page shows {shown}")


def main(url, screenshot, profile):
    options = webdriver.ChromeOptions()
    for arg in ["--headless", "--no-sandbox", "--disable-gpu", "--disable-background-networking",
                "--disable-component-update", "--disable-sync", "--no-first-run", "--window-size=1000,640",
                "--user-data-dir=" + profile]:
        options.add_argument(arg)
    signal.signal(signal.SIGTERM, lambda *_: sys.exit("FAIL: stopped"))  # Chromium goes too, below
    driver = webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)
    try:
        driver.get(url)
        print("loaded", flush=True)
        first = until(driver, 20, lambda shown: list(shown) == list(FINAL))
        later = until(driver, 10, lambda shown: shown != first and not any(d for _, d in shown.values()))
        print("moving:", first, "->", later)
        until(driver, 10, lambda shown: shown["/vrenn/A1-knob"][0] == ["0.5"])  # held 3.5 s, halfway through
        for _ in range(40):  # the monitor looks for a new bridge every few seconds
            if "no vrennosc" not in driver.find_element(By.ID, "head").text:
                break
            time.sleep(0.1)
        driver.save_screenshot(screenshot)
        # The final values, dimmed or not yet: on a busy machine the page may look only after 2 s.
        until(driver, 15, lambda shown: all(shown[a][0] == v for a, v in FINAL.items()))
        until(driver, 10, lambda shown: all(shown[a] == (v, True) for a, v in FINAL.items()))
        print("final values shown, rows dimmed once silent")
    finally:
        driver.quit()


with tempfile.TemporaryDirectory(prefix="web_page_") as profile:
    main(*sys.argv[1:], profile)
