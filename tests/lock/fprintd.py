'''A fingerprint service for the tests: the manager and at most one reader.

Parameters: "devices" (0 or 1), "fingers" (enrolled names), "verify" (results
sent 50 ms apart after VerifyStart), "vanish" (exit 50 ms after VerifyStart).
The reader must be stopped before it is released. The manager's State()
(mock interface) tells "idle", "claimed" or "verifying".
'''

import os

import dbus
from dbusmock import MOCK_IFACE, mockobject
from gi.repository import GLib

BUS_NAME = 'net.reactivated.Fprint'
MAIN_OBJ = '/net/reactivated/Fprint/Manager'
MAIN_IFACE = 'net.reactivated.Fprint.Manager'
SYSTEM_BUS = True
DEVICE_OBJ = '/net/reactivated/Fprint/Device/0'
DEVICE_IFACE = 'net.reactivated.Fprint.Device'
FINAL = ('verify-match', 'verify-no-match', 'verify-disconnected', 'verify-unknown-error')


def fail(name):
    raise dbus.exceptions.DBusException(name, name='net.reactivated.Fprint.Error.' + name)


class Reader:
    def __init__(self, parameters):
        self.parameters = parameters
        self.state = 'idle'

    def default_device(self):
        if not self.parameters.get('devices', 1):
            fail('NoSuchDevice')
        return dbus.ObjectPath(DEVICE_OBJ)

    def enrolled(self):
        fingers = self.parameters.get('fingers', ['right-index-finger'])
        if not fingers:
            fail('NoEnrolledPrints')
        return dbus.Array(fingers, signature='s')

    def move(self, method, expected, new):
        if self.state != expected:
            fail('AlreadyInUse' if method == 'Claim' else 'ClaimDevice')
        self.state = new
        if method == 'VerifyStart':
            self.enrolled()
            if self.parameters.get('vanish'):
                GLib.timeout_add(50, os._exit, 0)
            for i, result in enumerate(self.parameters.get('verify', [])):
                GLib.timeout_add(50 * (i + 1), self.send, result)

    def send(self, result):
        if self.state == 'verifying':
            mockobject.objects[DEVICE_OBJ].EmitSignal(DEVICE_IFACE, 'VerifyStatus', 'sb',
                                                      [result, result in FINAL])
        return False


def load(mock, parameters):
    mock.reader = Reader(parameters)
    mock.AddMethod(MAIN_IFACE, 'GetDefaultDevice', '', 'o', 'ret = self.reader.default_device()')
    moves = {'Claim': ('s', 'idle', 'claimed'), 'Release': ('', 'claimed', 'idle'),
             'VerifyStart': ('s', 'claimed', 'verifying'),
             'VerifyStop': ('', 'verifying', 'claimed')}
    methods = [(name, sig, '', f'self.reader.move({name!r}, {old!r}, {new!r})')
               for name, (sig, old, new) in moves.items()]
    methods.append(('ListEnrolledFingers', 's', 'as', 'ret = self.reader.enrolled()'))
    mock.AddObject(DEVICE_OBJ, DEVICE_IFACE, {}, methods)
    mockobject.objects[DEVICE_OBJ].reader = mock.reader


@dbus.service.method(MOCK_IFACE, in_signature='', out_signature='s')
def State(self):
    return self.reader.state
