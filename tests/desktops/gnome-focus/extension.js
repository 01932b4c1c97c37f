// The desktop test's hands inside the shell, which offers no other way to move the focus.
const { Gio } = imports.gi;
const Main = imports.ui.main;

const Xml = `<node><interface name="org.mousecfg.TestFocus">
  <method name="Focus"><arg type="u" direction="in" name="pid"/><arg type="b" direction="out"/></method>
  <method name="FocusedPid"><arg type="u" direction="out"/></method>
  <method name="HideOverview"/>
</interface></node>`;

class Helper {
    enable() {
        this._object = Gio.DBusExportedObject.wrapJSObject(Xml, this);
        this._object.export(Gio.DBus.session, '/org/mousecfg/TestFocus');
    }

    disable() {
        this._object.unexport();
    }

    Focus(pid) {
        const w = global.get_window_actors().map(a => a.get_meta_window()).find(m => m.get_pid() === pid);
        if (!w)
            return false;
        w.activate(global.get_current_time());
        return true;
    }

    FocusedPid() {
        const w = global.display.focus_window;
        return w ? w.get_pid() : 0;
    }

    HideOverview() {
        Main.overview.hide();
    }
}

function init() {
    return new Helper();
}
