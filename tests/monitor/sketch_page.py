#!/usr/bin/env python3
"""The browser sketch of examples/oscquery in headless Chromium, against the monitor's OSCQuery
server while the bridge plays oscquery_scenario.txt: both sensors appear with the scenario's
values; a sensor that appears later is shown too; the page keeps its sensors after a reload.
Usage: sketch_page.py URL UDP_PORT"""
import socket
import struct
import sys
import tempfile
import time

from selenium import webdriver
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.by import By


def sensors(driver):
    """Address -> the value texts the page shows."""
    return {s.get_attribute("data-address"): [v.text for v in s.find_elements(By.CLASS_NAME, "value")]
            for s in driver.find_elements(By.CLASS_NAME, "sensor")}


def until(driver, seconds, condition):
    shown = {}
    for _ in range(int(seconds * 10)):
        shown = sensors(driver)
        if condition(shown):
            return shown
        time.sleep(0.1)
    sys.exit(f"FAIL: the sketch shows {shown}; {driver.find_element(By.ID, 'state').text}")


SCENARIO = {"/vrenn/A0-light": [["0.5", "0.25", "0.75"], ["0.1", "0.2", "0.3"]], "/vrenn/D2-button": [["1"], ["0"]]}


def main(url, port, profile):
    options = webdriver.ChromeOptions()
    for arg in ["--headless", "--no-sandbox", "--disable-gpu", "--disable-background-networking",
                "--disable-component-update", "--disable-sync", "--no-first-run", "--user-data-dir=" + profile]:
        options.add_argument(arg)
    driver = webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)
    try:
        for _ in range(2):  # once, then after a reload
            driver.get(url)
            until(driver, 20, lambda shown: all(shown.get(a) in v for a, v in SCENARIO.items()))
        message = b"/late/knob\0\0,f\0\0" + struct.pack(">f", 0.625)
        socket.socket(type=socket.SOCK_DGRAM).sendto(message, ("127.0.0.1", int(port)))
        until(driver, 10, lambda shown: shown.get("/late/knob") == ["0.625"])
        print("the sketch shows every sensor, and one that came later")
    finally:
        driver.quit()


with tempfile.TemporaryDirectory(prefix="sketch_page_") as profile:
    main(*sys.argv[1:], profile)
