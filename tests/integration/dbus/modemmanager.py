'''A modem manager with one modem and its SIM card, for the tracker's D-Bus tests.

Loaded by python3-dbusmock ("-t modemmanager.py"). The methods of the mock interface on
the main object change what the tracker sees, with the signals the real service sends.
'''

import dbus

from dbusmock import MOCK_IFACE, mockobject

BUS_NAME = 'org.freedesktop.ModemManager1'
MAIN_OBJ = '/org/freedesktop/ModemManager1'
MAIN_IFACE = 'org.freedesktop.ModemManager1'
SYSTEM_BUS = True
IS_OBJECT_MANAGER = True

MODEM_IFACE = 'org.freedesktop.ModemManager1.Modem'
SIM_IFACE = 'org.freedesktop.ModemManager1.Sim'


def load(mock, parameters):
    mock.AddMethods(MAIN_IFACE, [('ScanDevices', '', '', '')])
    mock.AddSim('0', parameters.get('Imsi', '001010123456789'))
    mock.AddModem('0', parameters.get('Sim', MAIN_OBJ + '/SIM/0'))


@dbus.service.method(MOCK_IFACE, in_signature='ss', out_signature='')
def AddSim(self, index, imsi):
    path = MAIN_OBJ + '/SIM/' + index
    self.AddObject(path, SIM_IFACE, {'Imsi': dbus.String(imsi), 'SimIdentifier': '8901'}, [])


@dbus.service.method(MOCK_IFACE, in_signature='so', out_signature='')
def AddModem(self, index, sim):
    path = MAIN_OBJ + '/Modem/' + index
    self.AddObject(path, MODEM_IFACE,
                   {'Sim': dbus.ObjectPath(sim), 'State': dbus.Int32(8),
                    'Manufacturer': 'Test', 'Model': 'Modem',
                    'EquipmentIdentifier': '356938035643809'}, [])
    self.object_manager_emit_added(path)


@dbus.service.method(MOCK_IFACE, in_signature='s', out_signature='')
def RemoveModem(self, index):
    path = MAIN_OBJ + '/Modem/' + index
    self.object_manager_emit_removed(path)
    self.RemoveObject(path)


@dbus.service.method(MOCK_IFACE, in_signature='ss', out_signature='')
def ReprobeModem(self, old, new):
    # The same modem under a new index, as after a reset or a USB re-enumeration.
    sim = mockobject.objects[MAIN_OBJ + '/Modem/' + old].Get(MODEM_IFACE, 'Sim')
    self.RemoveModem(old)
    self.AddModem(new, sim)


@dbus.service.method(MOCK_IFACE, in_signature='so', out_signature='')
def SetModemSim(self, index, sim):
    modem = mockobject.objects[MAIN_OBJ + '/Modem/' + index]
    modem.Set(MODEM_IFACE, 'Sim', dbus.ObjectPath(sim))


@dbus.service.method(MOCK_IFACE, in_signature='ss', out_signature='')
def SetImsi(self, index, imsi):
    sim = mockobject.objects[MAIN_OBJ + '/SIM/' + index]
    sim.Set(SIM_IFACE, 'Imsi', dbus.String(imsi))


@dbus.service.method(MOCK_IFACE, in_signature='uu', out_signature='')
def AnnounceModems(self, first, count):
    # Only announced, never made: a service that keeps adding objects.
    for index in range(first, first + count):
        self.EmitSignal('org.freedesktop.DBus.ObjectManager', 'InterfacesAdded', 'oa{sa{sv}}',
                        [MAIN_OBJ + '/Modem/' + str(index),
                         {MODEM_IFACE: {'Sim': dbus.ObjectPath('/'), 'Model': 'Modem'}}])
