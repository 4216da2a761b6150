#!/usr/bin/python3
"""The preview page in headless Chromium, against the real server: it opens with its token and
not without; its controls are the effect's; a change redraws the wall exactly as `render` draws
it; the effect's own visibility rules show and hide controls; play advances; save writes a project
that renders the same frame; a refused value leaves the last good picture with a message; the
console stays clean.  Usage: preview_page_test.py PLENORIUM [SCREENSHOT.png]"""
import json
import os
import subprocess
import sys
import tempfile
import time
import unittest
import urllib.error
import urllib.request

from selenium import webdriver
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.by import By
from selenium.webdriver.common.keys import Keys
from selenium.webdriver.support.ui import Select, WebDriverWait

PLENORIUM = sys.argv[1] if len(sys.argv) > 1 else "build/bin/plenorium"
SCREENSHOT = sys.argv[2] if len(sys.argv) > 2 else None


def rgba(png_path):
    """A picture's pixels as raw RGBA, decoded by ffmpeg."""
    return subprocess.run(["ffmpeg", "-v", "error", "-i", png_path, "-f", "rawvideo", "-pix_fmt", "rgba", "-"],
                          check=True, capture_output=True).stdout


class PreviewPage(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.folder = tempfile.TemporaryDirectory(prefix="plenorium_browser_")
        cls.server = subprocess.Popen([PLENORIUM, "preview", "--no-open", "--threads", "2"], cwd=cls.folder.name,
                                      stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
        cls.address = cls.server.stdout.readline().strip()
        assert cls.address.startswith("http://127.0.0.1:"), cls.address
        cls.origin = cls.address.split("/?")[0]
        options = webdriver.ChromeOptions()
        for flag in ["--headless=new", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
                     "--disable-background-networking", "--disable-component-update", "--disable-sync",
                     "--window-size=1500,900", f"--user-data-dir={cls.folder.name}/chrome"]:
            options.add_argument(flag)
        options.binary_location = "/usr/bin/chromium"
        options.set_capability("goog:loggingPrefs", {"browser": "ALL"})
        cls.browser = webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)
        cls.wait = WebDriverWait(cls.browser, 30)

    @classmethod
    def tearDownClass(cls):
        cls.browser.quit()
        cls.server.terminate()
        status = cls.server.wait(timeout=60)
        errors = cls.server.stderr.read()
        cls.folder.cleanup()
        # Ctrl-C or SIGTERM ends the preview cleanly, saying that changes were not saved.
        assert status == 0, f"the preview ended with {status}: {errors}"
        assert "changes that were not saved" in errors, errors

    # ---- helpers ----
    def control(self, name):
        return self.browser.find_element(By.CSS_SELECTOR, f'[data-control="{name}"]')

    def shown(self):
        picture = self.browser.find_element(By.ID, "picture")
        return picture.get_attribute("data-version"), picture.get_attribute("src")

    def state_version(self):
        return self.browser.execute_script("return page.state.version")

    def wait_for_current_picture(self):
        """Until the viewer shows the current values at the chosen resolution."""
        self.wait.until(lambda b: b.execute_script(
            "return page.state && page.shown.version === page.state.version && page.shown.frame === page.frame"
            " && page.shown.downsample === page.downsample && !viewing.busy"))

    def picture_bytes(self):
        """The bytes of the picture the viewer shows: once it shows the current values, the server
        gives the same bytes for the same frame (from the frame cache the page's request filled)."""
        self.wait_for_current_picture()
        data = self.browser.execute_async_script("""
            const done = arguments[0];
            fetch(`/api/frame?frame=${page.shown.frame}&res=${page.shown.downsample}&exact=1`)
              .then(r => r.arrayBuffer()).then(b => {
                const bytes = new Uint8Array(b); let s = '';
                for (let i = 0; i < bytes.length; i += 8192) s += String.fromCharCode.apply(null, bytes.subarray(i, i + 8192));
                done(btoa(s));
              });""")
        import base64
        return base64.b64decode(data)

    def set_number(self, name, value):
        field = self.control(name)
        field.send_keys(Keys.CONTROL, "a")
        field.send_keys(str(value), Keys.TAB)

    # ---- tests, in the order a user meets them ----
    def test_1_opens_with_its_token_only(self):
        for url in [self.origin + "/", self.origin + "/?token=" + "0" * 32, self.origin + "/api/state"]:
            with self.assertRaises(urllib.error.HTTPError) as refused:
                urllib.request.urlopen(url)
            self.assertEqual(refused.exception.code, 403, url)
        self.browser.get(self.address)
        self.wait.until(lambda b: b.find_elements(By.CSS_SELECTOR, '[data-control="Columns"]'))
        self.assertNotIn("token=", self.browser.current_url, "the token leaves the address bar")
        self.wait_for_current_picture()

    def test_2_lists_the_effects_controls_and_hides_what_it_hides(self):
        state = self.browser.execute_script("return page.state")
        declared = {c["setName"] for c in state["controls"] if "setName" in c}
        listed = {e.get_attribute("data-control") for e in self.browser.find_elements(By.CSS_SELECTOR, "[data-control]")}
        self.assertEqual(listed, declared)
        for expected in ["Columns", "Rows", "Wall position", "Frame image", "Source 1", "Layer selection method"]:
            self.assertIn(expected, listed)
        method = Select(self.control("Layer selection method"))
        row = self.control("Source 1").find_element(By.XPATH, "./ancestor::div[contains(@class,'control')]")
        method.select_by_visible_text("Manual")
        self.wait.until(lambda b: row.is_displayed())
        method.select_by_visible_text("Inner Comp")
        self.wait.until(lambda b: not row.is_displayed())

    def test_3_a_change_redraws_the_wall_as_render_draws_it_and_save_keeps_it(self):
        self.browser.find_element(By.ID, "exact").click()
        Select(self.browser.find_element(By.ID, "resolution")).select_by_visible_text("Full")
        self.browser.find_element(By.ID, "step-forward").click()
        for _ in range(49):
            self.browser.find_element(By.ID, "viewer").send_keys(Keys.ARROW_RIGHT)
        self.wait.until(lambda b: b.find_element(By.ID, "frame").text == "50")
        self.wait_for_current_picture()
        before = self.picture_bytes()
        self.set_number("Columns", 3)
        self.wait.until(lambda b: b.execute_script("return page.state.controls.find(c => c.setName === 'Columns').value") == 3)
        self.wait_for_current_picture()
        after = self.picture_bytes()
        self.assertNotEqual(before, after, "the picture changed with Columns")
        shown = os.path.join(self.folder.name, "shown.png")
        with open(shown, "wb") as f:
            f.write(after)
        saved = os.path.join(self.folder.name, "saved.json")
        field = self.browser.find_element(By.ID, "save-path")
        field.clear()
        field.send_keys(saved)
        self.browser.find_element(By.ID, "viewer").send_keys(Keys.CONTROL, "s")
        self.wait.until(lambda b: os.path.exists(saved) and not b.execute_script("return page.state.dirty"))
        rendered = os.path.join(self.folder.name, "rendered.png")
        subprocess.run([PLENORIUM, "render", saved, "--frames", "50", "-o", rendered, "-q"], check=True)
        self.assertEqual(rgba(shown), rgba(rendered), "the exact frame equals what render writes")
        self.browser.find_element(By.ID, "exact").click()

    def test_4_play_advances_and_pauses(self):
        viewer = self.browser.find_element(By.ID, "viewer")
        start = int(self.browser.find_element(By.ID, "frame").text)
        viewer.send_keys(" ")
        self.wait.until(lambda b: int(b.find_element(By.ID, "frame").text) not in (start,))
        viewer.send_keys(" ")
        self.wait.until(lambda b: not b.execute_script("return page.playing"))

    def test_5_a_refused_value_keeps_the_last_good_picture_and_says_why(self):
        self.wait_for_current_picture()
        version, src = self.shown()
        self.browser.execute_script("""
            const f = document.querySelector('[data-control="Rows"]');
            f.value = ''; f.dispatchEvent(new Event('change'));""")
        toast = self.browser.find_element(By.ID, "toast")
        self.wait.until(lambda b: toast.is_displayed() and "Rows: expected a number" in toast.text)
        self.assertEqual(self.shown(), (version, src), "the last good picture stays")
        self.assertEqual(str(self.state_version()), version, "nothing changed")

    def test_6_undo_takes_a_change_back(self):
        columns = lambda b: b.execute_script("return page.state.controls.find(c => c.setName === 'Columns').value")
        self.set_number("Columns", 7)
        self.wait.until(lambda b: columns(b) == 7)
        self.browser.find_element(By.ID, "viewer").send_keys(Keys.CONTROL, "z")
        self.wait.until(lambda b: columns(b) == 3)
        self.wait_for_current_picture()
        if SCREENSHOT:
            Select(self.browser.find_element(By.ID, "resolution")).select_by_visible_text("Half")
            self.wait_for_current_picture()
            self.browser.save_screenshot(SCREENSHOT)

    def test_7_the_console_has_no_error(self):
        # The refused value of test 5 is the one error the network log may hold.
        errors = [e for e in self.browser.get_log("browser") if e["level"] == "SEVERE" and
                  not ("/api/change" in e["message"] and "400" in e["message"])]
        self.assertEqual(errors, [])


if __name__ == "__main__":
    unittest.main(argv=[sys.argv[0], "-v"])
