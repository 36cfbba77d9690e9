'''A fingerprint service for the tests: the manager and at most one reader.

Parameters (JSON): "devices" (0 or 1, default 1), "fingers" (the enrolled
finger names, default one), "verify" (the results the reader sends after
VerifyStart, 50 ms apart), "vanish" (the service exits 50 ms after
VerifyStart). The reader must be stopped before it is released, as the real
service expects. State() on the mock interface of the manager tells "idle",
"claimed" or "verifying".
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


class Reader:
    def __init__(self, parameters):
        self.devices = parameters.get('devices', 1)
        self.fingers = parameters.get('fingers', ['right-index-finger'])
        self.results = parameters.get('verify', [])
        self.vanish = parameters.get('vanish', False)
        self.state = 'idle'

    def fail(self, name):
        raise dbus.exceptions.DBusException(name, name='net.reactivated.Fprint.Error.' + name)

    def default_device(self):
        if not self.devices:
            self.fail('NoSuchDevice')
        return dbus.ObjectPath(DEVICE_OBJ)

    def enrolled(self):
        if not self.fingers:
            self.fail('NoEnrolledPrints')
        return dbus.Array(self.fingers, signature='s')

    def move(self, method, expected, new):
        if self.state != expected:
            self.fail('AlreadyInUse' if method == 'Claim' else 'ClaimDevice')
        self.state = new
        if method == 'VerifyStart':
            self.enrolled()
            if self.vanish:
                GLib.timeout_add(50, lambda: os._exit(0))
            for i, result in enumerate(self.results):
                GLib.timeout_add(50 * (i + 1), self.send, result)

    def send(self, result):
        if self.state == 'verifying':
            done = result in ('verify-match', 'verify-no-match', 'verify-disconnected',
                              'verify-unknown-error')
            mockobject.objects[DEVICE_OBJ].EmitSignal(DEVICE_IFACE, 'VerifyStatus', 'sb',
                                                      [result, done])
        return False


def load(mock, parameters):
    mock.reader = Reader(parameters)
    mock.AddMethods(MAIN_IFACE, [
        ('GetDefaultDevice', '', 'o', 'ret = self.reader.default_device()'),
        ('GetDevices', '', 'ao', 'ret = [self.reader.default_device()]'),
    ])
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
