#include "UsbLocation.h"

#include <QStringList>
#include <QVarLengthArray>

// clang-format off
#include <windows.h>
#include <initguid.h>
#include <cfgmgr32.h>
#include <devguid.h>
#include <devpkey.h>
#include <setupapi.h>
// clang-format on

namespace {

// What the ports' device class calls the port: "COM3".
QString portNameOf(HDEVINFO devices, SP_DEVINFO_DATA& device)
{
    const HKEY key = SetupDiOpenDevRegKey(devices, &device, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_READ);
    if (key == INVALID_HANDLE_VALUE)
        return QString();
    wchar_t name[64] = {};
    DWORD size = sizeof(name) - sizeof(wchar_t);
    DWORD type = 0;
    const bool read = RegQueryValueExW(key, L"PortName", nullptr, &type, reinterpret_cast<BYTE*>(name), &size)
            == ERROR_SUCCESS
        && type == REG_SZ;
    RegCloseKey(key);
    return read ? QString::fromWCharArray(name) : QString();
}

QStringList locationPathsOf(DEVINST node)
{
    DEVPROPTYPE type = 0;
    ULONG size = 0;
    if (CM_Get_DevNode_PropertyW(node, &DEVPKEY_Device_LocationPaths, &type, nullptr, &size, 0)
            != CR_BUFFER_SMALL
        || type != DEVPROP_TYPE_STRING_LIST)
        return {};
    QVarLengthArray<wchar_t, 512> text(int(size / sizeof(wchar_t)) + 1);
    if (CM_Get_DevNode_PropertyW(node, &DEVPKEY_Device_LocationPaths, &type, reinterpret_cast<BYTE*>(text.data()),
            &size, 0)
        != CR_SUCCESS)
        return {};
    text[text.size() - 1] = 0;
    QStringList paths;
    for (const wchar_t* path = text.data(); *path; path += wcslen(path) + 1)
        paths << QString::fromWCharArray(path);
    return paths;
}

// An adapter's driver (FTDI's, for one) puts the port on a node of its own below
// the USB device: the path is then found one or two levels up.
QString usbPathFrom(DEVINST node)
{
    for (int level = 0; level < 3; ++level) {
        for (const QString& path : locationPathsOf(node)) {
            if (path.contains(QLatin1String("#USB(")))
                return path;
        }
        if (CM_Get_Parent(&node, node, 0) != CR_SUCCESS)
            break;
    }
    return QString();
}

} // namespace

QString usbLocationOf(const QString& portName)
{
    QString wanted = portName;
    if (wanted.startsWith(QLatin1String("\\\\.\\")))
        wanted.remove(0, 4);
    const HDEVINFO devices = SetupDiGetClassDevsW(&GUID_DEVCLASS_PORTS, nullptr, nullptr, DIGCF_PRESENT);
    if (devices == INVALID_HANDLE_VALUE)
        return QString();
    QString location;
    SP_DEVINFO_DATA device {};
    device.cbSize = sizeof(device);
    for (DWORD index = 0; SetupDiEnumDeviceInfo(devices, index, &device); ++index) {
        if (portNameOf(devices, device).compare(wanted, Qt::CaseInsensitive) == 0) {
            location = usbPathFrom(device.DevInst);
            break;
        }
    }
    SetupDiDestroyDeviceInfoList(devices);
    return location;
}
