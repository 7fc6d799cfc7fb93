#include "AdapterStatusSource.h"

#include "NetBiosBuffers.h"

#include <cstring>

// Each of these needs the ones before it.
// clang-format off
#include <windows.h>
#include <nb30.h>
// clang-format on

namespace platform {

namespace {

// The machine's adapters as NetBIOS numbers them (its LANAs).
class NetBiosAdapterSource : public AdapterStatusSource
{
public:
    std::optional<QList<int>> adapterNumbers() override
    {
        QByteArray enumeration(netbios::kEnumerationSize, '\0');
        if (!run(netbios::kEnumerateAdapters, m_ncb.ncb_lana_num, &enumeration))
            return std::nullopt;
        return netbios::adapterNumbers(enumeration);
    }

    bool reset(int adapter) override { return run(netbios::kReset, adapter, nullptr); }

    std::optional<QByteArray> hardwareAddress(int adapter) override
    {
        const QByteArray callName = netbios::adapterStatusCallName();
        std::memcpy(m_ncb.ncb_callname, callName.constData(), sizeof m_ncb.ncb_callname);
        QByteArray status(netbios::kAdapterStatusSize, '\0');
        if (!run(netbios::kAdapterStatus, adapter, &status))
            return std::nullopt;
        return netbios::hardwareAddress(status);
    }

private:
    // One control block serves the whole listing: what one command leaves
    // in a field the next one finds there, as the adapters expect of a
    // listing. Only the buffer never outlives its command.
    bool run(UCHAR command, int adapter, QByteArray *buffer)
    {
        if (adapter < 0 || adapter > MAX_LANA)
            return false;
        m_ncb.ncb_command = command;
        m_ncb.ncb_lana_num = UCHAR(adapter);
        if (buffer) {
            m_ncb.ncb_buffer = reinterpret_cast<PUCHAR>(buffer->data());
            m_ncb.ncb_length = WORD(buffer->size());
        }
        // Both must say so: a command refused before it ran (an adapter
        // number nobody has, under Wine) comes back only as the result and
        // leaves the block's return code as the last command left it.
        const UCHAR result = ::Netbios(&m_ncb);
        m_ncb.ncb_buffer = nullptr;
        return result == netbios::kGoodReturn && m_ncb.ncb_retcode == netbios::kGoodReturn;
    }

    NCB m_ncb = {};
};

} // namespace

std::unique_ptr<AdapterStatusSource> systemAdapterSource()
{
    return std::make_unique<NetBiosAdapterSource>();
}

} // namespace platform
