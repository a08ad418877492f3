#!/usr/bin/python3
"""A StatusNotifierItem tray for end-to-end tests, and a client that reads and drives items.

    sni.py watcher [--no-host]     run an org.kde.StatusNotifierWatcher (which is also the
                                   tray, the host) until killed
    sni.py watcher-running         succeeds while a watcher is on the bus
    sni.py items                   the registered items, one a line
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
    def __init__(self, bus, with_host):
        super().__init__(bus, WATCHER_PATH)
        self.bus = bus
        self.with_host = with_host
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

    @dbus.service.method(WATCHER, in_signature="s", sender_keyword="sender")
    def RegisterStatusNotifierItem(self, service, sender=None):
        if service.startswith("/"):
            item, owner = sender + service, sender
        else:
            item, owner = service + "/StatusNotifierItem", service
        self.items[item] = owner
        print("registered", item, file=sys.stderr, flush=True)
        self.StatusNotifierItemRegistered(item)

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

    @dbus.service.method(dbus.PROPERTIES_IFACE, in_signature="ss", out_signature="v")
    def Get(self, interface, name):
        return self.properties()[name]

    @dbus.service.method(dbus.PROPERTIES_IFACE, in_signature="s", out_signature="a{sv}")
    def GetAll(self, interface):
        return self.properties()

    # Qt reads the watcher's properties through its introspection data, so they are listed.
    @dbus.service.method(dbus.INTROSPECTABLE_IFACE, out_signature="s")
    def Introspect(self):
        return WATCHER_XML


def run_watcher(with_host):
    dbus.mainloop.glib.DBusGMainLoop(set_as_default=True)
    bus = dbus.SessionBus()
    watcher = Watcher(bus, with_host)
    # The name is owned as long as this object lives.
    name = dbus.service.BusName(WATCHER, bus, do_not_queue=True)
    if with_host:
        watcher.StatusNotifierHostRegistered()
    print("watcher ready", file=sys.stderr, flush=True)
    GLib.MainLoop().run()
    del name


def item_object(bus, item):
    service, _, path = item.partition("/")
    return bus.get_object(service, "/" + path)


def item_property(bus, item, name):
    return item_object(bus, item).Get(ITEM_INTERFACE, name,
                                       dbus_interface=dbus.PROPERTIES_IFACE)


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
        run_watcher("--no-host" not in args)
        return
    if command == "watch-layout":
        dbus.mainloop.glib.DBusGMainLoop(set_as_default=True)
    bus = dbus.SessionBus()
    if command == "watcher-running":
        sys.exit(0 if bus.name_has_owner(WATCHER) else 1)
    elif command == "items":
        watcher = bus.get_object(WATCHER, WATCHER_PATH)
        for item in watcher.Get(WATCHER, "RegisteredStatusNotifierItems",
                                dbus_interface=dbus.PROPERTIES_IFACE):
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
