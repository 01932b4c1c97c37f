// Tells mousecfg the process and application id of the focused window (GNOME 43 and 44).
const { Gio, GLib, Shell } = imports.gi;

const Service = 'org.mousecfg.Mousecfg';

class Reporter {
    enable() {
        this._present = false;
        this._focus = global.display.connect('notify::focus-window', () => this._report());
        // The program may start after the shell, or again: it hears the window in front as
        // soon as it is on the bus.
        this._watch = Gio.bus_watch_name(Gio.BusType.SESSION, Service, Gio.BusNameWatcherFlags.NONE,
            () => { this._present = true; this._report(); }, () => { this._present = false; });
    }

    disable() {
        global.display.disconnect(this._focus);
        Gio.bus_unwatch_name(this._watch);
    }

    _report() {
        if (!this._present)
            return;
        const w = global.display.focus_window;
        let pid = 0, app = '';
        if (w) {
            pid = w.get_pid();
            const a = Shell.WindowTracker.get_default().get_window_app(w);
            app = a ? a.get_id() || '' : '';
            // A window without a desktop file gets a made-up id that names nothing.
            if (!app || app.startsWith('window:'))
                app = w.get_gtk_application_id() || w.get_wm_class() || '';
        }
        Gio.DBus.session.call(Service, '/GnomeShell', 'org.mousecfg.GnomeShell', 'WindowFocused',
            new GLib.Variant('(is)', [pid, app]), null, Gio.DBusCallFlags.NO_AUTO_START, -1, null,
            (c, result) => {
                try {
                    c.call_finish(result);
                } catch (e) {
                    // Gone in between: it hears again when it is back.
                }
            });
    }
}

function init() {
    return new Reporter();
}
