// Remembered workbench settings.
#include "app/WorkbenchSettings.h"

#include <span>
#include <utility>
#include <vector>

namespace app {

namespace {
constexpr std::string_view kGeometryValue = "Main Window Geometry";
constexpr std::string_view kStateValue = "Main Window State";
constexpr std::string_view kLayoutValue = "Window Layout";
constexpr std::string_view kRecentValue = "Recent Files";
constexpr std::string_view kRecentFiltersValue = "Recent Filters";
// More columns than a packet list has is a damaged value.
constexpr std::uint32_t kMaxColumns = 16;

// Qt's state blobs are a few hundred bytes: copied, never reinterpreted.
std::vector<std::uint8_t> Bytes(const QByteArray& bytes) { return {bytes.begin(), bytes.end()}; }

QByteArray Blob(std::span<const std::uint8_t> bytes) {
    QByteArray blob;
    blob.reserve(static_cast<qsizetype>(bytes.size()));
    for (const std::uint8_t b : bytes) blob.append(static_cast<char>(b));
    return blob;
}
}  // namespace

WorkbenchSettings::WorkbenchSettings(core::UserPrompt& prompt, const std::string& registryPath)
    : m_store(kWorkbenchKey, prompt, registryPath) {}

QByteArray WorkbenchSettings::Read(std::string_view name) {
    std::vector<std::uint8_t> data;
    if (!m_store.ReadBinary(name, data)) return {};
    return Blob(data);
}

void WorkbenchSettings::Write(std::string_view name, const QByteArray& bytes) {
    (void)m_store.WriteBinary(name, Bytes(bytes));  // not remembered is all a failure costs
}

QByteArray WorkbenchSettings::MainGeometry() { return Read(kGeometryValue); }
QByteArray WorkbenchSettings::MainState() { return Read(kStateValue); }

void WorkbenchSettings::SetMain(const QByteArray& geometry, const QByteArray& state) {
    Write(kGeometryValue, geometry);
    Write(kStateValue, state);
}

std::optional<WindowLayout> WorkbenchSettings::Layout() {
    const QByteArray bytes = Read(kLayoutValue);
    if (bytes.isEmpty()) return std::nullopt;
    try {
        const std::vector<std::uint8_t> stored = Bytes(bytes);
        core::Archive ar{std::span<const std::uint8_t>(stored)};
        if (ar.ReadU32() != core::kSchema) return std::nullopt;
        WindowLayout layout;
        const std::uint32_t splitterSize = ar.ReadCount();
        layout.splitter = Blob(ar.ReadBytes(splitterSize));
        const std::uint32_t columns = ar.ReadCount();
        if (columns > kMaxColumns) return std::nullopt;
        for (std::uint32_t c = 0; c < columns; ++c) layout.columns << ar.ReadI32();
        layout.level = ar.ReadU32();
        layout.detailText = ar.ReadU8() != 0;
        // Kept after the rest, so that a layout stored before it still reads.
        if (ar.Remaining() != 0) layout.bytesPoints = ar.ReadI32();
        return layout;
    } catch (const core::ArchiveException&) {
        return std::nullopt;
    }
}

void WorkbenchSettings::SetLayout(const WindowLayout& layout) {
    std::vector<std::uint8_t> bytes;
    core::Archive ar(bytes);
    ar.WriteU32(core::kSchema);
    ar.WriteCount(static_cast<std::uint32_t>(layout.splitter.size()));
    ar.WriteBytes(Bytes(layout.splitter));
    ar.WriteCount(static_cast<std::uint32_t>(layout.columns.size()));
    for (int width : layout.columns) ar.WriteI32(width);
    ar.WriteU32(layout.level);
    ar.WriteU8(layout.detailText ? 1 : 0);
    ar.WriteI32(layout.bytesPoints);
    (void)m_store.WriteBinary(kLayoutValue, bytes);
}

// A list the store cannot give back starts empty, and one it cannot keep is offered again
// from memory until the workbench closes: neither is worth stopping the user for.
settings::RecentFiles WorkbenchSettings::LoadList(std::string_view value) {
    settings::RecentFiles recent;
    (void)m_store.LoadObject(value, settings::SerializerOf(recent));
    return recent;
}

void WorkbenchSettings::StoreList(std::string_view value, settings::RecentFiles recent) {
    (void)m_store.StoreObject(value, settings::SerializerOf(recent));
}

settings::RecentFiles WorkbenchSettings::Recent() { return LoadList(kRecentValue); }
void WorkbenchSettings::SetRecent(settings::RecentFiles recent) { StoreList(kRecentValue, std::move(recent)); }
settings::RecentFiles WorkbenchSettings::RecentFilters() { return LoadList(kRecentFiltersValue); }
void WorkbenchSettings::SetRecentFilters(settings::RecentFiles recent) {
    StoreList(kRecentFiltersValue, std::move(recent));
}

}  // namespace app
