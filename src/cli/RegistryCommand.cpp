// palomet-cli registry export: every key of the settings store with its values (name, type,
// size, data in hex), read in one transaction and never written, as an administrator reads
// a registry. Scripts read stored bytes through it without knowing the file's layout.
#include <sys/stat.h>

#include <cstdio>
#include <iostream>
#include <memory>
#include <string>

#include "cli/Commands.h"
#include "cli/Output.h"
#include "platform/KeyTree.h"

namespace cli {

namespace {

struct RegistryOptions {
    std::string registry;
    bool json = false;
};

std::string Hex(const std::vector<std::uint8_t>& data) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string text;
    text.reserve(data.size() * 2);
    for (const std::uint8_t b : data) {
        text += kDigits[b >> 4];
        text += kDigits[b & 0x0F];
    }
    return text;
}

void PrintJson(const std::vector<platform::KeyTree::KeyDump>& keys) {
    std::cout << "[";
    for (std::size_t k = 0; k < keys.size(); ++k) {
        std::cout << (k ? ",\n" : "\n") << "{\"key\": " << Output::JsonQuote(keys[k].path) << ", \"values\": [";
        for (std::size_t v = 0; v < keys[k].values.size(); ++v) {
            const auto& value = keys[k].values[v];
            std::cout << (v ? ", " : "") << "{\"name\": " << Output::JsonQuote(value.name)
                      << ", \"type\": " << Output::JsonQuote(platform::ValueTypeName(value.type))
                      << ", \"size\": " << value.data.size() << ", \"data\": \"" << Hex(value.data) << "\"}";
        }
        std::cout << "]}";
    }
    std::cout << (keys.empty() ? "]\n" : "\n]\n");
}

void PrintText(const std::vector<platform::KeyTree::KeyDump>& keys) {
    for (const auto& key : keys) {
        std::cout << key.path << "\n";
        for (const auto& value : key.values)
            std::cout << "    " << Output::JsonQuote(value.name) << "  " << platform::ValueTypeName(value.type) << "  "
                      << value.data.size() << "  " << Hex(value.data) << "\n";
    }
}

int RunExport(const RegistryOptions& o) {
    const std::string path = o.registry.empty() ? platform::KeyTree::DefaultPath() : o.registry;
    std::vector<platform::KeyTree::KeyDump> keys;
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        // Nothing was ever stored: an empty registry, not an error.
        std::cerr << "no settings store at " << path << "\n";
    } else {
        platform::KeyStatus status;
        auto tree =
            platform::KeyTree::Open(path, status, {platform::KeyTree::Access::ReadOnly, std::chrono::seconds(5)});
        if (tree) status = tree->Export(keys);
        if (!status.Ok()) {
            std::cerr << status.text << "\n";
            return 1;
        }
    }
    if (o.json)
        PrintJson(keys);
    else
        PrintText(keys);
    return 0;
}

}  // namespace

void AddRegistryOption(CLI::App* command, std::string& path) {
    command->add_option("--registry", path,
                        "Settings store file (default PALOMET_REGISTRY, else ~/.config/palomet/registry.sqlite)");
}

void RegisterRegistryCommand(CommandRegistry& registry) {
    auto o = std::make_shared<RegistryOptions>();
    auto* cmd = registry.App().add_subcommand("registry", "Inspect the settings store");
    AddRegistryOption(cmd, o->registry);
    cmd->require_subcommand(1);
    cmd->fallthrough();
    auto* exp = cmd->add_subcommand("export", "Print every key path and each value's name, type, size and data (hex)");
    exp->add_flag("--json", o->json, "A JSON array of keys, each with its values");
    exp->callback([&registry, o] { registry.SetExitCode(RunExport(*o)); });
}

}  // namespace cli
