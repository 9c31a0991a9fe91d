#!/usr/bin/python3
"""A stand-in for the system's disk service (UDisks2) on a private bus.

It serves one disk node and its partitions, logs every call it gets (one
line each) and answers as the test asks:
  ok        open the disk read-write for the caller and hand over the descriptor
  refuse    the user dismissed the authorisation prompt
  no_agent  authorisation could be had, but nobody asked the user
  nonsense  OpenDevice answers with a string instead of a descriptor
With --rescan-fails, Rescan answers with an error. Prints "ready" once it
owns its name.
"""
import argparse
import os
import sys

import dbus
import dbus.mainloop.glib
import dbus.service
from gi.repository import GLib

NAME = "org.freedesktop.UDisks2"
BLOCK = "org.freedesktop.UDisks2.Block"
FILESYSTEM = "org.freedesktop.UDisks2.Filesystem"
PARTITION_TABLE = "org.freedesktop.UDisks2.PartitionTable"
ERROR = "org.freedesktop.UDisks2.Error."


class Log:
    def __init__(self, path):
        self.file = open(path, "a", buffering=1)

    def __call__(self, text):
        self.file.write(text + "\n")


class Device(dbus.service.Object):
    """One block device: the disk (no file system) or a partition."""

    def __init__(self, bus, path, node, partitions, mount_point, args, log):
        super().__init__(bus, path)
        self.node, self.partitions, self.mount_point = node, partitions, mount_point
        self.is_disk = partitions is not None
        self.args, self.log = args, log

    def refuse_if_asked(self):
        if self.args.behaviour == "refuse":
            raise dbus.DBusException("Not authorized", name=ERROR + "NotAuthorizedDismissed")
        if self.args.behaviour == "no_agent":
            raise dbus.DBusException("Authentication is required",
                                     name=ERROR + "NotAuthorizedCanObtain")

    @dbus.service.method("org.freedesktop.DBus.Properties", in_signature="ss",
                         out_signature="v")
    def Get(self, interface, name):
        self.log("Get %s %s.%s" % (self.node, interface, name))
        if interface == PARTITION_TABLE and name == "Partitions" and self.partitions:
            return dbus.Array(self.partitions, signature="o")
        # A disk carries a file system of its own only when it is mounted.
        has_file_system = not self.is_disk or self.mount_point
        if interface != FILESYSTEM or not has_file_system or name != "MountPoints":
            raise dbus.DBusException("No such interface",
                                     name="org.freedesktop.DBus.Error.InvalidArgs")
        points = [dbus.ByteArray(self.mount_point.encode() + b"\0")] if self.mount_point else []
        return dbus.Array(points, signature="ay")

    @dbus.service.method(FILESYSTEM, in_signature="a{sv}", out_signature="")
    def Unmount(self, options):
        self.log("Unmount %s" % self.node)
        self.refuse_if_asked()
        self.mount_point = ""

    @dbus.service.method(BLOCK, in_signature="sa{sv}")
    def OpenDevice(self, mode, options):
        flags = int(options.get("flags", 0))
        self.log("OpenDevice %s mode=%s flags=%d" % (self.node, mode, flags))
        self.refuse_if_asked()
        if self.args.behaviour == "nonsense":
            return "a descriptor, honest"
        access = {"r": os.O_RDONLY, "rw": os.O_RDWR}[mode]
        fd = os.open(self.node, access | flags)
        # UnixFd keeps a copy: the service must not keep the device open.
        handed = dbus.types.UnixFd(fd)
        os.close(fd)
        return handed

    @dbus.service.method(BLOCK, in_signature="a{sv}", out_signature="")
    def Rescan(self, options):
        self.log("Rescan %s" % self.node)
        if self.args.rescan_fails:
            raise dbus.DBusException("the kernel kept the old partition table",
                                     name=ERROR + "Failed")


class Manager(dbus.service.Object):
    def __init__(self, bus, objects, log):
        super().__init__(bus, "/org/freedesktop/UDisks2/Manager")
        self.objects, self.log = objects, log

    @dbus.service.method("org.freedesktop.UDisks2.Manager", in_signature="a{sv}a{sv}",
                         out_signature="ao")
    def ResolveDevice(self, spec, options):
        node = str(spec.get("path", ""))
        self.log("ResolveDevice %s" % node)
        return dbus.Array([self.objects[node]] if node in self.objects else [], signature="o")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--address", required=True)
    parser.add_argument("--disk", required=True)
    parser.add_argument("--partition", action="append", default=[])
    parser.add_argument("--mounted", action="append", default=[], help="a disk or partition node")
    parser.add_argument("--log", required=True)
    parser.add_argument("--rescan-fails", action="store_true")
    parser.add_argument("--behaviour", default="ok",
                        choices=["ok", "refuse", "no_agent", "nonsense"])
    args = parser.parse_args()

    dbus.mainloop.glib.DBusGMainLoop(set_as_default=True)
    bus = dbus.bus.BusConnection(args.address)
    log = Log(args.log)
    objects, keep = {}, []
    for node in [args.disk] + args.partition:
        objects[node] = "/org/freedesktop/UDisks2/block_devices/" + os.path.basename(node)
    partition_objects = [objects[node] for node in args.partition]
    for node, path in objects.items():
        point = "/media/fake/" + os.path.basename(node) if node in args.mounted else ""
        partitions = partition_objects if node == args.disk else None
        keep.append(Device(bus, path, node, partitions, point, args, log))
    keep.append(Manager(bus, objects, log))
    name = dbus.service.BusName(NAME, bus, do_not_queue=True)
    print("ready", flush=True)
    GLib.MainLoop().run()
    del name


if __name__ == "__main__":
    sys.exit(main())
