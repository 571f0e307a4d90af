#!/usr/bin/env python3
"""Checks a calibration picture as a reader's tools see it: it parses as XML,
each view holds the expected number of sample marks, and headless Chromium
renders it to a PNG of the picture's own size, its DOM free of parser errors.
The PNG and a copy of the picture stay in ARTEFACT_DIR.
Usage: check_picture.py SVG KEPT ARTEFACT_DIR"""
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ET

NS = '{http://www.w3.org/2000/svg}'
PROJECTIONS = ['%s-%s' % (s, p) for s in ('before', 'after') for p in ('xy', 'xz', 'yz')]


def fail(message):
    print('check_picture: ' + message, file=sys.stderr)
    sys.exit(1)


def check_marks(root, kept):
    marks = {g.get('id'): len(g.findall(NS + 'circle'))
             for g in root.iter(NS + 'g') if g.get('class') == 'marks'}
    if sorted(marks) != sorted(['upper', 'lower'] + PROJECTIONS):
        fail('views with marks: %s' % sorted(marks))
    if marks['upper'] + marks['lower'] != kept or min(marks['upper'], marks['lower']) == 0:
        fail('hemispheres hold %d + %d marks for %d kept samples' % (marks['upper'], marks['lower'], kept))
    for view in PROJECTIONS:
        if marks[view] != kept:
            fail('view %s holds %d marks for %d kept samples' % (view, marks[view], kept))


def chromium(browser, profile_root, args, url):
    profile = tempfile.mkdtemp(dir=profile_root)
    cmd = [browser, '--headless', '--no-sandbox', '--disable-gpu', '--no-first-run',
           '--disable-background-networking', '--disable-component-update', '--disable-sync',
           '--disable-dev-shm-usage', '--user-data-dir=' + profile] + args + [url]
    return subprocess.run(cmd, capture_output=True, text=True, timeout=300)


def check_render(svg, width, height, artefacts):
    browser = shutil.which('chromium')
    if browser is None:
        fail('chromium is not installed; tools/install-deps.sh chromium installs it (test.sh does)')
    os.makedirs(artefacts, exist_ok=True)
    shutil.copy(svg, os.path.join(artefacts, 'aq9cal-picture.svg'))
    png = os.path.join(artefacts, 'aq9cal-picture.png')
    if os.path.exists(png):
        os.unlink(png)
    url = 'file://' + os.path.abspath(svg)
    with tempfile.TemporaryDirectory() as work:
        dom = chromium(browser, work, ['--dump-dom'], url)
        shot = chromium(browser, work, ['--window-size=%d,%d' % (width, height), '--screenshot=' + png], url)
    if dom.returncode != 0 or 'parsererror' in dom.stdout or '<svg' not in dom.stdout:
        fail('chromium --dump-dom: status %d, %s' % (dom.returncode, (dom.stdout + dom.stderr)[-800:]))
    if shot.returncode != 0 or not os.path.exists(png):
        fail('chromium --screenshot: status %d, %s' % (shot.returncode, shot.stderr[-800:]))
    with open(png, 'rb') as f:
        head = f.read(24)
    if head[:8] != b'\x89PNG\r\n\x1a\n':
        fail('%s is no PNG' % png)
    size = struct.unpack('>II', head[16:24])
    if size != (width, height):
        fail('rendered %dx%d, the picture is %dx%d' % (size + (width, height)))


def main():
    if len(sys.argv) != 4:
        fail('usage: check_picture.py SVG KEPT ARTEFACT_DIR')
    svg, kept, artefacts = sys.argv[1], int(sys.argv[2]), sys.argv[3]
    try:
        root = ET.parse(svg).getroot()
    except ET.ParseError as e:
        fail('%s: %s' % (svg, e))
    if root.tag != NS + 'svg':
        fail('root element %s' % root.tag)
    check_marks(root, kept)
    check_render(svg, int(root.get('width')), int(root.get('height')), artefacts)
    print('check_picture: %s parses, %d marks per view, rendered to %s' %
          (svg, kept, os.path.join(artefacts, 'aq9cal-picture.png')))


main()
