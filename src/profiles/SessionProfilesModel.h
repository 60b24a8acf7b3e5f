// Everything the "Session Profiles" dialog decides, without a display: the sorted profile
// list with its selection and edit line, New, Edit and Delete through the "Profile
// settings" sheet's values, the modified flag and the save, and the OK that picks the
// profile a capture window opens with. The Qt dialog and palomet-cli profile both drive it.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/UserPrompt.h"
#include "profiles/CSessionProfile.h"
#include "profiles/ProfileForm.h"
#include "profiles/ProfileStore.h"

namespace profiles {

inline constexpr std::string_view kServerNotEntered = "Server address not entered!\nSession profile not created.";

class SessionProfilesModel {
public:
    // Whether a trace file is already open in a capture window; the application answers.
    using TraceFileOpen = std::function<bool(const std::string& path)>;

    SessionProfilesModel(ProfileStore& store, core::UserPrompt& prompt, TraceFileOpen traceFileOpen = {});

    // The stored profiles, sorted; no selection and an empty edit line. A store that cannot
    // be read, and values that do not load, are told to the user; such a value keeps its
    // bytes in the store until its entry is edited or deleted.
    void Load();

    std::size_t Count() const noexcept { return m_entries.size(); }
    const std::string& NameAt(std::size_t i) const { return m_entries.at(i).name; }
    // Null for an entry whose stored value could not be read.
    const CSessionProfile* ProfileAt(std::size_t i) const;
    const std::string& ErrorAt(std::size_t i) const { return m_entries.at(i).error; }
    // The entry of that name, letter case ignored.
    std::optional<std::size_t> Find(std::string_view name) const;

    std::optional<std::size_t> Selection() const noexcept { return m_selection; }
    // Selecting an entry puts its name in the edit line.
    void Select(std::optional<std::size_t> index);
    const std::string& TypedText() const noexcept { return m_typed; }
    // Typing keeps the selection only while the text still names the selected entry.
    void SetTypedText(std::string text);

    // The sheet's values for New (empty pages) and for Edit of the selected entry.
    static ProfileForm FormForNew() { return ProfileForm{}; }
    std::optional<ProfileForm> FormForEdit() const;

    // After the sheet closed with OK. False, after telling the user, when the server address
    // is empty, a field fails its check, or the name is taken by another entry.
    bool New(const ProfileForm& form);
    bool Edit(const ProfileForm& form);
    // Deletes the selected entry without asking; false without a selection.
    bool Delete();

    bool Modified() const noexcept { return m_modified; }
    // Writes the changes back; on failure the user is told and the store is left as it was.
    bool Save();

    // OK (or a double click): saves, then picks the edit line's profile, or a default profile
    // on the typed host. False while the dialog must stay open (the user was told why).
    bool Ok();
    // Cancel: saves; when that fails, asks whether to close anyway. True when it closes.
    bool Cancel();
    // The profile OK picked; the caller owns it from then on.
    std::unique_ptr<CSessionProfile> TakeChosenProfile() { return std::move(m_chosen); }

private:
    struct Entry {
        std::string name;
        std::optional<CSessionProfile> profile;
        std::string error;                      // why the stored value could not be read
        std::optional<std::string> storedName;  // the name it is stored under, if any
        bool changed = false;                   // written by the next save
    };

    bool Accept(const ProfileForm& form, std::optional<std::size_t> replacing, std::string_view refusal);
    std::size_t Insert(Entry entry);

    ProfileStore& m_store;
    core::UserPrompt& m_prompt;
    TraceFileOpen m_traceFileOpen;
    std::vector<Entry> m_entries;
    std::vector<std::string> m_removed;  // stored names of deleted or renamed entries
    std::optional<std::size_t> m_selection;
    std::string m_typed;
    bool m_modified = false;
    std::unique_ptr<CSessionProfile> m_chosen;
};

}  // namespace profiles
