// Test support for the decoders: small reference tables built in code (so expectations do
// not move with the shipped table files) and the .hex frame fixtures of tests/data/frames.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "capture/CPktSnap.h"
#include "decode/CPktParsers.h"
#include "tables/LookupTables.h"

namespace decode::test {

// A handful of names: Ethernet types 0x0800 "IP", 0x0806 "ARP", ranges 0x0000-0x05DC and
// 0x8137-0x8138; vendors Cisco (00000C), Intel (00A0C9) and HewlettPackard (080009, a short
// name longer than six); protocols 1, 6, 17; a few TCP ports and UDP ports 53 and 137.
struct TestTables {
    TestTables();
    tables::CPktEtherNums ether{tables::TableSource::Empty};
    tables::CPktIProtNums protocols{tables::TableSource::Empty};
    tables::CPktWPortNums ports{tables::TableSource::Empty};
    tables::CPktTCPNums options{tables::TableSource::Empty};
    std::unique_ptr<CPktParsers> parsers;
};

// The frames of a .hex fixture as one batch on the given decoder set.
struct Fixture {
    std::string note;
    capture::CPktSnap batch;
};
Fixture LoadFixture(const std::string& path, const CPktParsers* parsers);
// The frames of a pcap capture as pcap import stores them (one block), on the decoder set.
Fixture LoadPcapFixture(const std::string& path, const CPktParsers* parsers);

// Bytes from hex text ("45 00 00 1c ..."), whitespace ignored.
std::vector<std::uint8_t> FromHex(const std::string& hex);
// One Ethernet frame record around the bytes.
capture::CPktSnapQue MakeFrame(std::vector<std::uint8_t> bytes, std::uint32_t link = 4);

}  // namespace decode::test
