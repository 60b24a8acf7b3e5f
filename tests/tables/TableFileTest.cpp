// Where the table files are found: the current directory, then $PALOMET_DATA_DIR, then the
// shipped data; a directory or a missing file loads nothing and says nothing.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "support/Files.h"
#include "support/Scratch.h"
#include "tables/LookupTables.h"
#include "tables/TableFile.h"

namespace fs = std::filesystem;
using namespace tables;

namespace {

void WriteFile(const fs::path& path, const std::string& text) { support::WriteText(path.string(), text); }

// Runs each test in its scratch folder with PALOMET_DATA_DIR unset, and restores both.
class TableFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_oldDir = fs::current_path();
        if (const char* env = std::getenv("PALOMET_DATA_DIR")) m_oldEnv = env;
        ::unsetenv("PALOMET_DATA_DIR");
        m_dir = support::ScratchDir();
        fs::create_directories(m_dir / "cwd");
        fs::create_directories(m_dir / "env");
        fs::current_path(m_dir / "cwd");
    }
    void TearDown() override {
        fs::current_path(m_oldDir);
        if (m_oldEnv) ::setenv("PALOMET_DATA_DIR", m_oldEnv->c_str(), 1);
    }
    fs::path m_dir;

private:
    fs::path m_oldDir;
    std::optional<std::string> m_oldEnv;
};

}  // namespace

TEST_F(TableFileTest, CurrentDirectoryThenDataDirThenShippedTables) {
    ::setenv("PALOMET_DATA_DIR", (m_dir / "env").c_str(), 1);
    WriteFile(m_dir / "env" / "protocol-numbers", "6 ENVTCP from env\n");
    WriteFile(m_dir / "env" / "tcp-options", "2 4 EnvMSS\n");
    WriteFile(m_dir / "cwd" / "protocol-numbers", "6 CWDTCP from cwd\n");

    CPktIProtNums p(tables::TableSource::Files);
    EXPECT_EQ(p.Keyword(6), "CWDTCP");
    EXPECT_EQ(p.SourcePath(), (m_dir / "cwd" / "protocol-numbers").string());
    CPktTCPNums o(tables::TableSource::Files);
    EXPECT_EQ(o.Find(2)->name, "EnvMSS");
    EXPECT_EQ(o.SourcePath(), (m_dir / "env" / "tcp-options").string());
    // Neither folder has the port table: it comes from the shipped data.
    CPktWPortNums w(tables::TableSource::Files);
    EXPECT_EQ(w.TcpKeyword(80), "http");
    EXPECT_EQ(fs::path(w.SourcePath()).filename(), "port-numbers");
}

TEST_F(TableFileTest, DirectoryInPlaceOfAFileIsPassedOver) {
    fs::create_directories(m_dir / "cwd" / "tcp-options");
    EXPECT_FALSE(TableFile::Read((m_dir / "cwd" / "tcp-options").string()).has_value());
    EXPECT_FALSE(TableFile::Read((m_dir / "cwd" / "missing").string()).has_value());
    const auto found = TableFile::Find("tcp-options");
    ASSERT_TRUE(found.has_value());
    EXPECT_NE(*found, (m_dir / "cwd" / "tcp-options").string());
}

TEST_F(TableFileTest, NothingFoundAnywhereLeavesTheTablesEmpty) {
    EXPECT_FALSE(TableFile::Find("no-such-table-file").has_value());
    EXPECT_FALSE(TableFile::Open("no-such-table-file").has_value());
}

TEST_F(TableFileTest, AnEmptyFileIsValid) {
    WriteFile(m_dir / "cwd" / "protocol-numbers", "");
    CPktIProtNums p(tables::TableSource::Files);
    EXPECT_EQ(p.Count(), 0U);
    EXPECT_EQ(p.Description(6), "Unknown");
}

TEST_F(TableFileTest, ShippedTablesLoadFromAnyDirectory) {
    CPktEtherNums e(tables::TableSource::Files);
    EXPECT_GT(e.Vendors().size(), 30000U);
    EXPECT_EQ(*e.FindTypeName(0x0800), "IPv4");
    EXPECT_EQ(*e.FindTypeName(0x0806), "ARP");
    EXPECT_EQ(*e.FindTypeName(0x8100), "IEEE 802.1Q VLAN tag (C-Tag)");
    EXPECT_EQ(*e.FindTypeName(0x0100), "IEEE 802.3 length field");
    EXPECT_EQ(*e.FindVendor(0x00, 0x00, 0x0C), "Cisco");
    EXPECT_EQ(*e.FindVendor(0x08, 0x00, 0x2B), "DIGITAL");

    CPktIProtNums p(tables::TableSource::Files);
    EXPECT_EQ(p.Count(), 256U);
    EXPECT_EQ(p.Keyword(6), "TCP");
    EXPECT_EQ(p.Keyword(17), "UDP");
    EXPECT_EQ(p.Keyword(84), "TTP");  // IANA lists 84 twice; the first counts

    CPktWPortNums w(tables::TableSource::Files);
    EXPECT_EQ(w.UdpKeyword(53), "domain");
    EXPECT_EQ(w.UdpKeyword(137), "netbios-ns");
    EXPECT_EQ(w.TcpKeyword(135), "epmap");
    EXPECT_EQ(w.TcpKeyword(1024), "Unassigned");

    CPktTCPNums o(tables::TableSource::Files);
    EXPECT_EQ(o.Count(), 20U);
    EXPECT_EQ(o.Find(8)->length, 10);
}

TEST_F(TableFileTest, LineEndsOfEveryKindAndTheSizeCut) {
    // LF, CR LF, a lone CR, and a last line with no end at all read the same entries.
    for (const char* end : {"\n", "\r\n", "\r"}) {
        const std::string e = end;
        WriteFile(m_dir / "cwd" / "protocol-numbers",
                  "# numbers" + e + "6 TCP Transmission Control" + e + e + "17 UDP User Datagram");
        CPktIProtNums p(tables::TableSource::Files);
        EXPECT_EQ(p.Count(), 2U) << int(e[0]);
        EXPECT_EQ(p.Description(6), "Transmission Control") << int(e[0]);
        EXPECT_EQ(p.Description(17), "User Datagram") << int(e[0]);
    }
    // Past 64 MiB a file is read no further.
    const auto big = m_dir / "cwd" / "big";
    WriteFile(big, "");
    fs::resize_file(big, TableFile::kMaxBytes + 4096);
    const auto text = TableFile::Read(big.string());
    ASSERT_TRUE(text.has_value());
    EXPECT_EQ(text->size(), TableFile::kMaxBytes);
}
