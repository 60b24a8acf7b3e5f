// The Session Profiles dialog's rules.
#include "profiles/SessionProfilesModel.h"

#include <algorithm>

namespace profiles {

SessionProfilesModel::SessionProfilesModel(ProfileStore& store, core::UserPrompt& prompt, TraceFileOpen traceFileOpen)
    : m_store(store),
      m_prompt(prompt),
      m_traceFileOpen(std::move(traceFileOpen)) {}

void SessionProfilesModel::Load() {
    m_entries.clear();
    m_removed.clear();
    m_selection.reset();
    m_typed.clear();
    m_modified = false;
    auto stored = m_store.Load();
    if (!stored) {
        m_prompt.Tell("Session profiles could not be read:\n" + stored.Err().text, core::PromptIcon::Exclamation);
        return;
    }
    std::string unreadable;
    for (auto& p : stored.Value()) {
        if (!p.profile) unreadable += "\n" + p.name + ": " + p.error;
        Insert({p.name, std::move(p.profile), p.error, p.name, false});
    }
    if (!unreadable.empty())
        m_prompt.Tell("These session profiles could not be read; each is kept as stored until you edit or delete it:" +
                          unreadable,
                      core::PromptIcon::Exclamation);
}

std::size_t SessionProfilesModel::Insert(Entry entry) {
    const auto at = std::upper_bound(m_entries.begin(), m_entries.end(), entry.name,
                                     [](const std::string& name, const Entry& e) { return NameBefore(name, e.name); });
    const auto inserted = m_entries.insert(at, std::move(entry));  // may move the whole list
    return static_cast<std::size_t>(inserted - m_entries.begin());
}

const CSessionProfile* SessionProfilesModel::ProfileAt(std::size_t i) const {
    const auto& p = m_entries.at(i).profile;
    return p ? &*p : nullptr;
}

std::optional<std::size_t> SessionProfilesModel::Find(std::string_view name) const {
    for (std::size_t i = 0; i < m_entries.size(); ++i)
        if (SameName(m_entries[i].name, name)) return i;
    return std::nullopt;
}

void SessionProfilesModel::Select(std::optional<std::size_t> index) {
    if (index && *index >= m_entries.size()) index.reset();
    m_selection = index;
    if (index) m_typed = m_entries[*index].name;
}

void SessionProfilesModel::SetTypedText(std::string text) {
    m_typed = std::move(text);
    if (m_selection && m_entries[*m_selection].name != m_typed) m_selection.reset();
}

std::optional<ProfileForm> SessionProfilesModel::FormForEdit() const {
    if (!m_selection) return std::nullopt;
    const Entry& e = m_entries[*m_selection];
    // An entry that could not be read is edited from the defaults; saving it replaces its bytes.
    return ProfileForm::From(e.profile ? *e.profile : CSessionProfile{}, e.name);
}

bool SessionProfilesModel::Accept(const ProfileForm& form, std::optional<std::size_t> replacing,
                                  std::string_view refusal) {
    if (const auto problem = form.Validate()) {
        m_prompt.Tell(problem->message, core::PromptIcon::Exclamation);
        return false;
    }
    if (form.serverAddress.empty()) {
        m_prompt.Tell(kServerNotEntered);
        return false;
    }
    const std::string& name = form.EntryName();
    // Names differing only in letter case would overwrite each other in the store.
    if (const auto taken = Find(name); taken && taken != replacing) {
        m_prompt.Tell(
            "A session profile named \"" + m_entries[*taken].name + "\" already exists.\n" + std::string(refusal),
            core::PromptIcon::Exclamation);
        return false;
    }
    Entry entry{name, CSessionProfile{}, {}, std::nullopt, true};
    if (replacing) {
        Entry& old = m_entries[*replacing];
        if (old.profile) entry.profile = std::move(old.profile);  // the same profile object, edited
        entry.storedName = std::move(old.storedName);
        m_entries.erase(m_entries.begin() + static_cast<std::ptrdiff_t>(*replacing));
    }
    form.TransferTo(*entry.profile);
    Select(Insert(std::move(entry)));
    m_modified = true;
    return true;
}

bool SessionProfilesModel::New(const ProfileForm& form) {
    return Accept(form, std::nullopt, "Session profile not created.");
}

bool SessionProfilesModel::Edit(const ProfileForm& form) {
    if (!m_selection) return false;
    return Accept(form, m_selection, "Session profile not changed.");
}

bool SessionProfilesModel::Delete() {
    if (!m_selection) return false;
    const auto at = m_entries.begin() + static_cast<std::ptrdiff_t>(*m_selection);
    if (at->storedName) m_removed.push_back(*at->storedName);
    m_entries.erase(at);
    m_selection.reset();
    m_typed.clear();
    m_modified = true;
    return true;
}

bool SessionProfilesModel::Save() {
    if (!m_modified) return true;
    ProfileChanges changes;
    changes.removed = m_removed;
    for (const Entry& e : m_entries) {
        if (!e.changed) continue;
        // A renamed entry leaves its old name; an unchanged one is not written at all, so
        // what another program saved under it meanwhile stays.
        if (e.storedName && *e.storedName != e.name) changes.removed.push_back(*e.storedName);
        changes.written.emplace_back(e.name, *e.profile);
    }
    if (const core::Status saved = m_store.Save(changes); !saved.Ok()) {
        m_prompt.Tell("Session profiles could not be saved; the stored profiles are unchanged.\n" + saved.Err().text,
                      core::PromptIcon::Stop);
        return false;
    }
    for (Entry& e : m_entries) {
        if (!e.changed) continue;
        e.storedName = e.name;
        e.changed = false;
    }
    m_removed.clear();
    m_modified = false;
    return true;
}

bool SessionProfilesModel::Ok() {
    if (!Save()) return false;
    std::unique_ptr<CSessionProfile> chosen;
    if (const auto found = Find(m_typed)) {
        const Entry& e = m_entries[*found];
        if (!e.profile) {
            m_prompt.Tell("Session profile \"" + e.name + "\" could not be read (" + e.error +
                              ").\nEdit or delete it, or choose another.",
                          core::PromptIcon::Exclamation);
            return false;
        }
        chosen = std::make_unique<CSessionProfile>(*e.profile);
    } else {
        // A typed host that names no profile gets a default profile on that host.
        if (m_typed.empty()) {
            m_prompt.Tell(kServerNotEntered);
            return false;
        }
        if (m_typed.size() > kMaxServerLength) {
            m_prompt.Tell("Please enter no more than " + std::to_string(kMaxServerLength) + " characters.",
                          core::PromptIcon::Exclamation);
            return false;
        }
        chosen = std::make_unique<CSessionProfile>();
        chosen->serverAddress = m_typed;
    }
    if (m_traceFileOpen && m_traceFileOpen(chosen->traceFile)) {
        m_prompt.Tell("Tracefile " + chosen->traceFile + "\n is already opened!");
        return false;
    }
    m_chosen = std::move(chosen);
    return true;
}

bool SessionProfilesModel::Cancel() {
    if (Save()) return true;
    return m_prompt.Show("Close the dialog anyway? The changes made to the session profiles are then lost.",
                         core::PromptIcon::Question, core::PromptButtons::YesNo) == core::PromptAnswer::Yes;
}

}  // namespace profiles
