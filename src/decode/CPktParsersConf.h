// Decoder configuration: owns the four reference tables the decoders consult and hands
// them out under its optional lock.
#pragma once

#include <memory>

#include "core/Archive.h"
#include "core/CPktLockable.h"
#include "tables/LookupTables.h"

namespace decode {

class CPktParsersConf : public core::CPktLockable {
public:
    // The tables are made in the order Ethernet, IP protocol, port, TCP option, each from
    // source (their text files, or empty for a configuration about to be read from an archive).
    CPktParsersConf(core::Locking locking, tables::TableSource source);
    ~CPktParsersConf() override;

    // What a packet list and the commands decode with: the tables read from their files, no lock.
    static CPktParsersConf FromTableFiles() {
        return CPktParsersConf(core::Locking::Unlocked, tables::TableSource::Files);
    }

    const tables::CPktEtherNums& GetEtherNums() const;
    const tables::CPktIProtNums& GetIProtNums() const;
    const tables::CPktWPortNums& GetWPortNums() const;
    const tables::CPktTCPNums& GetTCPNums() const;

    void Serialize(core::Archive& ar);

private:
    std::unique_ptr<tables::CPktEtherNums> m_etherNums;
    std::unique_ptr<tables::CPktIProtNums> m_iprotNums;
    std::unique_ptr<tables::CPktWPortNums> m_wportNums;
    std::unique_ptr<tables::CPktTCPNums> m_tcpNums;
};

}  // namespace decode
