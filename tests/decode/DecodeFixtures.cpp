// Test tables and the .hex fixture reader.
#include "DecodeFixtures.h"

#include "capture/PcapImport.h"
#include "capture/TraceReader.h"
#include "core/UserPrompt.h"
#include "support/Files.h"
#include "support/Scratch.h"

#include <unistd.h>

#include <cctype>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace decode::test {

namespace {

// Every decoder test runs with local time = UTC, whatever the machine says.
[[maybe_unused]] const bool kUtc = [] {
    setenv("TZ", "UTC", 1);
    tzset();
    return true;
}();

std::uint64_t Attribute(const std::string& line, const std::string& key, std::uint64_t fallback) {
    const auto at = line.find(" " + key + "=");
    if (at == std::string::npos) return fallback;
    return std::stoull(line.substr(at + key.size() + 2));
}

}  // namespace

TestTables::TestTables() {
    ether.AddType({0x0800, 0x0800, "IP"});
    ether.AddType({0x0806, 0x0806, "ARP"});
    ether.AddType({0x0000, 0x05DC, "IEEE802.3"});
    ether.AddType({0x8137, 0x8138, "Novell"});
    ether.AddVendor({{0x00, 0x00, 0x0C}, "Cisco Systems", "Cisco"});
    ether.AddVendor({{0x00, 0xA0, 0xC9}, "Intel Corporation", "Intel"});
    ether.AddVendor({{0x08, 0x00, 0x09}, "HewlettPackard Company", "HewlettPackard"});
    protocols.Add({1, "ICMP", "Internet Control Message"});
    protocols.Add({6, "TCP", "Transmission Control"});
    protocols.Add({17, "UDP", "User Datagram"});
    ports.AddTcp({21, "ftp", "File Transfer [Control]"});
    ports.AddTcp({23, "telnet", "Telnet"});
    ports.AddTcp({25, "smtp", "Simple Mail Transfer"});
    ports.AddTcp({80, "http", "World Wide Web HTTP"});
    ports.AddTcp({110, "pop3", "Post Office Protocol - Version 3"});
    ports.AddUdp({53, "domain", "Domain Name Server"});
    ports.AddUdp({137, "netbios-ns", "NETBIOS Name Service"});
    parsers = std::make_unique<CPktParsers>(ether, protocols, ports, options);
}

std::vector<std::uint8_t> FromHex(const std::string& hex) {
    std::string digits;
    for (const char c : hex) {
        if (std::isxdigit(static_cast<unsigned char>(c)) != 0) digits += c;
    }
    std::vector<std::uint8_t> out;
    for (std::size_t at = 0; at + 1 < digits.size(); at += 2) {
        out.push_back(static_cast<std::uint8_t>(std::stoul(digits.substr(at, 2), nullptr, 16)));
    }
    return out;
}

capture::CPktSnapQue MakeFrame(std::vector<std::uint8_t> bytes, std::uint32_t link) {
    capture::CPktSnapQue frame;
    frame.SetLinkProtocol(link);
    frame.SetCapturedLength(static_cast<std::uint32_t>(bytes.size()));
    frame.SetTotalLength(static_cast<std::uint32_t>(bytes.size()));
    frame.SetFrameNumber(1);
    frame.SetData(bytes);
    return frame;
}

Fixture LoadFixture(const std::string& path, const CPktParsers* parsers) {
    std::istringstream in(support::ReadText(path));
    Fixture fx{{}, capture::CPktSnap(parsers)};
    std::string line;
    std::string hex;
    capture::CPktSnapQue frame;
    bool open = false;
    const auto flush = [&] {
        if (!open) return;
        const auto bytes = FromHex(hex);
        frame.SetCapturedLength(static_cast<std::uint32_t>(bytes.size()));
        frame.SetData(bytes);
        fx.batch.AddFrame(frame);
        hex.clear();
    };
    while (std::getline(in, line)) {
        if (line.rfind("# ", 0) == 0 && fx.note.empty()) {
            fx.note = line.substr(2);
        } else if (line.rfind("@ batch", 0) == 0) {
            fx.batch.SetFrequency(static_cast<std::int64_t>(Attribute(line, "freq", 1'000'000)));
        } else if (line.rfind("@ frame", 0) == 0) {
            flush();
            open = true;
            frame = capture::CPktSnapQue();
            frame.SetCaptureTime(static_cast<std::uint32_t>(Attribute(line, "time", 0)));
            frame.SetStamp(static_cast<std::int64_t>(Attribute(line, "stamp", 0)));
            frame.SetFrameNumber(static_cast<std::uint32_t>(Attribute(line, "number", 0)));
            frame.SetLinkProtocol(static_cast<std::uint32_t>(Attribute(line, "link", 4)));
            frame.SetTotalLength(static_cast<std::uint32_t>(Attribute(line, "wire", 0)));
        } else if (line.rfind('#', 0) != 0) {
            hex += line;
        }
    }
    flush();
    return fx;
}

Fixture LoadPcapFixture(const std::string& path, const CPktParsers* parsers) {
    const std::filesystem::path trace = support::TempPath(std::filesystem::path(path).stem().string() + ".tns");
    Fixture fx{"imported from " + std::filesystem::path(path).filename().string(), capture::CPktSnap(parsers)};
    const auto imported = capture::ImportPcap(path, trace.string(), {});
    if (!imported) throw std::runtime_error(imported.Err().text);
    auto reader = capture::TraceReader::Open(trace.string());
    core::RecordingPrompt prompt;
    if (!reader || !reader.Value().Validate(prompt)) throw std::runtime_error("cannot read back " + trace.string());
    const auto moved = reader.Value().Go(capture::TraceReader::Move::Next, fx.batch);
    if (!moved || !moved.Value()) throw std::runtime_error("no block in " + trace.string());
    return fx;
}

}  // namespace decode::test
