#!/usr/bin/python3
"""The preview server driven over HTTP as the page drives it: a slider change until its new frame
arrives (half resolution), one frame forward, playback at quarter resolution while rendering ahead
and from ready frames, and the server's memory after a run of changes and playback.
Usage: bench/preview_bench.py [PLENORIUM] [--changes N] [--minutes M]"""
import argparse
import os
import statistics
import subprocess
import sys
import time
import urllib.request
import json

here = os.path.dirname(os.path.abspath(__file__))
root = os.path.dirname(here)


class Preview:
    def __init__(self, plenorium, project):
        args = [plenorium, "preview", "--no-open"] + ([project] if project else [])
        self.process = subprocess.Popen(args, cwd=root, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
        address = self.process.stdout.readline().strip()
        self.base = address.split("/?")[0]
        token = address.split("token=")[1]
        self.headers = {"Cookie": f"plenorium_preview={token}"}
        self.state = self.get_json("/api/state")

    def get(self, path):
        request = urllib.request.Request(self.base + path, headers=self.headers)
        with urllib.request.urlopen(request) as r:
            return r.status, r.read()

    def get_json(self, path):
        return json.loads(self.get(path)[1])

    def post(self, path, body):
        request = urllib.request.Request(self.base + path, data=json.dumps(body).encode(), method="POST",
                                         headers={**self.headers, "Content-Type": "application/json"})
        with urllib.request.urlopen(request) as r:
            return json.loads(r.read())

    def control(self, name):
        return next(c for c in self.state["controls"] if c.get("setName") == name)

    def rss_mb(self):
        with open(f"/proc/{self.process.pid}/status") as f:
            for line in f:
                if line.startswith("VmRSS:"):
                    return int(line.split()[1]) / 1024
        return 0

    def close(self):
        self.process.terminate()
        self.process.wait(timeout=30)


def ms(values):
    values = sorted(values)
    p95 = values[min(len(values) - 1, int(round(0.95 * (len(values) - 1))))]
    return f"median {statistics.median(values) * 1000:6.1f} ms  p95 {p95 * 1000:6.1f} ms  (n={len(values)})"


def slider_changes(preview, changes, frame):
    gap = preview.control("Gap X")["index"]
    times = []
    for i in range(changes):
        start = time.perf_counter()
        preview.post("/api/change", {"param": gap, "value": (i * 7) % 40, "gesture": "bench"})
        status, _ = preview.get(f"/api/frame?frame={frame}&res=2")
        assert status == 200
        times.append(time.perf_counter() - start)
    return times


def frames_forward(preview, first, count, res):
    times = []
    for f in range(first, first + count):
        start = time.perf_counter()
        status, _ = preview.get(f"/api/frame?frame={f}&res={res}&lane=play")
        assert status == 200
        times.append(time.perf_counter() - start)
    return times


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("plenorium", nargs="?", default=os.path.join(root, "build/bin/plenorium"))
    parser.add_argument("--changes", type=int, default=50)
    parser.add_argument("--minutes", type=float, default=2)
    options = parser.parse_args()
    subprocess.run(["bash", os.path.join(root, "scripts/make-example-clips.sh")], check=True)
    print(f"load: {os.getloadavg()[0]:.2f} (1 min) on {os.cpu_count()} cores")
    for name, project in [("demo", None), ("clip example", "examples/clips_wall.json")]:
        preview = Preview(options.plenorium, project)
        frames = preview.state["comp"]["frames"]
        fps = preview.state["comp"]["fps"]
        print(f"\n{name}: {preview.state['comp']['width']}x{preview.state['comp']['height']}, {frames} frames at {fps:g} fps")
        print("  slider change to new frame, half:  " + ms(slider_changes(preview, options.changes, frames // 2)))
        print("  one frame forward, half:           " + ms(frames_forward(preview, 1, min(frames - 1, 50), 2)))
        ahead = frames_forward(preview, 0, frames, 4)
        print(f"  playback, quarter, rendering ahead: {len(ahead) / sum(ahead):5.1f} fps")
        ready = frames_forward(preview, 0, frames, 4)
        print(f"  playback, quarter, frames ready:    {len(ready) / sum(ready):5.1f} fps (composition: {fps:g} fps)")
        preview.close()

    # Memory over a long run of changes and playback on the clip example.
    preview = Preview(options.plenorium, "examples/clips_wall.json")
    frames = preview.state["comp"]["frames"]
    start = time.time()
    samples = []
    round_ = 0
    while time.time() - start < options.minutes * 60:
        slider_changes(preview, 10, round_ % frames)
        frames_forward(preview, 0, frames, 4)
        samples.append(preview.rss_mb())
        round_ += 1
    step = max(1, len(samples) // 8)
    print("\nresident memory by round: " + ", ".join(f"{samples[i]:.0f}" for i in range(0, len(samples), step)) + " MB")
    print(f"memory over {options.minutes:g} min ({round_} rounds of 10 changes and a playback): "
          f"first {samples[0]:.0f} MB, largest {max(samples):.0f} MB, last {samples[-1]:.0f} MB "
          f"(cache budget 256 MB)")
    preview.close()


if __name__ == "__main__":
    sys.exit(main())
