#include "inifiles.h"

#include <algorithm>
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

std::vector<std::string> readLines(const std::string& path)
{
    std::vector<std::string> lines;
    std::ifstream in(path, std::ios::binary);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
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
    bool found = false;
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
        } else if (!found && sameName(k, keyName.c_str())) {
            result = trim(line.substr(eq + 1));
            found = true;
        }
    }
    if (!key) {
        const int n = std::min(static_cast<int>(names.size()), size - 2 < 0 ? 0 : size - 2);
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

bool IniFiles::WriteAll(const char* section, const KeyValue* pairs, int count, const char* file) const
{
    // Names are matched trimmed, as Get matches them: a key written as " name" or "name " is the
    // line "name=" already in the file, never a second line beside it.
    const std::string sectionName = trim(section);
    ::mkdir(folder_.c_str(), 0700);
    const std::string path = folder_ + "/" + file;
    std::vector<std::string> lines = readLines(path);
    for (int p = 0; p < count; ++p) {
        const std::string keyName = trim(pairs[p].key);
        const char* value = pairs[p].value;
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
            if (!value) continue;
            lines.push_back("[" + sectionName + "]");
            lines.push_back(keyName + "=" + value);
            continue;
        }
        bool done = false;
        for (int k = sectionStart + 1; k < sectionEnd && !done; ++k) {
            const std::string& line = lines[static_cast<std::size_t>(k)];
            const auto eq = line.find('=');
            if (eq == std::string::npos || !sameName(trim(line.substr(0, eq)), keyName.c_str())) continue;
            if (value) lines[static_cast<std::size_t>(k)] = keyName + "=" + value;
            else lines.erase(lines.begin() + k);
            done = true;
        }
        if (!done && value) lines.insert(lines.begin() + sectionEnd, keyName + "=" + value);
    }
    std::string text;
    for (const std::string& line : lines) text += line + "\r\n";
    return writeWhole(path, text);
}

}  // namespace kesmir
