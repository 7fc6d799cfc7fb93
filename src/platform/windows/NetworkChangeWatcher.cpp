#include "NetworkChangeWatcher.h"

#include "NetworkState.h"

#include <QMetaObject>

#include <atomic>
#include <optional>
#include <utility>

// Each of these needs the ones before it.
// clang-format off
#include <winsock2.h>
#include <ws2ipdef.h>
#include <windows.h>
#include <iphlpapi.h>
#include <netioapi.h>
// clang-format on

namespace platform {

namespace {

const wchar_t kPowerWindowClass[] = L"QuorvelPowerWindow";

std::string addressBytes(const SOCKADDR_INET &address)
{
    if (address.si_family == AF_INET)
        return {reinterpret_cast<const char *>(&address.Ipv4.sin_addr), 4};
    if (address.si_family == AF_INET6)
        return {reinterpret_cast<const char *>(&address.Ipv6.sin6_addr), 16};
    return {};
}

bool isGlobal(const SOCKADDR_INET &address)
{
    const std::string bytes = addressBytes(address);
    const auto byte = [&](size_t i) { return quint8(bytes[i]); };
    if (bytes.size() == 4)
        return byte(0) != 127 && !(byte(0) == 169 && byte(1) == 254);
    if (bytes.size() == 16)
        return byte(0) != 0xff && !(byte(0) == 0xfe && (byte(1) & 0xc0) == 0x80) &&
               bytes != std::string(15, '\0') + '\1';
    return false;
}

// The tables IP Helper keeps, read whole; nothing when one cannot be read.
std::optional<NetworkState> readState()
{
    NetworkState state;
    MIB_IPINTERFACE_TABLE *interfaces = nullptr;
    if (::GetIpInterfaceTable(AF_UNSPEC, &interfaces) != NO_ERROR)
        return std::nullopt;
    for (ULONG i = 0; i < interfaces->NumEntries; ++i) {
        // One row for each address family; the interface is up when either is.
        const MIB_IPINTERFACE_ROW &row = interfaces->Table[i];
        NetworkState::Interface &link = state.interfaces[int(row.InterfaceIndex)];
        link.up = link.up || row.Connected;
        link.loopback = row.InterfaceLuid.Info.IfType == IF_TYPE_SOFTWARE_LOOPBACK;
    }
    ::FreeMibTable(interfaces);

    MIB_UNICASTIPADDRESS_TABLE *addresses = nullptr;
    if (::GetUnicastIpAddressTable(AF_UNSPEC, &addresses) != NO_ERROR)
        return std::nullopt;
    for (ULONG i = 0; i < addresses->NumEntries; ++i) {
        const MIB_UNICASTIPADDRESS_ROW &row = addresses->Table[i];
        const bool usable =
            row.DadState == IpDadStatePreferred || row.DadState == IpDadStateDeprecated;
        if (usable && isGlobal(row.Address))
            state.addresses.insert({int(row.InterfaceIndex), addressBytes(row.Address)});
    }
    ::FreeMibTable(addresses);

    MIB_IPFORWARD_TABLE2 *routes = nullptr;
    if (::GetIpForwardTable2(AF_UNSPEC, &routes) != NO_ERROR)
        return std::nullopt;
    for (ULONG i = 0; i < routes->NumEntries; ++i) {
        const MIB_IPFORWARD_ROW2 &row = routes->Table[i];
        if (row.DestinationPrefix.PrefixLength == 0)
            state.defaultRoutes.insert({row.DestinationPrefix.Prefix.si_family, 0,
                                        int(row.InterfaceIndex), addressBytes(row.NextHop),
                                        quint32(row.Metric)});
    }
    ::FreeMibTable(routes);
    return state;
}

} // namespace

struct NetworkChangeWatcher::Private
{
    NetworkChangeWatcher *q = nullptr;
    HANDLE interfaceNotification = nullptr;
    HANDLE addressNotification = nullptr;
    HANDLE routeNotification = nullptr;
    HWND powerWindow = nullptr;
    NetworkState state;
    QString error;
    // Set while a reading is queued, so a burst of callbacks queues one.
    std::atomic<bool> queued{false};

    // On a thread of the system's pool.
    static void CALLBACK onChange(void *context)
    {
        auto *self = static_cast<Private *>(context);
        if (!self->queued.exchange(true))
            QMetaObject::invokeMethod(
                self->q, [self] { self->readAgain(); }, Qt::QueuedConnection);
    }
    static void CALLBACK onInterfaceChange(void *context, MIB_IPINTERFACE_ROW *,
                                           MIB_NOTIFICATION_TYPE)
    {
        onChange(context);
    }
    static void CALLBACK onAddressChange(void *context, MIB_UNICASTIPADDRESS_ROW *,
                                         MIB_NOTIFICATION_TYPE)
    {
        onChange(context);
    }
    static void CALLBACK onRouteChange(void *context, MIB_IPFORWARD_ROW2 *, MIB_NOTIFICATION_TYPE)
    {
        onChange(context);
    }

    static LRESULT CALLBACK powerWindowProcedure(HWND window, UINT message, WPARAM wParam,
                                                 LPARAM lParam)
    {
        if (message == WM_POWERBROADCAST && wParam == PBT_APMRESUMEAUTOMATIC) {
            auto *self = reinterpret_cast<Private *>(::GetWindowLongPtrW(window, GWLP_USERDATA));
            if (self)
                emit self->q->resumed();
            return TRUE;
        }
        return ::DefWindowProcW(window, message, wParam, lParam);
    }

    void readAgain()
    {
        queued = false;
        const auto now = readState();
        // Unreadable tables: better a refresh too many than a change missed.
        if (!now || mayMovePublicAddress(state, *now))
            emit q->networkChanged();
        if (now)
            state = *now;
    }

    void subscribe()
    {
        // A system that only pretends (Wine answers success without a
        // handle and never calls back) is as good as one that refuses.
        const auto subscribed = [this](const char *function, DWORD result, HANDLE handle) {
            if (result == NO_ERROR && handle)
                return true;
            cancel();
            error = QStringLiteral("%1 %2: network changes are not noticed.")
                        .arg(QLatin1String(function),
                             result != NO_ERROR ? QStringLiteral("failed (error %1)").arg(result)
                                                : QStringLiteral("is not supported"));
            return false;
        };
        DWORD result = ::NotifyIpInterfaceChange(AF_UNSPEC, onInterfaceChange, this, FALSE,
                                                 &interfaceNotification);
        if (!subscribed("NotifyIpInterfaceChange", result, interfaceNotification))
            return;
        result = ::NotifyUnicastIpAddressChange(AF_UNSPEC, onAddressChange, this, FALSE,
                                                &addressNotification);
        if (!subscribed("NotifyUnicastIpAddressChange", result, addressNotification))
            return;
        result = ::NotifyRouteChange2(AF_UNSPEC, onRouteChange, this, FALSE, &routeNotification);
        if (!subscribed("NotifyRouteChange2", result, routeNotification))
            return;
        // Subscribed before the first reading, so nothing falls in between.
        if (const auto now = readState())
            state = *now;
        else
            error = QStringLiteral("The network tables cannot be read: network changes are not "
                                   "noticed.");
    }

    // Each cancellation waits for a callback under way to return.
    void cancel()
    {
        for (HANDLE *h : {&interfaceNotification, &addressNotification, &routeNotification})
            if (HANDLE handle = std::exchange(*h, nullptr))
                ::CancelMibChangeNotify2(handle);
    }

    // The power broadcast goes to top-level windows only (not to
    // message-only ones): a window that is never shown.
    void createPowerWindow()
    {
        WNDCLASSEXW windowClass{};
        windowClass.cbSize = sizeof windowClass;
        windowClass.lpfnWndProc = powerWindowProcedure;
        windowClass.hInstance = ::GetModuleHandleW(nullptr);
        windowClass.lpszClassName = kPowerWindowClass;
        ::RegisterClassExW(&windowClass); // fails harmlessly once registered
        powerWindow = ::CreateWindowExW(0, kPowerWindowClass, L"", WS_OVERLAPPED, 0, 0, 0, 0,
                                        nullptr, nullptr, windowClass.hInstance, nullptr);
        if (powerWindow)
            ::SetWindowLongPtrW(powerWindow, GWLP_USERDATA, LONG_PTR(this));
    }
};

NetworkChangeWatcher::NetworkChangeWatcher(QObject *parent) : QObject(parent), d(new Private)
{
    d->q = this;
    d->subscribe();
    d->createPowerWindow();
}

NetworkChangeWatcher::~NetworkChangeWatcher()
{
    d->cancel();
    if (d->powerWindow)
        ::DestroyWindow(d->powerWindow);
    delete d;
}

QString NetworkChangeWatcher::errorString() const
{
    return d->error;
}

bool NetworkChangeWatcher::hasDefaultRoute() const
{
    return !d->state.defaultRoutes.empty();
}

} // namespace platform
