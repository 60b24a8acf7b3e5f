// palomet-cli profile: list, show, add, edit and delete the stored session profiles through
// the same rules as the Session Profiles dialog (names unique without regard to case, the
// sheet's field checks, a save that loses no other profile).
#include <algorithm>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cli/CliPrompt.h"
#include "cli/Commands.h"
#include "cli/Output.h"
#include "cli/ProfileText.h"
#include "platform/LetterCase.h"
#include "profiles/SessionProfilesModel.h"

namespace cli {

namespace {

using profiles::ProfileForm;

struct ProfileOptions {
    std::string registry;
    std::string name;
    bool json = false;
    // Settings of add and edit; an option that was not given leaves the setting as it is.
    std::optional<std::string> server, out, queue, sizeLimit, sizeUnit, timeLimit, timeUnit, rename;
    std::optional<std::vector<std::string>> layers;
    bool include = false;
    bool exclude = false;
};

// The index of word among texts, letter case ignored.
template <std::size_t N>
std::optional<std::int32_t> IndexOf(const std::array<std::string_view, N>& texts, const std::string& word) {
    for (std::size_t i = 0; i < N; ++i)
        if (platform::EqualsIgnoringCase(texts[i], word)) return static_cast<std::int32_t>(i);
    return std::nullopt;
}

// A number option as the sheet's numbers-only fields take it; the range is the form's to check.
bool Number(const std::optional<std::string>& text, const char* option, std::int64_t& out) {
    if (!text) return true;
    const auto value = ProfileForm::ParseNumber(*text);
    if (!value) {
        std::cerr << option << ": not a whole number: " << *text << "\n";
        return false;
    }
    out = *value;
    return true;
}

// Applies the given options to the sheet's values; false after saying what is wrong.
bool Apply(const ProfileOptions& o, ProfileForm& form) {
    if (o.server) form.serverAddress = *o.server;
    if (o.out) form.traceFile = *o.out;
    if (o.rename) form.name = *o.rename;
    if (!Number(o.queue, "--queue", form.queueLength)) return false;
    // A limit turns its half of the limit mode on, or off when it is 0.
    const auto limit = [&form](const std::optional<std::string>& text, const char* option, std::int64_t& value,
                               std::int32_t bit) {
        if (!text) return true;
        if (!Number(text, option, value)) return false;
        form.limitMode = value > 0 ? (form.limitMode | bit) : (form.limitMode & ~bit);
        return true;
    };
    if (!limit(o.sizeLimit, "--size-limit", form.sizeValue, profiles::CSessionProfile::kSizeLimit) ||
        !limit(o.timeLimit, "--time-limit", form.timeValue, profiles::CSessionProfile::kTimeLimit))
        return false;
    const auto unit = [](const std::optional<std::string>& word, const auto& texts, const char* option,
                         std::int32_t& out) {
        if (!word) return true;
        const auto index = IndexOf(texts, *word);
        if (!index) {
            std::cerr << option << ": unknown unit: " << *word << "\n";
            return false;
        }
        out = *index;
        return true;
    };
    if (!unit(o.sizeUnit, profiles::kSizeUnitTexts, "--size-unit", form.sizeUnit) ||
        !unit(o.timeUnit, profiles::kTimeUnitTexts, "--time-unit", form.timeUnit))
        return false;
    if (o.layers) {
        form.layers = {};
        for (const auto& word : *o.layers) {
            const std::string w = platform::AsciiLowered(word);
            if (w == "all" || w == "none") {
                form.layers.fill(w == "all");
                continue;
            }
            std::size_t i = 0;
            while (i < profiles::kCaptureLayers.size() && profiles::kCaptureLayers[i].keyword != w) ++i;
            if (i == profiles::kCaptureLayers.size()) {
                std::cerr << "--layers: unknown layer: " << word
                          << " (ethernet, ipv4, tcp, udp, telnet, ftp, dns, http, pop3, smtp, nbns, all, none)\n";
                return false;
            }
            form.layers[i] = true;
        }
    }
    if (o.include) form.filterType = 0;
    if (o.exclude) form.filterType = 1;
    return true;
}

void PrintProfile(const ProfileOptions& o, const std::string& name, const profiles::CSessionProfile& p) {
    if (o.json) {
        std::cout << ProfileJson(name, p) << "\n";
        return;
    }
    for (const auto& [label, value] : ProfileLines(name, p)) {
        std::string padded = label + ":";
        padded.resize(std::max<std::size_t>(padded.size(), 24), ' ');
        std::cout << padded << value << "\n";
    }
}

int RunList(const ProfileOptions& o, profiles::SessionProfilesModel& model) {
    if (o.json) {
        std::cout << "[";
        for (std::size_t i = 0; i < model.Count(); ++i) {
            std::cout << (i ? ",\n" : "\n");
            if (const auto* p = model.ProfileAt(i))
                std::cout << ProfileJson(model.NameAt(i), *p);
            else
                std::cout << "{\"name\": " << Output::JsonQuote(model.NameAt(i))
                          << ", \"error\": " << Output::JsonQuote(model.ErrorAt(i)) << "}";
        }
        std::cout << (model.Count() ? "\n]\n" : "]\n");
        return 0;
    }
    // A handful of rows: measured first, so the columns line up.
    std::vector<std::vector<std::string>> rows;
    for (std::size_t i = 0; i < model.Count(); ++i) {
        if (const auto* p = model.ProfileAt(i))
            rows.push_back({model.NameAt(i), p->serverAddress, LimitModeText(*p), FilterTypeText(*p), p->traceFile});
        else
            rows.push_back({model.NameAt(i), "(could not be read: " + model.ErrorAt(i) + ")", "", "", ""});
    }
    std::vector<Column> columns = {{"Name"}, {"Server"}, {"Limits"}, {"Filter"}, {"Save to file"}};
    for (const auto& row : rows)
        for (std::size_t c = 0; c + 1 < columns.size(); ++c)
            columns[c].width = std::max(columns[c].width, row[c].size());
    Output out(std::cout, OutputFormat::Human, columns);
    for (const auto& row : rows) out.Row(row);
    return 0;
}

int Run(const std::string& action, const ProfileOptions& o) {
    CliPrompt prompt(std::cerr);
    profiles::ProfileStore store(prompt, o.registry);
    profiles::SessionProfilesModel model(store, prompt);
    model.Load();
    if (action == "list") return RunList(o, model);

    const auto found = model.Find(o.name);
    if (action == "add") {
        if (found) {
            std::cerr << "A session profile named \"" << model.NameAt(*found) << "\" already exists.\n";
            return 1;
        }
        // A new profile from the command line starts from a default profile: every layer,
        // Included, queue length 60, the default trace file.
        ProfileForm form = ProfileForm::From(profiles::CSessionProfile{}, o.name);
        if (!Apply(o, form) || !model.New(form) || !model.Save()) return 1;
    } else {
        if (!found) {
            std::cerr << "No session profile named \"" << o.name << "\".\n";
            return 1;
        }
        model.Select(found);
        if (action == "show") {
            const auto* p = model.ProfileAt(*found);
            if (p == nullptr) {
                std::cerr << "Session profile \"" << model.NameAt(*found)
                          << "\" could not be read: " << model.ErrorAt(*found) << "\n";
                return 1;
            }
            PrintProfile(o, model.NameAt(*found), *p);
            return 0;
        }
        if (action == "delete") {
            if (!model.Delete() || !model.Save()) return 1;
            if (o.json)
                std::cout << "{\"deleted\": " << Output::JsonQuote(o.name) << "}\n";
            else
                std::cout << "deleted " << o.name << "\n";
            return 0;
        }
        ProfileForm form = *model.FormForEdit();
        if (!Apply(o, form) || !model.Edit(form) || !model.Save()) return 1;
    }
    const auto& saved = model.NameAt(*model.Selection());
    PrintProfile(o, saved, *model.ProfileAt(*model.Selection()));
    return 0;
}

void AddSettingsOptions(CLI::App* cmd, ProfileOptions& o, bool serverRequired) {
    auto* server = cmd->add_option("--server", o.server, "Agent host name or IPv4 address");
    if (serverRequired) server->required();
    cmd->add_option("--out", o.out, "Trace file to write (.tns)");
    cmd->add_option("--queue", o.queue, "Server queue length (1 to 3000)");
    cmd->add_option("--size-limit", o.sizeLimit, "Trace file size limit, 0 for none");
    cmd->add_option("--size-unit", o.sizeUnit, "bytes, kilobytes or megabytes");
    cmd->add_option("--time-limit", o.timeLimit, "Tracing time limit, 0 for none");
    cmd->add_option("--time-unit", o.timeUnit, "hours, minutes or seconds");
    cmd->add_option("--layers", o.layers,
                    "Checked protocols, comma-separated: ethernet,ipv4,tcp,udp,telnet,ftp,dns,"
                    "http,pop3,smtp,nbns (or all, none)")
        ->delimiter(',');
    auto* include = cmd->add_flag("--include", o.include, "Filter type Included: pass the checked protocols");
    auto* exclude = cmd->add_flag("--exclude", o.exclude, "Filter type Excluded: drop the checked protocols");
    include->excludes(exclude);
}

}  // namespace

void RegisterProfileCommands(CommandRegistry& registry) {
    auto o = std::make_shared<ProfileOptions>();
    auto* profile = registry.App().add_subcommand("profile", "List, show, add, edit and delete session profiles");
    AddRegistryOption(profile, o->registry);
    profile->require_subcommand(1);
    // --registry may follow the action too: `profile add NAME ... --registry FILE`.
    profile->fallthrough();
    const auto action = [&registry, o](const char* name) {
        return [&registry, o, name] { registry.SetExitCode(Run(name, *o)); };
    };

    auto* list = profile->add_subcommand("list", "Every stored profile, sorted by name");
    list->add_flag("--json", o->json, "A JSON array of profiles");
    list->callback(action("list"));

    auto* show = profile->add_subcommand("show", "Every setting of one profile");
    show->add_option("name", o->name, "Profile name (letter case ignored)")->required();
    show->add_flag("--json", o->json, "One JSON object");
    show->callback(action("show"));

    auto* add = profile->add_subcommand("add", "Store a new profile (the defaults: every layer, Included, queue 60)");
    add->add_option("name", o->name, "Profile name, at most 27 characters; empty: the server address")->required();
    AddSettingsOptions(add, *o, true);
    add->add_flag("--json", o->json, "Print the stored profile as one JSON object");
    add->callback(action("add"));

    auto* edit = profile->add_subcommand("edit", "Change the given settings of a profile");
    edit->add_option("name", o->name, "Profile name (letter case ignored)")->required();
    edit->add_option("--rename", o->rename, "New profile name");
    AddSettingsOptions(edit, *o, false);
    edit->add_flag("--json", o->json, "Print the stored profile as one JSON object");
    edit->callback(action("edit"));

    auto* del = profile->add_subcommand("delete", "Delete a profile");
    del->add_option("name", o->name, "Profile name (letter case ignored)")->required();
    del->add_flag("--json", o->json, "Print the deleted name as JSON");
    del->callback(action("delete"));
}

}  // namespace cli
