#!/usr/bin/python3
"""Drives mousecfg the way a screen-reader user does: through AT-SPI actions, values and key
events only, never a pointer. Started by run-atspi-test.sh inside a private X server and D-Bus
session. Every page is walked for unnamed controls and misleading roles; then six tasks are
done and each is checked on what the virtual mouse received (its trace) or on what AT-SPI shows.
"""
import argparse
import os
import re
import subprocess
import sys
import time

import pyatspi
from gi.repository import GLib

from vmousetrace import Trace

INTERACTIVE = {
    'push button', 'toggle button', 'check box', 'radio button', 'combo box', 'slider',
    'spin button', 'text', 'link', 'color chooser', 'list', 'list item', 'menu item', 'page tab',
}
failures = []
focus_events = []
value_events = []
description_events = []


def fail(message):
    failures.append(message)
    print('FAIL: ' + message, flush=True)


def pump(seconds):
    """Lets AT-SPI events in for a while: the bus delivers them through GLib, which blocks until
    an event or the end of the time comes."""
    context = GLib.MainContext.default()
    done = []
    # The source ends itself: the callback returns None, which GLib takes as "remove".
    GLib.timeout_add(int(seconds * 1000), lambda: done.append(True))
    while not done:
        context.iteration(True)


def wait_for(what, check, timeout=15.0):
    end = time.monotonic() + timeout
    while time.monotonic() < end:
        try:
            result = check()
        except Exception:  # an object went away while being looked at
            result = None
        if result:
            return result
        pump(0.1)
    fail('timed out waiting for ' + what)
    return None


def showing(acc):
    return acc.getState().contains(pyatspi.STATE_SHOWING)


def walk(acc, depth=0):
    if acc is None or depth > 20:
        return
    yield acc
    for child in acc:
        if child is not None and (showing(child) or child.getRoleName() == 'list item'):
            yield from walk(child, depth + 1)


def find(root, role, name=None, pattern=None):
    for acc in walk(root):
        if acc.getRoleName() != role or not showing(acc):
            continue
        if name is not None and acc.name != name:
            continue
        if pattern is not None and not re.search(pattern, acc.name):
            continue
        return acc
    return None


def act(acc, action):
    if acc is None:
        fail('nothing to %s' % action)
        return
    ai = acc.queryAction()
    names = [ai.getName(i) for i in range(ai.nActions)]
    if action not in names:
        fail('%s %r offers %s, not %s' % (acc.getRoleName(), acc.name, names, action))
        return
    ai.doAction(names.index(action))


def key(keysym_name):
    code = {'space': 0x20, 'Return': 0xff0d, 'Tab': 0xff09, 'Escape': 0xff1b, 'Down': 0xff54, 'Home': 0xff50}.get(
        keysym_name, ord(keysym_name[0]))
    pyatspi.Registry.generateKeyboardEvent(code, None, pyatspi.KEY_SYM)
    pump(0.2)


def check_page(app, page):
    """Every control a user can reach has a name, and its role says what it does."""
    for acc in walk(app):
        role = acc.getRoleName()
        if not showing(acc):
            continue
        where = '%s: %s %r' % (page, role, acc.name)
        if role == 'frame' and acc.parent is not None and acc.parent.getRoleName() != 'application':
            fail(where + ' is an inner panel announced as a window')
        if role not in INTERACTIVE:
            continue
        parent = acc.parent
        in_popup = parent is not None and parent.getRoleName() in ('combo box', 'list') \
            and parent.parent is not None and parent.parent.getRoleName() == 'combo box'
        if role == 'list' and parent is not None and parent.getRoleName() == 'combo box':
            continue
        labelled = any(r.getRelationType() == pyatspi.RELATION_LABELLED_BY for r in acc.getRelationSet())
        if not acc.name.strip() and not labelled:
            fail(where + ' has no name')
        if role == 'list item' and not in_popup:
            try:
                ai = acc.queryAction()
                names = [ai.getName(i) for i in range(ai.nActions)]
            except NotImplementedError:
                names = []
            if 'Toggle' in names:
                fail(where + ' offers Toggle, which selects without choosing')
    # A group of check boxes with exactly one checked is one exclusive choice in disguise.
    for acc in walk(app):
        boxes = [c for c in acc if c is not None and c.getRoleName() == 'check box' and showing(c)]
        checked = [c for c in boxes if c.getState().contains(pyatspi.STATE_CHECKED)]
        if len(boxes) >= 3 and len(checked) == 1:
            fail('%s: %s are one choice shown as check boxes' % (page, [b.name for b in boxes]))


def on_value(event):
    value_events.append(event.source.name)


def on_description(event):
    description_events.append((event.source.name, event.source.description))


def on_focus(event):
    if event.detail1:
        focus_events.append((event.source.getRoleName(), event.source.name, event.source))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument('--program', required=True)
    parser.add_argument('--vmouse', required=True)
    parser.add_argument('--scratch', required=True)
    parser.add_argument('--tray', action='store_true',
                        help='run under an XEmbed tray and check only the DPI balloon')
    args = parser.parse_args()

    tray = None
    if args.tray:
        tray = subprocess.Popen(['trayer', '--edge', 'top', '--widthtype', 'pixel', '--width', '100'],
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        # The program looks for a tray once, at start: wait until there is one.
        subprocess.run(['xdotool', 'search', '--sync', '--limit', '1', '--name', '^panel$'],
                       stdout=subprocess.DEVNULL, timeout=30, check=True)

    trace = Trace(os.path.join(args.scratch, 'trace'))
    control = os.path.join(args.scratch, 'control')
    os.mkfifo(control)
    env = dict(os.environ)
    env.update({
        'LD_PRELOAD': args.vmouse,
        'VMOUSE_TRACE': trace.path,
        'VMOUSE_CONTROL': control,
        # The preloaded mouse comes before the sanitizer runtime; leaks of the desktop
        # libraries at exit are not what this test is about.
        'ASAN_OPTIONS': 'verify_asan_link_order=0:detect_leaks=0',
    })
    log = open(os.path.join(args.scratch, 'program.log'), 'w')
    program = subprocess.Popen([args.program], env=env, stdout=log, stderr=subprocess.STDOUT,
                               cwd=os.path.dirname(args.program))
    started = time.monotonic()
    pyatspi.Registry.registerEventListener(on_focus, 'object:state-changed:focused')
    pyatspi.Registry.registerEventListener(on_value, 'object:property-change:accessible-value')
    pyatspi.Registry.registerEventListener(on_description,
                                           'object:property-change:accessible-description')
    try:
        run(program, trace, control, args.tray)
    finally:
        if tray:
            tray.terminate()
        program.terminate()
        try:
            program.wait(20)
        except subprocess.TimeoutExpired:
            print('the program did not end within 20 s of SIGTERM')
            program.kill()
        log.close()
    print('took %.1f s' % (time.monotonic() - started))
    if failures:
        with open(os.path.join(args.scratch, 'program.log'), encoding='utf-8', errors='replace') as f:
            sys.stdout.write(f.read()[-3000:])
        print('%d failure(s)' % len(failures))
        return 1
    print('all screen-reader checks passed')
    return 0


def run(program, trace, control, tray):
    def find_app():
        for a in pyatspi.Registry.getDesktop(0):
            if a is not None and a.get_process_id() == program.pid:
                return a
        return None

    app = wait_for('the program on the accessibility bus', find_app, 60)
    if not app:
        return
    window = wait_for('the main window', lambda: find(app, 'frame'), 60)
    if not window:
        return
    if tray:
        task_tray_alert(app, control)
        return
    pages = ['Key Settings', 'DPI Settings', 'Lighting', 'Macro Editor', 'Sensor']
    for page in pages:
        button = wait_for('navigation button ' + page, lambda: find(window, 'radio button', page))
        if not button:
            return
        act(button, 'Toggle')   # the action that used to check the button without switching
        wait_for(page + ' shown',
                 lambda: button.getState().contains(pyatspi.STATE_CHECKED) and page_shown(window, page))
        check_page(window, page)

    tasks = [lambda: task_volume_up(window, trace), lambda: task_dpi(window, trace),
             lambda: task_breathing(window, trace), lambda: task_report_rate(window, trace),
             lambda: task_macro(window, trace), lambda: task_settings_menu(app, window),
             lambda: task_dpi_alert(window, control), lambda: task_focus_follows(window)]
    for task in tasks:
        try:
            task()
        except Exception as e:  # one broken task must not hide the others' results
            fail('%s: %r' % (task.__code__.co_names, e))


def page_shown(window, page):
    marks = {'Key Settings': ('list', 'Key Settings'), 'DPI Settings': ('radio button', 'Level 1'),
             'Lighting': ('slider', None), 'Macro Editor': ('list', 'Macro List'),
             'Sensor': ('label', None)}
    role, name = marks[page]
    return find(window, role, name) is not None


def go(window, page):
    act(find(window, 'radio button', page), 'Press')
    wait_for(page + ' shown', lambda: page_shown(window, page))


def assign(window, key_row, category, function):
    go(window, 'Key Settings')
    row = wait_for('key row ' + key_row, lambda: find(window, 'list item', pattern='^' + key_row))
    act(row, 'Press')
    cat = wait_for(category + ' row', lambda: find(window, 'list item', category))
    act(cat, 'Press')
    if function:
        item = wait_for(function + ' row', lambda: find(window, 'list item', function))
        act(item, 'Press')


def task_volume_up(window, trace):
    assign(window, '3', 'Multimedia', 'Volume Up')
    wait_for('Volume Up on button 3 in the mouse', lambda: trace.key(2) == '4,0,233,0')


def task_dpi(window, trace):
    go(window, 'DPI Settings')
    act(find(window, 'radio button', 'Level 2'), 'Press')
    slider = wait_for('the slider naming level 2', lambda: find(window, 'slider', pattern='^Level 2'))
    if not slider:
        return
    slider.queryValue().currentValue = 1600
    wait_for('level 2 at 1600 in the mouse',
             lambda: (trace.last('dpi-x level=') or '').split('level0..3=')[-1].split(',')[1:2] == ['31'])
    card = find(window, 'text', 'Level 2')
    if card and card.queryText().getText(0, -1) != '1600':
        fail('level 2 card shows %r after the slider was set' % card.queryText().getText(0, -1))


def task_breathing(window, trace):
    go(window, 'Lighting')
    effect = find(window, 'radio button', 'Breathing')
    if not effect:
        fail('the Breathing effect is not a radio button')
        return
    act(effect, 'Toggle')
    if not wait_for('Breathing in the mouse',
                    lambda: (trace.last('lighting mode=') or '').startswith('lighting mode=1 ')):
        print('last lighting command: %s' % trace.last('lighting'))
    # Values as the page shows them, with change events.
    brightness = find(window, 'slider', 'Brightness')
    value = brightness.queryValue()
    if (value.minimumValue, value.maximumValue) != (0, 100):
        fail('brightness reads %s..%s, not a percentage' % (value.minimumValue, value.maximumValue))
    del value_events[:]
    value.currentValue = 75
    wait_for('brightness at 75 %', lambda: value.currentValue == 75)
    if brightness.description:
        fail('the brightness says its value twice: as value and as description %r' % brightness.description)
    wait_for('a value-change event from the brightness', lambda: 'Brightness' in value_events)
    speed = find(window, 'slider', pattern='^Speed')
    speed_names = ('Slowest', 'Slow', 'Medium', 'Fast', 'Fastest')
    if not speed or not speed.name.endswith(speed_names):
        fail('the speed slider does not say its speed: %r' % (speed.name if speed else None))
    bar = find(window, 'color chooser')
    if not bar or not re.search(r'R \d+, G \d+, B \d+', bar.name):
        fail('the colour bar does not say its colour: %r' % (bar.name if bar else None))
    swatch = find(window, 'combo box', pattern='^Colors 1')
    if not swatch or not re.search(r'R \d+, G \d+, B \d+', swatch.description):
        fail('a colour slot does not say its colour: %r' % (swatch.description if swatch else None))


def task_report_rate(window, trace):
    go(window, 'DPI Settings')
    act(find(window, 'radio button', 'Report Rate 500'), 'Toggle')
    wait_for('report rate 500 in the mouse', lambda: trace.last('report-rate ') == 'report-rate 2')


def task_macro(window, trace):
    go(window, 'Macro Editor')
    act(find(window, 'push button', 'Add macro'), 'Press')
    field = wait_for('the macro name prompt', lambda: find_text_in_dialog(window))
    if not field:
        return
    for c in 'ab':
        key(c)
    key('Return')
    record = wait_for('the Record button', lambda: find(window, 'push button', 'Record'))
    if not record:
        return
    act(record, 'Press')
    wait_for('Record checked', lambda: record.getState().contains(pyatspi.STATE_CHECKED))
    pump(1)
    key('z')
    act(record, 'Press')
    wait_for('Record unchecked', lambda: not record.getState().contains(pyatspi.STATE_CHECKED))
    actions = find(window, 'list', 'Macro Actions')
    if actions is None or actions.childCount == 0:
        fail('recording Z left no actions')
    assign(window, '4', 'Macro', None)
    save = wait_for('the macro picker', lambda: find_in_panel_with(window, 'link', 'push button', 'Save'))
    if not save:
        return
    # From the keyboard, as a screen-reader user saves: the new function is said on Save.
    save.queryComponent().grabFocus()
    wait_for('focus on Save', lambda: save.getState().contains(pyatspi.STATE_FOCUSED))
    del description_events[:]
    key('space')
    wait_for('Save saying what button 4 does now', lambda: any(
        n == 'Save' and d == 'Button 4: ab' for n, d in description_events))
    # A macro binding reaches the mouse as kind 10: macro 0, play mode 1, button index 3.
    if not wait_for('button 4 bound to the macro in the mouse', lambda: trace.key(3) == '10,0,1,3'):
        print('button 4 holds %s' % trace.key(3))
    if not wait_for('the macro sent for button 4', lambda: re.match(
            r'macro button 3 actions=[1-9]', trace.last('macro button 3 actions=') or '')):
        print('last macro command: %s' % trace.last('macro button 3 actions='))


def find_text_in_dialog(window):
    desktop_app = window.parent
    for top in desktop_app:
        if top is not None and top.getRoleName() == 'dialog' and showing(top):
            return find(top, 'text')
    return None


def find_in_panel_with(window, marker_role, role, name):
    for acc in walk(window):
        if acc.getRoleName() == 'panel' and any(c is not None and c.getRoleName() == marker_role for c in acc):
            return find(acc, role, name)
    return None


def task_settings_menu(app, window):
    button = find(window, 'push button', 'Settings menu')
    if not button:
        fail('no named settings button in the title bar')
        return
    # Tab reaches the title bar; the button's own key opens the menu. A pop-up menu is not a
    # child of the application: a screen reader meets it through the focus on its first item.
    button.queryComponent().grabFocus()
    wait_for('focus on the settings button', lambda: button.getState().contains(pyatspi.STATE_FOCUSED))
    del focus_events[:]
    key('space')
    item = wait_for('the settings menu', lambda: next(
        (src for role, name, src in focus_events if role == 'menu item'), None))
    if item:
        entries = [c for c in item.parent if c.getRoleName() != 'separator']
        names = [c.name for c in entries]
        if not all(names) or not names[0] == 'Website' or not names[2].startswith('Version'):
            fail('settings menu holds %s' % names)
        print('settings menu: %s' % names)
        # The firmware update: a named dialog whose warning is read, with focus on Cancel.
        del focus_events[:]
        key('Down')
        key('Return')
        dialog = wait_for('the update dialog', lambda: next(
            (t for t in app if t is not None and t.getRoleName() == 'dialog' and showing(t)
             and t.name == 'Firmware Update'), None))
        if dialog:
            if 'unplug' not in dialog.description:
                fail('the update dialog does not carry its warning: %r' % dialog.description)
            wait_for('focus on the safe button', lambda: any(
                r == 'push button' and n == 'Cancel' for r, n, src in focus_events))
            key('Return')
            wait_for('the update dialog closed by Enter on Cancel', lambda: not showing(dialog))


def task_dpi_alert(window, control):
    # The mouse's DPI button: the notice must be an alert that says the new DPI.
    with open(control, 'w') as f:
        f.write('dpi-button 0 2\n')
    wait_for('an alert reading the DPI', lambda: next(
        (a for a in walk(window) if a.getRoleName() in ('alert', 'notification')
         and showing(a) and 'DPI' in a.name and '1600' in a.name), None))


def task_tray_alert(app, control):
    """With a tray, the DPI balloon is a window of its own: an alert read as it shows."""
    with open(control, 'w') as f:
        f.write('dpi-button 0 2\n')
    wait_for('a balloon alert reading the DPI', lambda: next(
        (t for t in app if t is not None and t.getRoleName() == 'alert' and showing(t)
         and 'DPI' in t.name and '1600' in t.name), None))


def task_focus_follows(window):
    """Focus events name only what really has the focus; a column opened by a key takes it."""
    go(window, 'Key Settings')
    marker = find(window, 'push button', pattern='^Button 2')
    marker.queryComponent().grabFocus()
    wait_for('focus on key marker 2', lambda: marker.getState().contains(pyatspi.STATE_FOCUSED))
    del focus_events[:]
    key('space')
    pump(1)
    stray = [(r, n) for r, n, src in focus_events if n != marker.name]
    if stray:
        fail('Space on a key marker announced focus on %s' % stray)
    keys = find(window, 'list', 'Key Settings')
    keys.queryComponent().grabFocus()
    wait_for('focus in the key list', lambda: keys.getState().contains(pyatspi.STATE_FOCUSED))
    del focus_events[:]
    key('Return')
    wait_for('the category column announced', lambda: any(
        n == 'Key Function' or (r == 'list item' and src.parent.name == 'Key Function')
        for r, n, src in focus_events))
    key('Home')
    for _ in range(5):
        key('Down')
    del focus_events[:]
    key('Return')
    wait_for('the multimedia column announced', lambda: any(
        n == 'Multimedia' or (r == 'list item' and src.parent.name == 'Multimedia')
        for r, n, src in focus_events))
    key('Down')
    del focus_events[:]
    key('Return')
    pump(1)
    stray = [(r, n) for r, n, src in focus_events if src.parent is None or src.parent.name != 'Multimedia']
    if stray:
        fail('choosing a multimedia row announced focus on %s' % stray)


if __name__ == '__main__':
    sys.exit(main())
