#!/usr/bin/env python3
"""The map page (resource 153) in real headless Chromium, driven by the map host's own call texts.

The page is used as stored, except that its map service script element is replaced by a stand-in
(maps_api_standin.js) and a harness (page_harness.js) is added before </body>; the network is not
used. The harness runs the host's call texts in order and reports the stand-in's state after each.

Usage: map_page_test.py --page PAGE --picture PNG --calls-tool TOOL [--chromium PATH]
"""
import argparse
import html
import json
import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
SERVICE_SCRIPT = ('<script type="text/javascript" '
                  'src="https://maps.googleapis.com/maps/api/js?v=3&sensor=false"></script>')
ICONS = "https://maps.google.com/mapfiles/kml/"
CHROMIUM_SECONDS = 60

TOKYO = (35.679916, 139.770161)
ROUTE = [(35.681236, 139.767125), (35.6822, 139.7689), (35.68333, 139.77001), (35.6841, 139.7712)]
MOVE = (35.6762, 139.6503)
SELECT = (35.6586, 139.7454)
CENTRE = (35.7101, 139.8107)
SECOND_ROUTE = [(-33.8568, 151.2153), (-33.8572, 151.2160)]

# (operation, position or None); the host turns each into one call text.
SCENARIO = (
    [("MovPos", MOVE), ("SetPos", SELECT), ("DrawFilePathClearAll", None)]       # clear before any route
    + [("DrawFilePathBegin", None), ("SetCenter", ROUTE[0]), ("PathStart", ROUTE[0])]
    + [("DrawFilePathPlot", p) for p in ROUTE]
    + [("DrawFilePathEnd", ROUTE[-1]), ("DrawFilePathPlot", (1.0, 2.0))]        # a plot after the end
    + [("MovPos", MOVE), ("SetPos", SELECT), ("SetCenter", CENTRE)]
    + [("DrawFilePathClearAll", None), ("DrawFilePathBegin", None), ("SetCenter", SECOND_ROUTE[0]),
       ("PathStart", SECOND_ROUTE[0])]                                              # a second log
    + [("DrawFilePathPlot", p) for p in SECOND_ROUTE]
    + [("DrawFilePathEnd", SECOND_ROUTE[-1])]
)

ARGS = None
RESULT = None
CALLS = None


def host_calls(tool):
    lines = "".join(f"{op} {p[0]!r} {p[1]!r}\n" if p else f"{op}\n" for op, p in SCENARIO)
    done = subprocess.run([tool], input=lines, capture_output=True, text=True, timeout=30, check=True)
    return done.stdout.splitlines()


def test_page(page_path, calls):
    """The stored page with the service script swapped for the stand-in and the harness added."""
    with open(page_path, "rb") as f:
        data = f.read()
    if not data.startswith(b"\xef\xbb\xbf"):
        raise AssertionError("the page does not start with a byte order mark")
    text = data[3:].decode("utf-8")
    if text.count(SERVICE_SCRIPT) != 1:
        raise AssertionError("the page does not load the map service with exactly one script element")
    if text.count("</body>") != 1:
        raise AssertionError("the page has not exactly one </body>")
    text = text.replace(SERVICE_SCRIPT, '<script type="text/javascript" src="maps_api_standin.js"></script>')
    harness = ("<script>var HOST_CALLS = " + json.dumps(calls) + ";</script>\r\n"
               '<script src="page_harness.js"></script>\r\n')
    return text.replace("</body>", harness + "</body>")


def run_chromium(chromium, url, profile):
    command = [chromium, "--headless", "--no-sandbox", "--disable-gpu", "--no-first-run",
               "--disable-background-networking", "--disable-component-update", "--disable-sync",
               "--allow-file-access-from-files", "--host-resolver-rules=MAP * ~NOTFOUND",
               "--user-data-dir=" + profile, "--virtual-time-budget=5000", "--dump-dom", url]
    # A session of its own, so that a time-out ends Chromium's helper processes too.
    proc = subprocess.Popen(command, stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True,
                            start_new_session=True)
    try:
        out, err = proc.communicate(timeout=CHROMIUM_SECONDS)
    except subprocess.TimeoutExpired:
        os.killpg(proc.pid, signal.SIGKILL)
        proc.communicate()
        raise AssertionError(f"Chromium did not finish within {CHROMIUM_SECONDS} s")
    finally:
        if proc.poll() is None:
            os.killpg(proc.pid, signal.SIGKILL)
    found = re.search(r'<pre id="kemlog-result">(.*?)</pre>', out, re.S)
    if not found:
        raise AssertionError("no result in the page; Chromium said:\n" + err[-3000:])
    return json.loads(html.unescape(found.group(1)))


def setUpModule():
    global RESULT, CALLS
    if not os.access(ARGS.chromium, os.X_OK):
        raise AssertionError(f"{ARGS.chromium} is missing: scripts/setup installs the chromium package")
    CALLS = host_calls(ARGS.calls_tool)
    work = tempfile.mkdtemp(prefix="kemlog-map-page-")
    try:
        with open(os.path.join(work, "map_page.html"), "w", encoding="utf-8-sig", newline="") as f:
            f.write(test_page(ARGS.page, CALLS))
        for name in ("maps_api_standin.js", "page_harness.js"):
            shutil.copy(os.path.join(HERE, name), work)
        shutil.copy(ARGS.picture, os.path.join(work, "196"))  # where the page's relative "196" leads
        profile = os.path.join(work, "profile")
        os.mkdir(profile)
        RESULT = run_chromium(ARGS.chromium, "file://" + os.path.join(work, "map_page.html"), profile)
    finally:
        shutil.rmtree(work, ignore_errors=True)


def six(p):
    """A position as the page receives it: printed with six decimals."""
    return [round(p[0], 6), round(p[1], 6)]


class PageTest(unittest.TestCase):
    def step(self, index):
        """The snapshot after the index-th host call (0: after loading, before any call)."""
        return RESULT["steps"][index]

    def assertPosition(self, actual, expected, what):
        self.assertIsNotNone(actual, what + " has no position")
        self.assertAlmostEqual(actual[0], expected[0], places=9, msg=what)
        self.assertAlmostEqual(actual[1], expected[1], places=9, msg=what)

    def marker(self, snap, name):
        index = snap["globals"][name]
        self.assertGreaterEqual(index, 0, name + " was not made")
        return snap["markers"][index]

    def centre(self, snap):
        self.assertEqual(len(snap["maps"]), 1, "the page makes exactly one map")
        return snap["maps"][0]["center"]


class Loading(PageTest):
    def test_every_call_ran(self):
        self.assertEqual(len(CALLS), len(SCENARIO))
        self.assertEqual([s["call"] for s in RESULT["steps"][1:]], CALLS)

    def test_initialize_makes_the_map_and_two_unplaced_markers(self):
        snap = self.step(0)
        self.assertEqual(snap["errors"], [])
        self.assertEqual(snap["maps"], [{"center": list(TOKYO), "zoom": 15, "mapTypeId": "roadmap",
                                         "element": "map_canvas", "isPageMap": True}])
        self.assertEqual(snap["markers"], [
            {"position": None, "icon": "196", "title": "", "onPageMap": True},
            {"position": None, "icon": ICONS + "shapes/placemark_circle_highlight.png", "title": "",
             "onPageMap": True},
        ])
        self.assertEqual((snap["globals"]["aitmarker"], snap["globals"]["redMarker"]), (0, 1))
        self.assertEqual((snap["globals"]["startMarker"], snap["globals"]["endMarker"]), (-1, -1))
        self.assertEqual((snap["polylines"], snap["routes"], snap["file_poly_idx"]), ([], [], 0))

    def test_moving_marker_picture_is_reached_through_its_relative_address(self):
        self.assertTrue(RESULT.get("pictureUrl", "").endswith("/196"), RESULT.get("pictureUrl"))
        picture = RESULT["picture"]
        self.assertIsNotNone(picture, "the marker picture at \"196\" did not load")
        self.assertEqual((picture["width"], picture["height"]), (24, 24))
        self.assertIsNotNone(picture["alpha"], picture.get("alphaError"))
        self.assertEqual(picture["alpha"]["corner"], 0, "the marker's corners are transparent")
        self.assertEqual(picture["alpha"]["centre"], 255, "the marker's middle is opaque")

    def test_error_handler_returns_true(self):
        self.assertIs(RESULT["onerrorResult"], True)


class Markers(PageTest):
    def test_movpos_centres_the_map_and_moves_the_moving_marker(self):
        snap = self.step(1)
        self.assertPosition(self.marker(snap, "aitmarker")["position"], six(MOVE), "moving marker")
        self.assertPosition(self.centre(snap), six(MOVE), "map centre after movpos")
        self.assertIsNone(self.marker(snap, "redMarker")["position"])

    def test_setpos_moves_the_selection_marker_without_recentring(self):
        for index in (2, 14):
            snap = self.step(index)
            self.assertEqual(snap["call"], CALLS[index - 1])
            self.assertTrue(snap["call"].startswith("setpos("))
            self.assertPosition(self.marker(snap, "redMarker")["position"], six(SELECT), "selection marker")
            self.assertPosition(self.centre(snap), six(MOVE), "the centre stays where movpos put it")
            self.assertPosition(self.marker(snap, "aitmarker")["position"], six(MOVE), "moving marker")

    def test_clear_all_before_any_route_takes_both_markers_off(self):
        snap = self.step(3)
        self.assertEqual(snap["call"], "draw_file_path_clear_all()")
        self.assertEqual(snap["errors"], [], "markers never made are skipped without an error")
        self.assertIsNone(self.marker(snap, "aitmarker")["position"])
        self.assertIsNone(self.marker(snap, "redMarker")["position"])
        self.assertEqual((snap["file_poly_idx"], snap["routes"], snap["polylines"]), (0, [], []))
        self.assertPosition(self.centre(snap), six(MOVE), "clearing leaves the map where it is")

    def test_set_center_moves_only_the_map(self):
        snap = self.step(15)
        self.assertTrue(snap["call"].startswith("set_center("))
        self.assertPosition(self.centre(snap), six(CENTRE), "map centre")
        self.assertPosition(self.marker(snap, "aitmarker")["position"], six(MOVE), "moving marker")
        self.assertPosition(self.marker(snap, "redMarker")["position"], six(SELECT), "selection marker")


class Route(PageTest):
    def test_route_is_drawn_with_its_stroke_and_points(self):
        snap = self.step(11)
        self.assertTrue(snap["call"].startswith("draw_file_path_end("))
        self.assertEqual(len(snap["polylines"]), 1)
        line = snap["polylines"][0]
        self.assertEqual((line["strokeColor"], line["strokeOpacity"], line["strokeWeight"], line["onPageMap"]),
                         ("#0A0AFF", 0.8, 5, True))
        self.assertEqual(len(line["points"]), len(ROUTE))
        for got, want in zip(line["points"], ROUTE):
            self.assertPosition(got, six(want), "route point")
        self.assertEqual(snap["routes"], [0])
        self.assertTrue(snap["pathsMatchRoutes"])
        self.assertEqual(snap["file_poly_idx"], 1)

    def test_begin_stores_an_empty_route_at_the_current_index(self):
        snap = self.step(4)
        self.assertEqual(snap["call"], "draw_file_path_begin()")
        self.assertEqual((snap["routes"], snap["file_poly_idx"], snap["polylines"][0]["points"]), ([0], 0, []))

    def test_start_and_end_markers(self):
        snap = self.step(11)
        start, end = self.marker(snap, "startMarker"), self.marker(snap, "endMarker")
        self.assertEqual((start["icon"], start["onPageMap"]), (ICONS + "paddle/S-lv.png", True))
        self.assertEqual((end["icon"], end["onPageMap"]), (ICONS + "paddle/E-lv.png", True))
        self.assertPosition(start["position"], six(ROUTE[0]), "start marker")
        self.assertPosition(end["position"], six(ROUTE[-1]), "end marker")
        self.assertPosition(self.centre(snap), six(ROUTE[0]), "centre set for the route")
        self.assertEqual(self.step(6)["globals"]["endMarker"], -1, "no end marker before the end")

    def test_plot_after_end_is_swallowed_and_draws_nothing(self):
        before, after = self.step(11), self.step(12)
        self.assertEqual(after["call"], "draw_file_path_plot(1.000000, 2.000000)")
        self.assertEqual(len(after["errors"]), 1, "the plot fails inside the page")
        self.assertTrue(after["errors"][0]["swallowed"], "the page's error handler swallows it")
        for key in ("polylines", "markers", "routes", "file_poly_idx", "maps"):
            self.assertEqual(after[key], before[key], key)

    def test_only_the_stray_plot_fails(self):
        failing = [s["call"] for s in RESULT["steps"] if s["errors"]]
        self.assertEqual(failing, ["draw_file_path_plot(1.000000, 2.000000)"])

    def test_clear_all_empties_the_routes_and_takes_every_marker_off(self):
        snap = self.step(16)
        self.assertEqual(snap["call"], "draw_file_path_clear_all()")
        self.assertEqual((snap["routes"], snap["file_poly_idx"]), ([], 0))
        self.assertEqual(snap["polylines"][0]["points"], [], "the old route's points are removed")
        for name in ("startMarker", "endMarker", "redMarker", "aitmarker"):
            self.assertIsNone(self.marker(snap, name)["position"], name)

    def test_second_log_draws_a_new_route_at_index_zero_with_new_markers(self):
        first, last = self.step(11), RESULT["steps"][-1]
        self.assertEqual(len(last["polylines"]), 2)
        self.assertEqual(last["routes"], [1])
        self.assertEqual(last["file_poly_idx"], 1)
        self.assertEqual(last["polylines"][0]["points"], [])
        for got, want in zip(last["polylines"][1]["points"], SECOND_ROUTE):
            self.assertPosition(got, six(want), "second route point")
        self.assertEqual(len(last["polylines"][1]["points"]), len(SECOND_ROUTE))
        # New start and end markers; the first log's stay made but without position.
        self.assertNotEqual(last["globals"]["startMarker"], first["globals"]["startMarker"])
        self.assertNotEqual(last["globals"]["endMarker"], first["globals"]["endMarker"])
        self.assertIsNone(last["markers"][first["globals"]["startMarker"]]["position"])
        self.assertIsNone(last["markers"][first["globals"]["endMarker"]]["position"])
        self.assertPosition(self.marker(last, "startMarker")["position"], six(SECOND_ROUTE[0]), "start")
        self.assertPosition(self.marker(last, "endMarker")["position"], six(SECOND_ROUTE[-1]), "end")
        self.assertEqual(len(last["markers"]), 6)


def main():
    global ARGS
    parser = argparse.ArgumentParser()
    parser.add_argument("--page", required=True)
    parser.add_argument("--picture", required=True)
    parser.add_argument("--calls-tool", required=True)
    parser.add_argument("--chromium", default="/usr/bin/chromium")
    ARGS, rest = parser.parse_known_args()
    unittest.main(argv=[sys.argv[0]] + rest, verbosity=2)


if __name__ == "__main__":
    main()
