// Drop-in files, locally through the file system, remotely through a shell over ssh.
#include "platform/UnitDropIn.h"

#include <sys/stat.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "platform/HostCommand.h"
#include "platform/SystemdMapping.h"

namespace platform {
namespace {

ServiceError FileError(const std::error_code& ec, const std::string& path) {
    const std::string text = "Cannot write " + path + ": " + ec.message();
    if (ec == std::errc::permission_denied || ec == std::errc::operation_not_permitted ||
        ec == std::errc::read_only_file_system)
        return MakeServiceError(kErrorAccessDenied, text);
    return MakeServiceError(kErrorInternal, text);
}

ServiceOutcome WriteLocal(const std::string& dir, const std::string& file, std::string_view content) {
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    if (ec) return FileError(ec, dir);
    const std::string temporary = file + ".tmp";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        if (!out) return FileError(std::error_code(errno, std::generic_category()), temporary);
        out.write(content.data(), static_cast<std::streamsize>(content.size()));
        out.flush();
        if (!out) return FileError(std::error_code(errno, std::generic_category()), temporary);
    }
    ::chmod(temporary.c_str(), 0644);
    std::filesystem::rename(temporary, file, ec);
    if (ec) {
        std::filesystem::remove(temporary);
        return FileError(ec, file);
    }
    return ServiceSuccess();
}

ServiceOutcome WriteRemote(std::string_view host, const std::string& dir, const std::string& file,
                           std::string_view content) {
    const std::string temporary = file + ".tmp";
    const std::string command = "umask 022 && mkdir -p -- " + ShellQuote(dir) + " && cat > " + ShellQuote(temporary) +
                                " && mv -f -- " + ShellQuote(temporary) + " " + ShellQuote(file);
    auto run = RunOnHost(host, command, content, std::chrono::seconds(30));
    if (!run) return run.Err();
    if (run.Value().exitStatus != 0) {
        std::string why = run.Value().err;
        while (!why.empty() && (why.back() == '\n' || why.back() == ' ')) why.pop_back();
        const bool denied =
            why.find("Permission denied") != std::string::npos || why.find("Read-only") != std::string::npos;
        return MakeServiceError(denied ? kErrorAccessDenied : kErrorInternal,
                                "Cannot write " + file + " on " + std::string(host) + ": " + why);
    }
    return ServiceSuccess();
}

}  // namespace

ServiceOutcome WriteDropIn(std::string_view host, const std::string& dir, const std::string& unit,
                           std::string_view fileName, std::string_view content) {
    if (dir.empty() || dir.front() != '/' || !systemd::IsUnitName(unit) || fileName.find('/') != std::string_view::npos)
        return MakeServiceError(kErrorInvalidParameter, "No place for a drop-in of " + unit + " in \"" + dir + "\".");
    const std::string unitDir = dir + "/" + unit + ".d";
    const std::string file = unitDir + "/" + std::string(fileName);
    return host.empty() ? WriteLocal(unitDir, file, content) : WriteRemote(host, unitDir, file, content);
}

std::string AccountDropIn(std::string_view account) {
    std::string text =
        "# Written by Palomet Manager (Startup Configuration): the account this service runs as.\n[Service]\n";
    if (account.empty() || account == kSystemAccount) return text + "User=\nDynamicUser=no\n";
    std::string escaped;
    for (const char c : account) escaped += c == '%' ? std::string("%%") : std::string(1, c);  // unit file specifiers
    return text + "User=" + escaped + "\n";
}

}  // namespace platform
