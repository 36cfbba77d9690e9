#!/usr/bin/python3
"""A throw-away desktop keyring for the keychain's tests.

  keyring_session.py run PROGRAM [ARGS...]  runs PROGRAM on a private session
      bus with an unlocked gnome-keyring (secrets only) in a temporary HOME
  keyring_session.py lock | unlock | forget-key   acts on that keyring
"""
import os
import subprocess
import sys
import tempfile

PASSWORD = b"throw-away"
LOGIN = "/org/freedesktop/secrets/collection/login"
SECRETS = "org.freedesktop.secrets"


def run(command):
    if "KELVO_KEYRING_SESSION" not in os.environ:
        os.environ["KELVO_KEYRING_SESSION"] = "starting"
        os.execvp("dbus-run-session", ["dbus-run-session", "--", sys.executable,
                                       os.path.abspath(__file__), "run"] + command)
    with tempfile.TemporaryDirectory() as home:
        os.environ.update(HOME=home, XDG_DATA_HOME=home + "/data", XDG_CONFIG_HOME=home + "/config",
                          XDG_RUNTIME_DIR=home, KELVO_KEYRING_SESSION="1")
        daemon = subprocess.run(["gnome-keyring-daemon", "--unlock", "--components=secrets"],
                                input=PASSWORD, stdout=subprocess.DEVNULL, check=True)
        return subprocess.call(command) if daemon.returncode == 0 else 1


def act(what):
    import dbus
    bus = dbus.SessionBus()
    service = bus.get_object(SECRETS, "/org/freedesktop/secrets")
    interface = "org.freedesktop.Secret.Service"
    if what == "lock":
        service.Lock([LOGIN], dbus_interface=interface)
    elif what == "unlock":
        _, session = service.OpenSession("plain", dbus.String("", variant_level=1),
                                         dbus_interface=interface)
        service.UnlockWithMasterPassword(
            LOGIN, (session, dbus.ByteArray(b""), dbus.ByteArray(PASSWORD), "text/plain"),
            dbus_interface="org.gnome.keyring.InternalUnsupportedGuiltRiddenInterface")
    elif what == "forget-key":
        unlocked, locked = service.SearchItems({"purpose": "keychain-master-key"},
                                               dbus_interface=interface)
        for path in list(unlocked) + list(locked):
            bus.get_object(SECRETS, path).Delete(dbus_interface="org.freedesktop.Secret.Item")
    return 0


if __name__ == "__main__":
    sys.exit(run(sys.argv[2:]) if sys.argv[1] == "run" else act(sys.argv[1]))
