// Profile (INI) files as the keyboard keeps them: bare file names in one folder (the user's
// configuration folder, $XDG_CONFIG_HOME/kesmir), sections and keys matched without regard to
// letter case, values trimmed of blanks. A file that is there but cannot be read is never
// written over.
#pragma once

#include <string>

namespace kesmir {

class IniFiles {
public:
    explicit IniFiles(std::string folder);
    static std::string DefaultFolder();

    int Get(const char* section, const char* key, const char* fallback, char* out, int size, const char* file) const;
    // Writes a key (a null value deletes it).
    bool Write(const char* section, const char* key, const char* value, const char* file) const;
    // Writes several keys of one section in one replacement of the file, so that a reader sees
    // all of them changed or none.
    struct KeyValue {
        const char* key;
        const char* value;
    };
    bool WriteAll(const char* section, const KeyValue* pairs, int count, const char* file) const;
    // Writes key `to` with its value in the place of key `from`'s line (at the section's end when
    // `from` is not there), so that a renamed key keeps its place among the others.
    bool Rename(const char* section, const char* from, const char* to, const char* value, const char* file) const;
    const std::string& folder() const { return folder_; }

private:
    std::string folder_;
};

}  // namespace kesmir
