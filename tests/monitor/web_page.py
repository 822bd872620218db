#!/usr/bin/env python3
"""The monitor's page in headless Chromium, while the web scenario plays: every address appears,
the values move, then hold the scenario's last values, and the rows dim once silent; at phone
width no header phrase breaks; once the monitor is stopped, a row that had just been heard dims.
It prints "loaded" once the page is open, for the bridge to start then, and waits for states, not
times. In retry mode, the page is refused (every stream its address may have is held): it says
when it tries again, as the monitor's Retry-After asks, prints "refused", and gets its stream once
the holders are gone.
Usage: web_page.py page URL SCREENSHOT MONITOR_PID UDP_PORT | web_page.py retry URL"""
import os
import signal
import socket
import struct
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


def phrases_whole(driver):
    """Whether every phrase of the header stands on one line."""
    return driver.execute_script("""const phrases = [...document.querySelectorAll('#head .phrase')];
        return phrases.length >= 4 && phrases.every(
            e => e.getBoundingClientRect().height < 2 * parseFloat(getComputedStyle(e).fontSize))""")


def stopped_monitor_dims(driver, monitor, port):
    """A message makes its row bright again; with the monitor stopped, it dims and the page says since when."""
    message = b"/vrenn/A0-light\0,f\0\0" + struct.pack(">f", 0.125)
    socket.socket(type=socket.SOCK_DGRAM).sendto(message, ("127.0.0.1", port))
    until(driver, 10, lambda shown: not shown["/vrenn/A0-light"][1])
    os.kill(monitor, signal.SIGTERM)
    for _ in range(100):
        lost = driver.execute_script("""return document.body.classList.contains('lost') &&
            getComputedStyle(document.querySelector('.row')).opacity < 1 &&
            document.getElementById('connection').textContent.includes(' since ')""")
        if lost:
            return
        time.sleep(0.1)
    sys.exit("FAIL: the page of a stopped monitor did not dim its rows and say since when")


def connection_text(driver, seconds, condition):
    """The page's connection line once condition holds for it, or None if hidden."""
    for _ in range(int(seconds * 10)):
        line = driver.find_element(By.ID, "connection")
        text = line.text if line.is_displayed() else None
        if condition(text):
            return text
        time.sleep(0.1)
    sys.exit(f"FAIL: the page's connection line says {text!r}")


def retry(driver, url):
    driver.get(url)
    connection_text(driver, 30, lambda text: text and "as many pages as it can" in text and "in 5 s" in text)
    print("refused", flush=True)
    connection_text(driver, 30, lambda text: text is None)
    print("connected once the streams were free")


def page(driver, url, screenshot, monitor, port):
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
    driver.set_window_size(390, 844)
    if not phrases_whole(driver):
        sys.exit("FAIL: at phone width a header phrase breaks: " + driver.find_element(By.ID, "head").text)
    stopped_monitor_dims(driver, int(monitor), int(port))
    print("phrases whole at phone width; rows dimmed once the monitor stopped")


def main(mode, *args):
    with tempfile.TemporaryDirectory(prefix="web_page_") as profile:
        options = webdriver.ChromeOptions()
        for arg in ["--headless", "--no-sandbox", "--disable-gpu", "--disable-background-networking",
                    "--disable-component-update", "--disable-sync", "--no-first-run", "--window-size=1000,640",
                    "--user-data-dir=" + profile]:
            options.add_argument(arg)
        signal.signal(signal.SIGTERM, lambda *_: sys.exit("FAIL: stopped"))  # Chromium goes too, below
        driver = webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)
        try:
            {"page": page, "retry": retry}[mode](driver, *args)
        finally:
            driver.quit()


main(*sys.argv[1:])
