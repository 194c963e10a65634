#include "inifiles.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kesmir {

namespace {

std::string trim(const std::string& s)
{
    const auto b = s.find_first_not_of(" \t\r");
    if (b == std::string::npos) return {};
    return s.substr(b, s.find_last_not_of(" \t\r") - b + 1);
}

bool sameName(const std::string& a, const char* b)
{
    const std::size_t n = std::strlen(b);
    if (a.size() != n) return false;
    for (std::size_t k = 0; k < n; ++k) {
        const auto x = static_cast<unsigned char>(a[k]), y = static_cast<unsigned char>(b[k]);
        if (std::tolower(x) != std::tolower(y)) return false;
    }
    return true;
}

// The file's lines; a missing file has none. False when the file is there but cannot be read
// whole: a writer must not then replace it with only the keys it writes.
bool readLines(const std::string& path, std::vector<std::string>* lines)
{
    lines->clear();
    std::ifstream in(path, std::ios::binary);
    if (!in) return ::access(path.c_str(), F_OK) != 0 && errno == ENOENT;
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines->push_back(line);
    }
    return !in.bad();
}

std::vector<std::string> readLines(const std::string& path)
{
    std::vector<std::string> lines;
    readLines(path, &lines);
    return lines;
}

bool isSection(const std::string& line, std::string* name)
{
    const std::string t = trim(line);
    if (t.size() < 2 || t.front() != '[' || t.back() != ']') return false;
    *name = trim(t.substr(1, t.size() - 2));
    return true;
}

// Replaces the file as a whole: the new text goes to a temporary file beside it, which is then
// renamed over the old one, so that a reader (another program reloading its settings) sees either
// the old file or the new one, never a half-written or empty one.
bool writeWhole(const std::string& path, const std::string& text)
{
    std::string temporary = path + ".XXXXXX";
    const int fd = ::mkstemp(temporary.data());
    if (fd < 0) return false;
    std::size_t written = 0;
    while (written < text.size()) {
        const ssize_t n = ::write(fd, text.data() + written, text.size() - written);
        if (n <= 0) break;
        written += static_cast<std::size_t>(n);
    }
    const bool ok = written == text.size() && ::fsync(fd) == 0;
    ::close(fd);
    if (!ok || ::rename(temporary.c_str(), path.c_str()) != 0) {
        ::unlink(temporary.c_str());
        return false;
    }
    return true;
}

bool writeLines(const std::string& path, const std::vector<std::string>& lines)
{
    std::string text;
    for (const std::string& line : lines) text += line + "\r\n";
    return writeWhole(path, text);
}

}  // namespace

IniFiles::IniFiles(std::string folder) : folder_(std::move(folder)) {}

std::string IniFiles::DefaultFolder()
{
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    std::string base = xdg && *xdg ? xdg : std::string(std::getenv("HOME") ? std::getenv("HOME") : ".") + "/.config";
    return base + "/kesmir";
}

int IniFiles::Get(const char* section, const char* key, const char* fallback, char* out, int size, const char* file) const
{
    if (size <= 0) return 0;
    const std::string sectionName = trim(section);
    const std::string keyName = key ? trim(key) : std::string();
    std::string result;
    bool found = false, exact = false;  // a key in the same letter case wins over one in another
    std::string names;  // zero-separated keys
    std::string current;
    bool inSection = false;
    for (const std::string& line : readLines(folder_ + "/" + file)) {
        std::string name;
        if (isSection(line, &name)) {
            inSection = sameName(name, sectionName.c_str());
            continue;
        }
        if (!inSection) continue;
        const auto eq = line.find('=');
        if (eq == std::string::npos) continue;
        const std::string k = trim(line.substr(0, eq));
        if (k.empty()) continue;
        if (!key) {
            names += k;
            names += '\0';
        } else if (!exact && sameName(k, keyName.c_str()) && (!found || k == keyName)) {
            result = trim(line.substr(eq + 1));
            found = true;
            exact = k == keyName;
        }
    }
    if (!key) {
        // Whole names only: a name cut short by the buffer would be another key.
        int n = std::min(static_cast<int>(names.size()), size - 2 < 0 ? 0 : size - 2);
        if (n < static_cast<int>(names.size())) {
            while (n > 0 && names[static_cast<std::size_t>(n - 1)] != '\0') --n;
        }
        std::memcpy(out, names.data(), static_cast<std::size_t>(n));
        out[n] = 0;
        if (n + 1 < size) out[n + 1] = 0;
        return n;
    }
    if (!found) result = fallback ? fallback : "";
    const int n = std::min(static_cast<int>(result.size()), size - 1);
    std::memcpy(out, result.data(), static_cast<std::size_t>(n));
    out[n] = 0;
    return n;
}

bool IniFiles::Write(const char* section, const char* key, const char* value, const char* file) const
{
    const KeyValue one{key, value};
    return WriteAll(section, &one, key ? 1 : 0, file);
}

namespace {

// Sets key `to` (null value: deletes) in the place of key `from`'s line, or at the end of the
// section when `from` is not there. Names are matched trimmed, as Get matches them, so that a key
// written as " name" or "name " is the line "name=" already in the file, never a second line; a
// line in the same letter case is taken before one that differs only in case.
void setKey(std::vector<std::string>& lines, const std::string& sectionName, const std::string& from, const std::string& to,
            const char* value)
{
    int sectionStart = -1, sectionEnd = static_cast<int>(lines.size());
    for (int k = 0; k < static_cast<int>(lines.size()); ++k) {
        std::string name;
        if (!isSection(lines[static_cast<std::size_t>(k)], &name)) continue;
        if (sectionStart >= 0) {
            sectionEnd = k;
            break;
        }
        if (sameName(name, sectionName.c_str())) sectionStart = k;
    }
    if (sectionStart < 0) {
        if (!value) return;
        lines.push_back("[" + sectionName + "]");
        lines.push_back(to + "=" + value);
        return;
    }
    int found = -1;
    for (int k = sectionStart + 1; k < sectionEnd; ++k) {
        const std::string& line = lines[static_cast<std::size_t>(k)];
        const auto eq = line.find('=');
        if (eq == std::string::npos) continue;
        const std::string key = trim(line.substr(0, eq));
        if (key == from) {
            found = k;
            break;
        }
        if (found < 0 && sameName(key, from.c_str())) found = k;
    }
    if (found >= 0 && value) lines[static_cast<std::size_t>(found)] = to + "=" + value;
    else if (found >= 0) lines.erase(lines.begin() + found);
    else if (value) lines.insert(lines.begin() + sectionEnd, to + "=" + value);
}

}  // namespace

bool IniFiles::WriteAll(const char* section, const KeyValue* pairs, int count, const char* file) const
{
    ::mkdir(folder_.c_str(), 0700);
    const std::string path = folder_ + "/" + file;
    std::vector<std::string> lines;
    if (!readLines(path, &lines)) return false;
    for (int p = 0; p < count; ++p) {
        const std::string key = trim(pairs[p].key);
        setKey(lines, trim(section), key, key, pairs[p].value);
    }
    return writeLines(path, lines);
}

bool IniFiles::Rename(const char* section, const char* from, const char* to, const char* value, const char* file) const
{
    ::mkdir(folder_.c_str(), 0700);
    const std::string path = folder_ + "/" + file;
    std::vector<std::string> lines;
    if (!readLines(path, &lines)) return false;
    setKey(lines, trim(section), trim(from), trim(to), value);
    return writeLines(path, lines);
}

}  // namespace kesmir
