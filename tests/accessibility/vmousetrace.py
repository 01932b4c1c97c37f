"""The virtual mouse's trace file, as the screen-reader drivers read it."""
import re


class Trace:
    """One line per report, with what it meant after '# '."""

    def __init__(self, path):
        self.path = path

    def notes(self):
        try:
            with open(self.path, encoding='utf-8', errors='replace') as f:
                return [line.split('# ', 1)[1].strip() for line in f if '# ' in line]
        except FileNotFoundError:
            return []

    def last(self, prefix):
        found = [n for n in self.notes() if n.startswith(prefix)]
        return found[-1] if found else None

    def key(self, button):
        note = self.last('keys ')
        if not note:
            return None
        m = re.search(r' %d=(\S+)' % button, note)
        return m.group(1) if m else None
