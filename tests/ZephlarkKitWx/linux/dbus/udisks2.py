'''python-dbusmock template: the part of udisks2 that the data disk uses.

The test adds drives, each with a filesystem, through the mock interface (AddDrive), makes a
method fail (Refuse) and reads the actions the program asked for (GetActions). Mount
mounts a filesystem at the folder it was added with, so what the program writes there is what the
test reads; Eject and PowerOff take the drive and its filesystems away with InterfacesRemoved, as
a device leaving its data-disk mode does.
'''

import os

import dbus
from dbusmock import MOCK_IFACE, OBJECT_MANAGER_IFACE, mockobject

BUS_NAME = 'org.freedesktop.UDisks2'
MAIN_OBJ = '/org/freedesktop/UDisks2'
SYSTEM_BUS = True
IS_OBJECT_MANAGER = True

DRIVE_IFACE = 'org.freedesktop.UDisks2.Drive'
BLOCK_IFACE = 'org.freedesktop.UDisks2.Block'
FILESYSTEM_IFACE = 'org.freedesktop.UDisks2.Filesystem'
DRIVES = MAIN_OBJ + '/drives/'
BLOCKS = MAIN_OBJ + '/block_devices/'


def load(mock, _parameters):
    mock.actions = []    # "Mount sdb1", "Eject Orvex_Zephlark_0001", in order
    mock.refusals = {}   # method -> message


def fail(message):
    raise dbus.exceptions.DBusException(message, name='org.freedesktop.UDisks2.Error.Failed')


def note(obj, method):
    '''Writes the action down, then fails it if the test said so'''
    manager = mockobject.objects[MAIN_OBJ]
    manager.actions.append(method + ' ' + obj.path.rsplit('/', 1)[1])
    if method in manager.refusals:
        fail(manager.refusals[method])


def path_bytes(path):
    '''udisks2 sends paths as bytes with a terminating NUL'''
    return dbus.ByteArray(os.fsencode(path) + b'\0')


def set_mount_point(filesystem, path):
    points = [path_bytes(path)] if path else []
    filesystem.props[FILESYSTEM_IFACE]['MountPoints'] = dbus.Array(points, signature='ay')


def is_mounted(filesystem):
    return len(filesystem.props[FILESYSTEM_IFACE]['MountPoints']) > 0


def filesystems_on(drive):
    return [obj for obj in mockobject.objects.values()
            if obj.props.get(BLOCK_IFACE, {}).get('Drive') == drive.path]


def mount(filesystem, _options):
    note(filesystem, 'Mount')
    if is_mounted(filesystem):
        fail('Filesystem is already mounted')
    os.makedirs(filesystem.mount_folder, exist_ok=True)
    set_mount_point(filesystem, filesystem.mount_folder)
    return filesystem.mount_folder


def unmount(filesystem, _options):
    note(filesystem, 'Unmount')
    if not is_mounted(filesystem):
        fail('Filesystem is not mounted')
    set_mount_point(filesystem, '')


def remove(drive):
    manager = mockobject.objects[MAIN_OBJ]
    for obj in filesystems_on(drive) + [drive]:
        manager.EmitSignal(OBJECT_MANAGER_IFACE, 'InterfacesRemoved', 'oas',
                           [dbus.ObjectPath(obj.path), list(obj.props)])
        manager.RemoveObject(obj.path)


def eject(drive, _options):
    note(drive, 'Eject')
    remove(drive)


def power_off(drive, _options):
    note(drive, 'PowerOff')
    if any(is_mounted(filesystem) for filesystem in filesystems_on(drive)):
        fail('Error powering off drive: a filesystem on it is mounted')
    remove(drive)


@dbus.service.method(MOCK_IFACE, in_signature='sssssbbssssb', out_signature='')
def AddDrive(self, name, vendor, model, connection_bus, serial, ejectable, can_power_off,
             block, label, mount_point, mount_folder, hint_ignore):
    '''The drive with a partition /dev/BLOCK holding a filesystem, mounted at mount_point unless
    that is empty; Mount mounts it at mount_folder.'''
    self.AddObject(DRIVES + name, DRIVE_IFACE,
                   {'Vendor': vendor, 'Model': model, 'ConnectionBus': connection_bus,
                    'Serial': serial, 'Ejectable': ejectable, 'CanPowerOff': can_power_off},
                   [('Eject', 'a{sv}', '', eject), ('PowerOff', 'a{sv}', '', power_off)])
    self.AddObject(BLOCKS + block, BLOCK_IFACE,
                   {'Drive': dbus.ObjectPath(DRIVES + name), 'Device': path_bytes('/dev/' + block),
                    'IdLabel': label, 'IdUsage': 'filesystem', 'HintIgnore': hint_ignore,
                    'HintSystem': False},
                   [])
    filesystem = mockobject.objects[BLOCKS + block]
    filesystem.mount_folder = mount_folder
    filesystem.props[FILESYSTEM_IFACE] = {}
    set_mount_point(filesystem, mount_point)
    if mount_point:
        os.makedirs(mount_point, exist_ok=True)
    filesystem.AddMethods(FILESYSTEM_IFACE,
                          [('Mount', 'a{sv}', 's', mount), ('Unmount', 'a{sv}', '', unmount)])


@dbus.service.method(MOCK_IFACE, in_signature='ss', out_signature='')
def Refuse(self, method, message):
    '''From now on method fails with message'''
    self.refusals[method] = message


@dbus.service.method(MOCK_IFACE, in_signature='', out_signature='as')
def GetActions(self):
    return self.actions
