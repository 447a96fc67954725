#include "platform/inifile.h"

#include <unistd.h>

#include <cctype>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <vector>

#include "platform/textutil.h"

namespace {

struct IniLine {
    std::string raw;      // line without its line ending
    std::string section;  // for a section header: its name
    std::string key;      // for a key line: its trimmed name
    std::string value;    // for a key line: its trimmed value
    bool isSection = false;
    bool isKey = false;
};

IniLine ClassifyLine(const std::string& raw) {
    IniLine line;
    line.raw = raw;
    std::string t = Trim(raw, kSpaceChars);
    if (t.empty() || t[0] == ';') return line;
    if (t[0] == '[') {
        std::size_t close = t.find(']');
        line.isSection = true;
        line.section = Trim(t.substr(1, close == std::string::npos ? std::string::npos : close - 1),
                            kSpaceChars);
        return line;
    }
    std::size_t eq = t.find('=');
    if (eq == std::string::npos) return line;
    line.isKey = true;
    line.key = Trim(t.substr(0, eq), kSpaceChars);
    line.value = Trim(t.substr(eq + 1), kSpaceChars);
    return line;
}

struct IniText {
    std::vector<IniLine> lines;
    std::string eol = "\n";
    bool exists = false;
};

IniText ReadIni(const std::string& path) {
    IniText ini;
    std::ifstream in(path, std::ios::binary);
    if (!in) return ini;
    ini.exists = true;
    std::stringstream ss;
    ss << in.rdbuf();
    std::string text = ss.str();
    if (text.rfind("\xEF\xBB\xBF", 0) == 0) text.erase(0, 3);
    if (text.find("\r\n") != std::string::npos) ini.eol = "\r\n";
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t nl = text.find('\n', pos);
        std::string raw = text.substr(pos, nl == std::string::npos ? std::string::npos : nl - pos);
        if (!raw.empty() && raw.back() == '\r') raw.pop_back();
        ini.lines.push_back(ClassifyLine(raw));
        if (nl == std::string::npos) break;
        pos = nl + 1;
    }
    return ini;
}

// Index of the first key line of `key` inside `section`, or -1.
long FindKey(const IniText& ini, const std::string& section, const std::string& key) {
    bool inSection = false;
    for (std::size_t i = 0; i < ini.lines.size(); ++i) {
        const IniLine& l = ini.lines[i];
        if (l.isSection) {
            inSection = EqualsNoCase(l.section, section);
        } else if (inSection && l.isKey && EqualsNoCase(l.key, key)) {
            return static_cast<long>(i);
        }
    }
    return -1;
}

std::string Unquote(const std::string& v) {
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
        return v.substr(1, v.size() - 2);
    return v;
}

// Where a new key of `section` goes: after its last non-blank line; -1 when
// the section does not exist.
long SectionInsertPoint(const IniText& ini, const std::string& section) {
    long found = -1;
    for (std::size_t i = 0; i < ini.lines.size(); ++i) {
        const IniLine& l = ini.lines[i];
        if (l.isSection) {
            if (found >= 0) break;
            if (EqualsNoCase(l.section, section)) found = static_cast<long>(i);
        } else if (found >= 0 && !Trim(l.raw, kSpaceChars).empty()) {
            found = static_cast<long>(i);
        }
    }
    return found < 0 ? -1 : found + 1;
}

bool WriteLines(const IniText& ini, const std::string& path) {
    std::string tmp = path + ".tmp" + std::to_string(::getpid());
    {
        std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
        if (!out) return false;
        for (const IniLine& l : ini.lines)
            out << l.raw << ini.eol;
        if (!out.flush()) return false;
    }
    if (std::rename(tmp.c_str(), path.c_str()) != 0) {
        std::remove(tmp.c_str());
        return false;
    }
    return true;
}

}  // namespace

std::string GetPrivateProfileString(const std::string& section, const std::string& key,
                                    const std::string& def, const std::string& path,
                                    std::size_t bufferSize) {
    std::size_t limit = bufferSize > 0 ? bufferSize - 1 : 0;
    IniText ini = ReadIni(path);
    long i = FindKey(ini, section, key);
    std::string value = i < 0 ? def : Unquote(ini.lines[static_cast<std::size_t>(i)].value);
    if (value.size() > limit) value.resize(limit);
    return value;
}

int32_t GetPrivateProfileInt(const std::string& section, const std::string& key, int32_t def,
                             const std::string& path) {
    std::string v = GetPrivateProfileString(section, key, "", path, kIniShortBuffer);
    if (v.empty()) return def;
    std::size_t p = 0;
    bool negative = false;
    if (v[p] == '+' || v[p] == '-') negative = v[p++] == '-';
    int64_t n = 0;
    while (p < v.size() && std::isdigit(static_cast<unsigned char>(v[p]))) {
        n = n * 10 + (v[p++] - '0');
        if (n > 0xFFFFFFFFLL) n = 0xFFFFFFFFLL;  // saturate like the 32-bit platform read
    }
    // The platform reads the digits into an unsigned 32-bit value and returns it as int.
    uint32_t u = static_cast<uint32_t>(n);
    if (negative) u = 0u - u;
    return static_cast<int32_t>(u);
}

bool WritePrivateProfileString(const std::string& section, const std::string& key,
                               const std::string& value, const std::string& path) {
    IniText ini = ReadIni(path);
    std::string line = key + "=" + value;
    long i = FindKey(ini, section, key);
    if (i >= 0) {
        ini.lines[static_cast<std::size_t>(i)] = ClassifyLine(line);
    } else {
        long at = SectionInsertPoint(ini, section);
        if (at < 0) {
            if (!ini.lines.empty() && !Trim(ini.lines.back().raw, kSpaceChars).empty())
                ini.lines.push_back(ClassifyLine(""));
            ini.lines.push_back(ClassifyLine("[" + section + "]"));
            ini.lines.push_back(ClassifyLine(line));
        } else {
            ini.lines.insert(ini.lines.begin() + at, ClassifyLine(line));
        }
    }
    return WriteLines(ini, path);
}
