#!/usr/bin/python3
"""A StatusNotifierItem tray for end-to-end tests, and a client that reads and drives items.

    sni.py watcher [--no-host] [MODE...]  run an org.kde.StatusNotifierWatcher (which is also
                                   the tray, the host) until killed; MODE makes it misbehave:
                                   --answer-after=S, --refuse, --silent (registrations
                                   answered S s late, with an error, never), --silent-reads,
                                   --restart-after=S (drops and retakes its name, forgetting
                                   the items), --replace (takes the name with no gap)
    sni.py watcher-running         succeeds while a watcher is on the bus
    sni.py squat NAME              owns the bus name NAME until killed
    sni.py items [--reachable]     the registered items, one a line (only those that answer
                                   for themselves in 2 s); asked in a way any mode answers
    sni.py property ITEM NAME      a property of the item ITEM (as listed by items)
    sni.py tooltip-title ITEM      the title of the item's tool tip
    sni.py call ITEM METHOD        calls Activate, ContextMenu or SecondaryActivate at 0, 0
    sni.py menu ITEM               the item's menu from GetLayout, one entry a line: the label
                                   as a tray shows it, "-" for a separator, "(hidden) " before
                                   entries marked invisible
    sni.py click ITEM LABEL        sends the "clicked" event to the first visible entry LABEL
    sni.py watch-layout ITEM       prints the revision of every LayoutUpdated, until killed

Only python3-dbus and GLib (python3-gi) are used.
"""

import sys

import dbus
import dbus.mainloop.glib
import dbus.service
from gi.repository import GLib

WATCHER = "org.kde.StatusNotifierWatcher"
WATCHER_PATH = "/StatusNotifierWatcher"
ITEM_INTERFACE = "org.kde.StatusNotifierItem"
MENU_INTERFACE = "com.canonical.dbusmenu"
TEST_INTERFACE = "org.tavro.TestWatcher"

WATCHER_XML = """<!DOCTYPE node PUBLIC "-//freedesktop//DTD D-BUS Object Introspection 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/introspect.dtd">
<node>
  <interface name="org.freedesktop.DBus.Introspectable">
    <method name="Introspect"><arg name="xml" type="s" direction="out"/></method>
  </interface>
  <interface name="org.freedesktop.DBus.Properties">
    <method name="Get">
      <arg name="interface" type="s" direction="in"/><arg name="name" type="s" direction="in"/>
      <arg name="value" type="v" direction="out"/>
    </method>
    <method name="GetAll">
      <arg name="interface" type="s" direction="in"/>
      <arg name="values" type="a{sv}" direction="out"/>
    </method>
  </interface>
  <interface name="org.kde.StatusNotifierWatcher">
    <method name="RegisterStatusNotifierItem"><arg name="service" type="s" direction="in"/></method>
    <method name="RegisterStatusNotifierHost"><arg name="service" type="s" direction="in"/></method>
    <property name="RegisteredStatusNotifierItems" type="as" access="read"/>
    <property name="IsStatusNotifierHostRegistered" type="b" access="read"/>
    <property name="ProtocolVersion" type="i" access="read"/>
    <signal name="StatusNotifierItemRegistered"><arg type="s"/></signal>
    <signal name="StatusNotifierItemUnregistered"><arg type="s"/></signal>
    <signal name="StatusNotifierHostRegistered"/>
    <signal name="StatusNotifierHostUnregistered"/>
  </interface>
</node>
"""


class Watcher(dbus.service.Object):
    def __init__(self, bus, modes):
        super().__init__(bus, WATCHER_PATH)
        self.bus = bus
        self.modes = modes
        self.with_host = "--no-host" not in modes
        self.items = {}  # item string -> bus name that owns it
        bus.add_signal_receiver(self.name_owner_changed, signal_name="NameOwnerChanged",
                                dbus_interface="org.freedesktop.DBus")

    def name_owner_changed(self, name, old_owner, new_owner):
        if new_owner:
            return
        for item, owner in list(self.items.items()):
            if owner in (name, old_owner):
                del self.items[item]
                print("unregistered", item, file=sys.stderr, flush=True)
                self.StatusNotifierItemUnregistered(item)

    @dbus.service.method(WATCHER, in_signature="s", sender_keyword="sender",
                         async_callbacks=("reply", "error"))
    def RegisterStatusNotifierItem(self, service, sender, reply, error):
        if service.startswith("/"):
            item, owner = sender + service, sender
        else:
            item, owner = service + "/StatusNotifierItem", service

        def answer():
            self.items[item] = owner
            print("registered", item, file=sys.stderr, flush=True)
            self.StatusNotifierItemRegistered(item)
            reply()

        if "--refuse" in self.modes:
            error(dbus.DBusException("refused", name=WATCHER + ".Error.Refused"))
        elif "--silent" not in self.modes:
            GLib.timeout_add(int(float(self.modes.get("--answer-after", 0)) * 1000), answer)

    @dbus.service.method(WATCHER, in_signature="s")
    def RegisterStatusNotifierHost(self, service):
        pass

    @dbus.service.signal(WATCHER, signature="s")
    def StatusNotifierItemRegistered(self, item):
        pass

    @dbus.service.signal(WATCHER, signature="s")
    def StatusNotifierItemUnregistered(self, item):
        pass

    @dbus.service.signal(WATCHER, signature="")
    def StatusNotifierHostRegistered(self):
        pass

    def properties(self):
        return {
            "RegisteredStatusNotifierItems": dbus.Array(sorted(self.items), signature="s"),
            "IsStatusNotifierHostRegistered": dbus.Boolean(self.with_host),
            "ProtocolVersion": dbus.Int32(0),
        }

    def read(self, reply, value):
        if "--silent-reads" not in self.modes:
            reply(value)

    @dbus.service.method(dbus.PROPERTIES_IFACE, "ss", "v", async_callbacks=("reply", "error"))
    def Get(self, interface, name, reply, error):
        self.read(reply, self.properties()[name])

    @dbus.service.method(dbus.PROPERTIES_IFACE, "s", "a{sv}", async_callbacks=("reply", "error"))
    def GetAll(self, interface, reply, error):
        self.read(reply, self.properties())

    # Qt reads the watcher's properties through its introspection data, so they are listed.
    @dbus.service.method(dbus.INTROSPECTABLE_IFACE, "", "s", async_callbacks=("reply", "error"))
    def Introspect(self, reply, error):
        self.read(reply, WATCHER_XML)

    # The tests' own question, answered whatever the mode.
    @dbus.service.method(TEST_INTERFACE, out_signature="as")
    def ListItems(self):
        return sorted(self.items)

    def take_name(self):
        flags = dbus.bus.NAME_FLAG_ALLOW_REPLACEMENT | dbus.bus.NAME_FLAG_DO_NOT_QUEUE
        if "--replace" in self.modes:
            flags |= dbus.bus.NAME_FLAG_REPLACE_EXISTING
        if self.bus.request_name(WATCHER, flags) != dbus.bus.REQUEST_NAME_REPLY_PRIMARY_OWNER:
            sys.exit("the watcher's name is taken")
        if self.with_host:
            self.StatusNotifierHostRegistered()

    def restart(self):
        self.bus.release_name(WATCHER)
        self.items.clear()
        self.take_name()
        print("restarted", file=sys.stderr, flush=True)


def run_watcher(args):
    dbus.mainloop.glib.DBusGMainLoop(set_as_default=True)
    watcher = Watcher(dbus.SessionBus(), dict(arg.partition("=")[::2] for arg in args))
    watcher.take_name()
    if "--restart-after" in watcher.modes:
        GLib.timeout_add(int(float(watcher.modes["--restart-after"]) * 1000), watcher.restart)
    print("watcher ready", file=sys.stderr, flush=True)
    GLib.MainLoop().run()


def answers_for_itself(bus, item):
    try:
        return str(item_property(bus, item, "Id", timeout=2)).lower() == "tavro"
    except dbus.DBusException:
        return False


def item_object(bus, item):
    service, _, path = item.partition("/")
    return bus.get_object(service, "/" + path)


def item_property(bus, item, name, timeout=25):
    return item_object(bus, item).Get(ITEM_INTERFACE, name, dbus_interface=dbus.PROPERTIES_IFACE,
                                       timeout=timeout)


def menu_object(bus, item):
    service = item.partition("/")[0]
    return bus.get_object(service, item_property(bus, item, "Menu"))


def shown_label(label):
    """The text a tray shows for a dbusmenu label: '__' is '_', a single '_' marks a key."""
    out, i = "", 0
    while i < len(label):
        if label[i] == "_" and i + 1 < len(label):
            i += 1
        out += label[i]
        i += 1
    return out


def menu_entries(bus, item):
    _revision, (_id, _props, children) = menu_object(bus, item).GetLayout(
        0, -1, dbus.Array([], signature="s"), dbus_interface=MENU_INTERFACE)
    for child_id, props, _grandchildren in children:
        if props.get("type") == "separator":
            text = "-"
        else:
            text = shown_label(str(props.get("label", "")))
        visible = bool(props.get("visible", True))
        yield int(child_id), text, visible


def main():
    command, args = sys.argv[1], sys.argv[2:]
    if command == "watcher":
        run_watcher(args)
        return
    if command == "squat":
        dbus.mainloop.glib.DBusGMainLoop(set_as_default=True)
        name = dbus.service.BusName(args[0], dbus.SessionBus(), do_not_queue=True)
        print("squatting", name.get_name(), file=sys.stderr, flush=True)
        GLib.MainLoop().run()
    if command == "watch-layout":
        dbus.mainloop.glib.DBusGMainLoop(set_as_default=True)
    bus = dbus.SessionBus()
    if command == "watcher-running":
        sys.exit(0 if bus.name_has_owner(WATCHER) else 1)
    elif command == "items":
        # No introspection first: a watcher may answer nothing else.
        watcher = bus.get_object(WATCHER, WATCHER_PATH, introspect=False)
        for item in watcher.ListItems(dbus_interface=TEST_INTERFACE, timeout=5):
            if "--reachable" not in args or answers_for_itself(bus, item):
                print(item)
    elif command == "property":
        print(item_property(bus, args[0], args[1]))
    elif command == "tooltip-title":
        print(item_property(bus, args[0], "ToolTip")[2])
    elif command == "call":
        item_object(bus, args[0]).get_dbus_method(args[1], ITEM_INTERFACE)(0, 0)
    elif command == "menu":
        for _id, text, visible in menu_entries(bus, args[0]):
            print(text if visible else "(hidden) " + text)
    elif command == "click":
        for entry_id, text, visible in menu_entries(bus, args[0]):
            if visible and text == args[1]:
                menu_object(bus, args[0]).Event(entry_id, "clicked", dbus.Int32(0, variant_level=1),
                                                dbus.UInt32(0), dbus_interface=MENU_INTERFACE)
                return
        sys.exit("no visible menu entry %r" % args[1])
    elif command == "watch-layout":
        service = args[0].partition("/")[0]

        def updated(revision, parent):
            print(int(revision), flush=True)

        bus.add_signal_receiver(updated, signal_name="LayoutUpdated", dbus_interface=MENU_INTERFACE,
                                bus_name=service)
        print("watching", flush=True)
        GLib.MainLoop().run()
    else:
        sys.exit(__doc__)


if __name__ == "__main__":
    main()
