#!/usr/bin/python3
"""Drives mousecfg as a blind user does: the real Orca runs, keys go in through XTEST (so Orca
sees them first), and every check waits on what Orca says and on what the virtual mouse got.
Started by run-orca-test.sh inside a private X server, D-Bus session and speech-dispatcher.
"""
import argparse
import os
import pty
import re
import shutil
import subprocess
import sys
import threading
import time
import tty

from vmousetrace import Trace

# What Orca must say at each confirmation: regular expressions, searched in the lines spoken
# since the key that asked for it, joined by newlines (so ^ and $ work on a line).
EXPECT = {
    'orca ready': r'^Screen reader on',
    'program ready': r'^Settings menu',
    'page button': r'^(Key Settings|DPI Settings|Lighting|Macro Editor|Sensor)\.?\n(not )?selected radio button',
    'volume up': r'Button 3: Volume Up',
    'dpi level': r'Level 2: 1200 DPI',
    'rate checked': r'Report Rate (\d+)\.?\n(?:selected|checked)',
    'breathing checked': r'Breathing\.?\n(?:selected|checked)',
    'macro created': r'Macro "%s" created',
    'recording': r'Recording',
    'recording stopped': r'Recording stopped: (\d+) actions?',
    'profile created': r'Profile "%s" created',
    'profile switched': r'Profile "%s" applied to the mouse',
    # The profile the program starts with, by its name.
    'first profile': 'Standard',
}
# Orca's replies under the sanitizer build come slowly.
REPLY_TIMEOUT = 10.0
# The tasks stop here, so that the transcript is printed before CTest's time-out ends the run.
budget_end = [float('inf')]

failures = []


def fail(message):
    failures.append((Speech.task, message))
    print('FAIL [%s]: %s' % (Speech.task, message), flush=True)


class Speech:
    """Orca's debug output, read from a terminal so that Orca writes it line by line; each
    spoken line is kept with the task that was running."""
    task = 'start-up'
    # The utterance, then the voice Orca used: "SPEECH OUTPUT: 'text'{'family': ...}". Echoed
    # keys and characters come with a space before the voice: "SPEECH OUTPUT: 'tab ' {...}".
    SPOKEN = re.compile(r"SPEECH OUTPUT: '(.*?)'( ?)(?: voice=\w+)?(?:\{.*\}|None)?\s*$")

    def __init__(self, log_path):
        self.master, slave = pty.openpty()
        tty.setraw(slave)
        self.slave_name = os.ttyname(slave)
        self.slave = slave
        self.lines = []        # (time, task, text): what Orca says about the program
        self.echoes = []       # (index into lines, task, text): echoed keys and characters
        self.cond = threading.Condition()
        self.log = open(log_path, 'w', encoding='utf-8')
        threading.Thread(target=self._read, daemon=True).start()

    def _read(self):
        pending = b''
        while True:
            try:
                chunk = os.read(self.master, 65536)
            except OSError:
                return
            if not chunk:
                return
            pending += chunk
            *complete, pending = pending.split(b'\n')
            for raw in complete:
                line = raw.decode('utf-8', 'replace').rstrip('\r')
                self.log.write(line + '\n')
                m = self.SPOKEN.search(line)
                if m and m.group(2):
                    with self.cond:
                        self.echoes.append((len(self.lines), Speech.task, m.group(1).strip()))
                elif m:
                    text = m.group(1)
                    with self.cond:
                        self.lines.append((time.monotonic(), Speech.task, text))
                        self.cond.notify_all()
                    print('  orca [%s]: %s' % (Speech.task, text), flush=True)
            self.log.flush()

    def mark(self):
        with self.cond:
            return len(self.lines)

    def since(self, mark):
        with self.cond:
            return [t for _, _, t in self.lines[mark:]]

    def wait(self, pattern, since, timeout=REPLY_TIMEOUT, what=None, quiet=False):
        """The match in the lines spoken after `since` (joined by newlines), or None (and a
        failure) at the timeout."""
        rx = re.compile(pattern, re.M)
        end = time.monotonic() + timeout
        with self.cond:
            while True:
                m = rx.search('\n'.join(t for _, _, t in self.lines[since:]))
                if m:
                    return m
                left = end - time.monotonic()
                if left <= 0:
                    break
                self.cond.wait(left)
        if not quiet:
            fail('Orca did not say %s (/%s/) within %.0f s' % (what or 'it', pattern, timeout))
        return None

    def quiet(self, seconds=1.0, limit=10.0):
        """Waits until Orca has said nothing for `seconds`: it has finished with the last key."""
        end = time.monotonic() + limit
        while time.monotonic() < end:
            with self.cond:
                last = self.lines[-1][0] if self.lines else 0
            if time.monotonic() - last >= seconds:
                return
            time.sleep(0.1)


def wait_until(what, check, timeout=REPLY_TIMEOUT, must=True):
    end = time.monotonic() + timeout
    while time.monotonic() < end:
        result = check()
        if result:
            return result
        time.sleep(0.1)
    if must:
        fail('timed out waiting for ' + what)
    return None


def xdo(*args):
    subprocess.run(['xdotool'] + list(args), check=True)


def key(*names):
    """Presses keys through XTEST, as a keyboard does: Orca hears them before the program."""
    xdo('key', '--delay', '80', *names)


def seek(speech, keyname, pattern, presses=12, what=None):
    """Presses `keyname` until Orca says something matching `pattern`: the way a user looks
    for a control, one key at a time, listening. Returns the match or None (a failure)."""
    rx = re.compile(pattern, re.M)
    for _ in range(presses):
        if time.monotonic() > budget_end[0]:
            fail('out of time looking for %s' % (what or pattern))
            return None
        mark = speech.mark()
        key(keyname)
        # Orca answers a move within a second or two, the name perhaps after its context.
        speech.wait(r'.', mark, 6, quiet=True)
        speech.quiet(0.4, 4)
        m = rx.search('\n'.join(speech.since(mark)))
        if m:
            return m
    fail('%s never reached %s in %d presses of %s (last: %r)' % (
        Speech.task, what or pattern, presses, keyname, speech.since(max(0, speech.mark() - 3))))
    return None


def type_text(text):
    xdo('type', '--delay', '80', text)


def start_orca(env, speech, log):
    cmd = ['orca', '--debug-file=' + speech.slave_name]
    # Orca refuses to start beside another Orca of the same user; as root, its own process
    # namespace hides any other one (a second test run, a desktop's reader).
    if os.getuid() == 0 and shutil.which('unshare'):
        cmd = ['unshare', '--pid', '--fork', '--mount-proc', '--kill-child=SIGTERM'] + cmd
    return subprocess.Popen(cmd, env=env, stdout=log, stderr=subprocess.STDOUT)


def start_speechd(speechd, env):
    sock = os.environ['SPEECHD_ADDRESS'].split(':', 1)[1]
    proc = subprocess.Popen(['speech-dispatcher', '-s', '-t', '0', '-C', speechd, '-c', 'unix_socket',
                             '-S', sock, '-L', os.path.join(speechd, 'log')], env=env,
                            stdout=subprocess.DEVNULL, stderr=subprocess.STDOUT)
    end = time.monotonic() + 20
    while time.monotonic() < end and not os.path.exists(sock):
        if proc.poll() is not None:
            break
        time.sleep(0.1)
    return proc, os.path.exists(sock)


def explore(fifo, speech):
    """Reads commands from a FIFO: key NAMES... | type TEXT | hold KEY SECONDS | quit."""
    while True:
        with open(fifo) as f:
            for line in f:
                cmd, _, rest = line.strip().partition(' ')
                if cmd == 'quit':
                    return
                if cmd == 'key':
                    key(*rest.split())
                elif cmd == 'type':
                    type_text(rest)
                elif cmd == 'hold':
                    name, seconds = rest.split()
                    xdo('keydown', name)
                    time.sleep(float(seconds))
                    xdo('keyup', name)
                elif cmd == 'seek':
                    name, pattern = rest.split(' ', 1)
                    seek(speech, name, pattern)
                elif cmd == 'task':
                    Speech.task = rest


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument('--program', required=True)
    parser.add_argument('--vmouse', required=True)
    parser.add_argument('--scratch', required=True)
    parser.add_argument('--speechd', required=True)
    parser.add_argument('--esc-holds', type=int, default=3)
    parser.add_argument('--explore', help='a FIFO of commands instead of the tasks')
    parser.add_argument('--budget', type=float, default=250, help='seconds for the whole run')
    args = parser.parse_args()
    budget_end[0] = time.monotonic() + args.budget

    scratch = args.scratch
    speech = Speech(os.path.join(scratch, 'orca-debug.log'))
    env = dict(os.environ)
    speechd, speechd_up = start_speechd(args.speechd, env)
    if not speechd_up:
        print('speech-dispatcher did not start')
        return 1
    orca_log = open(os.path.join(scratch, 'orca.log'), 'w')
    orca = start_orca(env, speech, orca_log)
    started = time.monotonic()
    mark = speech.mark()
    ready = None
    start_end = time.monotonic() + 60
    while not ready and orca.poll() is None and time.monotonic() < start_end:
        ready = speech.wait(EXPECT['orca ready'], mark, 1, quiet=True)
    if not ready:
        orca_log.close()
        with open(os.path.join(scratch, 'orca.log')) as f:
            sys.stdout.write(f.read()[-3000:])
        orca.kill()
        speechd.terminate()
        print('SKIP: Orca did not start (%s)' % ('it ended with status %s' % orca.returncode
                                                 if orca.returncode is not None else 'silent for 60 s'))
        return 1 if os.environ.get('CI') else 77

    trace = Trace(os.path.join(scratch, 'trace'))
    control = os.path.join(scratch, 'control')
    os.mkfifo(control)
    penv = dict(env)
    penv.update({
        'LD_PRELOAD': args.vmouse,
        'VMOUSE_TRACE': trace.path,
        'VMOUSE_CONTROL': control,
        'ASAN_OPTIONS': 'verify_asan_link_order=0:detect_leaks=0',
    })
    plog = open(os.path.join(scratch, 'program.log'), 'w')
    mark = speech.mark()
    program = subprocess.Popen([args.program], env=penv, stdout=plog, stderr=subprocess.STDOUT,
                               cwd=os.path.dirname(args.program))
    try:
        if speech.wait(EXPECT['program ready'], mark, 90, what='the program\'s first focus'):
            speech.quiet()
            if args.explore:
                explore(args.explore, speech)
            else:
                run_tasks(speech, trace, args)
    finally:
        # The program first: its key events still wait on Orca's answers.
        for proc in (program, orca, speechd):
            proc.terminate()
            try:
                proc.wait(20)
            except subprocess.TimeoutExpired:
                proc.kill()
        plog.close()
        orca_log.close()
        print('took %.1f s' % (time.monotonic() - started))
        print_transcript(speech, args.speechd)
    if failures:
        # The program's log, each distinct line once: Qt repeats its accessibility warnings.
        with open(os.path.join(scratch, 'program.log'), encoding='utf-8', errors='replace') as f:
            lines = list(dict.fromkeys(f.read().splitlines()))
        print('\n'.join(lines[-40:]))
        print('%d failure(s)' % len(failures))
        return 1
    print('all Orca checks passed')
    return 0


def print_transcript(speech, speechd):
    print('--- transcript: every line Orca spoke, by task ---')
    with speech.cond:
        lines = list(speech.lines)
        echoes = list(speech.echoes)
    # Echoed keys and characters in their place, one line per run: "(echoed: tab tab)".
    merged = [(t, text) for _, t, text in lines]
    for index, t, name in reversed(echoes):
        merged.insert(index, (t, '(echo) ' + name))
    task, run = None, []
    for t, text in merged + [(None, None)]:
        if run and (t != task or not (text or '').startswith('(echo) ')):
            print('    (echoed: %s)' % ' '.join(run))
            run = []
        if t is None:
            break
        if t != task:
            print('[%s]' % t)
            task = t
        if text.startswith('(echo) '):
            run.append(text[7:])
        else:
            print('    %s' % text)
    try:
        with open(os.path.join(speechd, 'spoken'), encoding='utf-8', errors='replace') as f:
            received = f.read().splitlines()
    except FileNotFoundError:
        received = []
    print('--- speech-dispatcher received %d line(s) ---' % len(received))
    # Orca's log says what it asked for; this says the speech server really got it.
    if lines and not any(r.startswith('Screen reader on') for r in received):
        fail('speech-dispatcher never received Orca\'s first words')


PAGES = ['Key Settings', 'DPI Settings', 'Lighting', 'Macro Editor', 'Sensor']
RATE_CODES = {'1000': 1, '500': 2, '250': 4, '125': 8}


def press(speech, keyname, pattern, what, timeout=REPLY_TIMEOUT):
    """One key, then what Orca must say to it."""
    mark = speech.mark()
    key(keyname)
    return speech.wait(pattern, mark, timeout, what=what)


def settle(speech, mark):
    speech.wait(r'.', mark, 6, quiet=True)
    speech.quiet(0.5, 5)


def go_to_page(speech, page, keyname='shift+Tab'):
    """From anywhere: Tab or Shift+Tab to the page buttons (one tab stop), then Down or Up to
    the page."""
    m = seek(speech, keyname, EXPECT['page button'], 40, 'the page buttons')
    if not m:
        return False
    now = m.group(1)
    # Orca names the button it leaves, not the one it reaches (see the findings); the page the
    # next Tab reaches tells where we are.
    for _ in range(PAGES.index(page) - PAGES.index(now)):
        mark = speech.mark()
        key('Down')
        settle(speech, mark)
    for _ in range(PAGES.index(now) - PAGES.index(page)):
        mark = speech.mark()
        key('Up')
        settle(speech, mark)
    return True


def task_volume_up(speech, trace):
    """Key Settings, key row 3, Multimedia, Volume Up, Return."""
    if not seek(speech, 'Tab', r'^List with \d+ items', 12, 'the key list'):
        return
    if not seek(speech, 'Down', r'^3: ', 8, 'key row 3'):
        return
    if not press(speech, 'Return', r'^Key Function', 'the category column opening'):
        return
    if not seek(speech, 'Down', r'^Multimedia\.?$', 10, 'the Multimedia row'):
        return
    # The column takes the focus and says its current row, the one Return chooses.
    if not press(speech, 'Return', r'^Multimedia\.?\n(?:.*\n)*?Volume Up\.?$', 'the Multimedia column opening on its row'):
        return
    mark = speech.mark()
    key('Return')
    speech.wait(EXPECT['volume up'], mark, what='the new function of button 3')
    wait_until('Volume Up on button 3 in the mouse', lambda: trace.key(2) == '4,0,233,0')


def dpi_codes(trace):
    note = trace.last('dpi-x level=') or ''
    return note.split('level0..3=')[-1].split(',')


def task_dpi(speech, trace):
    """DPI level 2 typed as 1200; then Tab goes on within the page."""
    if not go_to_page(speech, 'DPI Settings'):
        return
    if not seek(speech, 'Tab', r'^Level 2 text', 20, 'the level 2 field'):
        return
    type_text('1200')
    speech.quiet(0.5, 5)
    mark = speech.mark()
    key('Return')
    speech.wait(EXPECT['dpi level'], mark, what='the new DPI of level 2')
    # The mouse counts in steps of 50 from 50: 1200 is 23.
    wait_until('level 2 at 1200 in the mouse', lambda: dpi_codes(trace)[1:2] == ['23'])
    speech.quiet(0.5, 5)
    mark = speech.mark()
    key('Tab')
    settle(speech, mark)
    said = speech.since(mark)
    if speech.wait(r'^Settings menu', mark, 0.1, quiet=True) or not speech.wait(r'^Level 3', mark, 2, quiet=True):
        fail('Tab after the level 2 field went to %r, not to the next control (Level 3)' % said)


def task_report_rate(speech, trace):
    """The rate buttons: an arrow key chooses the next rate."""
    m = seek(speech, 'Tab', r'^Report Rate (\d+)', 30, 'the report rate buttons')
    if not m:
        return
    before = trace.last('report-rate ')
    mark = speech.mark()
    # 125 is the last of the row: from there the next rate is to the left.
    key('Left' if m.group(1) == '125' else 'Right')
    chosen = speech.wait(EXPECT['rate checked'], mark, what='a checked report rate')
    settle(speech, mark)
    if not chosen:
        print('  the Right arrow said: %r' % speech.since(mark))
        return
    code = RATE_CODES.get(chosen.group(1))
    if not wait_until('report rate %s in the mouse' % chosen.group(1),
                      lambda: trace.last('report-rate ') == 'report-rate %d' % code):
        print('  before: %s, now: %s' % (before, trace.last('report-rate ')))


def task_breathing(speech, trace):
    """Lighting: the effect Breathing."""
    if not go_to_page(speech, 'Lighting', 'Tab'):
        return
    if not seek(speech, 'Tab', r'^(Off|Static|Breathing|Color Cycle|Flowing|Reactive)\.?$', 20, 'the effects'):
        return
    mark = speech.mark()
    if not seek(speech, 'Right', r'^Breathing', 6, 'Breathing'):
        return
    said = '\n'.join(speech.since(mark))
    if not re.search(EXPECT['breathing checked'], said, re.M):
        fail('arrowing to Breathing did not choose it: Orca said %r' % said.split('\n')[-3:])
        # Space chooses it, as a toggle does; the rest of the task still runs.
        press(speech, 'space', r'^(selected|checked)', 'Breathing chosen by Space')
    wait_until('Breathing in the mouse',
               lambda: (trace.last('lighting mode=') or '').startswith('lighting mode=1 '))


def stored_actions(scratch, index=0):
    """Macro `index`'s actions as the program stored them (macro.bin, an INI file)."""
    for root, _, files in os.walk(scratch):
        if 'macro.bin' in files:
            with open(os.path.join(root, 'macro.bin'), encoding='utf-8', errors='replace') as f:
                text = f.read()
            section = re.search(r'^\[action\]\n(.*?)(?:^\[|\Z)', text, re.M | re.S)
            if section:
                m = re.search(r'^%d=(.*)$' % index, section.group(1), re.M)
                if m:
                    return m.group(1).strip().strip('"')
    return None


def settled_actions(scratch, timeout=10.0):
    """The stored actions once the program has stopped rewriting them (it saves a moment after
    each change): the same for a second."""
    end = time.monotonic() + timeout
    last, since = None, time.monotonic()
    while time.monotonic() < end:
        now = stored_actions(scratch)
        if now != last:
            last, since = now, time.monotonic()
        elif now and '@#' in now and time.monotonic() - since >= 1.0:
            return now
        time.sleep(0.1)
    fail('the recorded macro never settled in the store (last: %r)' % last)
    return last


def key_rows(actions):
    """Presses and releases, as the program counts actions; pauses are not counted."""
    return sum(1 for r in actions.split('@#')[1:] if r.endswith(('_-0', '_-1')))


def check_recorded(actions):
    """Only a and b, each press before its release, no Esc at all."""
    rows = [r.split('_-') for r in actions.split('@#')[1:]]
    problems = []
    down = set()
    for row in rows:
        if len(row) != 2:
            problems.append('odd row %r' % row)
            continue
        text, kind = row
        if re.search(r'esc', text, re.I):
            problems.append('an Esc row')
        if kind == '1':
            down.add(text)
        elif kind == '0':
            if text not in down:
                problems.append('release of %s without its press' % text)
            down.discard(text)
    keys = sorted({r[0] for r in rows if len(r) == 2 and r[1] in '01'})
    if keys != ['A', 'B'] and [k.lower() for k in keys] != ['a', 'b']:
        problems.append('keys %s, not a and b' % keys)
    return problems


def hold_escape(seconds):
    """Esc held down, as a user holds it: the X server repeats it meanwhile."""
    xdo('keydown', 'Escape')
    time.sleep(seconds)
    xdo('keyup', 'Escape')


def record_once(speech, scratch, round_no):
    """Record, a, b, Esc held 1.5 s: True when the recording stopped holding a and b only."""
    if not seek(speech, 'shift+Tab' if round_no > 1 else 'Tab', r'^Record(?! Delay)', 25, 'the Record button'):
        return False
    mark = speech.mark()
    key('space')
    # The recording goes on whether or not Orca said so: the keys and the hold still count.
    speech.wait(EXPECT['recording'], mark, what='the recording starting')
    speech.quiet(0.5, 5)
    key('a', 'b')
    mark = speech.mark()
    hold_escape(1.5)
    stopped = speech.wait(EXPECT['recording stopped'], mark, what='the recording stopping (hold %d)' % round_no)
    settle(speech, mark)
    actions = settled_actions(scratch)
    problems = check_recorded(actions) if actions else ['nothing stored']
    if actions and problems:
        fail('hold %d: the macro holds %s: %s' % (round_no, actions, '; '.join(problems)))
    elif stopped and actions and int(stopped.group(1)) != key_rows(actions):
        fail('hold %d: Orca counted %s actions, the store holds %d key rows' % (
            round_no, stopped.group(1), key_rows(actions)))
    # Stopped, Tab moves on within the macro page; a recording still going would take the Tab.
    mark = speech.mark()
    key('Tab')
    settle(speech, mark)
    said = [t for t in speech.since(mark) if t.strip() != 'tab']
    if speech.wait(r'^(Settings menu|Minimize|Maximize|Close)', mark, 0.1, quiet=True) or not said:
        fail('hold %d: Tab after the recording went to %r, out of the macro page' % (round_no, said))
    after = stored_actions(scratch)
    if after != actions:
        fail('hold %d: the Tab after the hold changed the macro to %s: still recording' % (round_no, after))
        # A longer hold, so that the next round starts from a stopped recording.
        mark = speech.mark()
        hold_escape(3.0)
        if not speech.wait(EXPECT['recording stopped'], mark, quiet=True):
            print('  hold %d: a 3 s hold did not stop the recording either' % round_no)
    print('  hold %d: stored %s' % (round_no, actions), flush=True)
    return not problems and after == actions


def task_macro(speech, scratch, holds):
    """Macro Editor: a new macro, recorded and stopped by holding Esc, `holds` times."""
    name = 'Greet'
    if not go_to_page(speech, 'Macro Editor'):
        return 0
    if not seek(speech, 'Tab', r'^Add macro', 20, 'Add macro'):
        return 0
    if not press(speech, 'space', r'text|Name', 'the macro name prompt'):
        return 0
    speech.quiet(0.5, 5)
    type_text(name)
    speech.quiet(0.5, 5)
    mark = speech.mark()
    key('Return')
    speech.wait(EXPECT['macro created'] % name, mark, what='the new macro')
    settle(speech, mark)
    good = 0
    for i in range(1, holds + 1):
        Speech.task = 'macro hold %d' % i
        if record_once(speech, scratch, i):
            good += 1
    return good


def task_profile(speech, trace):
    """A new profile from factory settings, then back to the first with an arrow key: the
    mouse gets each profile's own settings."""
    name = 'Quiet'
    # From the Key Settings page: on the Macro Editor page Tab never reaches the chooser.
    if not go_to_page(speech, 'Key Settings'):
        return
    if not seek(speech, 'Tab', r'^Profiles push button', 40, 'the profile menu button'):
        return
    mark = speech.mark()
    key('space')
    if not speech.wait(r'^New profile', mark, what='the profile menu opening on its first entry'):
        # Open but silent: Down names the first entry.
        if not press(speech, 'Down', r'^New profile', 'the first entry of the profile menu'):
            return
    if not seek(speech, 'Down', r'^New profile from factory', 3, 'the factory entry'):
        return
    if not press(speech, 'Return', r'Name|text', 'the name dialog'):
        return
    speech.quiet(0.5, 5)
    type_text(name)
    speech.quiet(0.5, 5)
    kept_rate, kept_key = trace.last('report-rate '), trace.key(2)
    mark = speech.mark()
    key('Return')
    speech.wait(EXPECT['profile created'] % name, mark, what='the new profile')
    settle(speech, mark)
    # The factory settings reach the mouse: button 3 is no longer Volume Up.
    wait_until('the factory settings in the mouse', lambda: trace.key(2) not in (None, kept_key))
    Speech.task = 'profile switch'
    if not seek(speech, 'shift+Tab', r'^Profile combo box', 6, 'the profile chooser'):
        return
    # The other profile is above or below: the mouse's button 3 tells which arrow reached it.
    for arrow in ('Up', 'Down'):
        mark = speech.mark()
        key(arrow)
        settle(speech, mark)
        if wait_until('', lambda: trace.key(2) == kept_key, 5, must=False):
            break
    said = '\n'.join(speech.since(mark))
    # The chooser's new value, on its own or in the confirmation that says it reached the mouse.
    if not re.search(r'^{0}\.?$|Profile "{0}"'.format(EXPECT['first profile']), said, re.M):
        fail('the arrow on the profile chooser said %r, not the profile it chose' % said)
    speech.wait(EXPECT['profile switched'] % EXPECT['first profile'], mark, what='the profile switched to')
    wait_until('the first profile back in the mouse (button 3 %s)' % kept_key, lambda: trace.key(2) == kept_key)
    if kept_rate != trace.last('report-rate '):
        wait_until('its report rate (%s) too' % kept_rate, lambda: trace.last('report-rate ') == kept_rate)


def run_tasks(speech, trace, args):
    results = {}
    for name, task in [('1 volume up', lambda: task_volume_up(speech, trace)),
                       ('2 dpi', lambda: task_dpi(speech, trace)),
                       ('3 report rate', lambda: task_report_rate(speech, trace)),
                       ('4 breathing', lambda: task_breathing(speech, trace)),
                       ('5 macro', lambda: results.__setitem__(
                           'holds', task_macro(speech, args.scratch, args.esc_holds))),
                       ('6 profile', lambda: task_profile(speech, trace))]:
        Speech.task = name
        before = len(failures)
        started = time.monotonic()
        try:
            task()
        except Exception as e:  # one broken task must not hide the others' results
            fail('%r' % e)
        results[name] = 'pass' if len(failures) == before else 'FAIL'
        print('== task %s: %s (%.0f s)' % (name, results[name], time.monotonic() - started), flush=True)
        speech.quiet(0.5, 5)
    print('== Esc holds that stopped the recording cleanly: %d of %d' % (results.get('holds', 0), args.esc_holds))


if __name__ == '__main__':
    sys.exit(main())
