// rcstrings: turns the string tables of a language module's resource script
// into the text form the host build loads as that module.
//
//   rcstrings <module.rc> <output>
//
// Only STRINGTABLE blocks are read: lines "<number>, \"<text>\"" (the comma is
// optional). Escapes of the resource compiler are honoured: \n \t \r \\ \" and
// a doubled quote. Everything else of the script is ignored.
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <map>
#include <sstream>
#include <string>

namespace {

std::string Trim(const std::string& s) {
    size_t b = s.find_first_not_of(" \t\r");
    size_t e = s.find_last_not_of(" \t\r");
    return b == std::string::npos ? std::string() : s.substr(b, e - b + 1);
}

bool ParseEntry(const std::string& line, unsigned long& id, std::string& text, std::string& error) {
    size_t i = 0;
    while (i < line.size() && std::isdigit(static_cast<unsigned char>(line[i]))) ++i;
    if (i == 0) {
        error = "expected a string number";
        return false;
    }
    id = std::strtoul(line.substr(0, i).c_str(), nullptr, 10);
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t' || line[i] == ',')) ++i;
    if (i < line.size() && line[i] == 'L') ++i;
    if (i >= line.size() || line[i] != '"') {
        error = "expected a quoted text";
        return false;
    }
    ++i;
    text.clear();
    for (; i < line.size(); ++i) {
        char c = line[i];
        if (c == '"') {
            if (i + 1 < line.size() && line[i + 1] == '"') {
                text.push_back('"');
                ++i;
                continue;
            }
            return true;
        }
        if (c == '\\' && i + 1 < line.size()) {
            char e = line[++i];
            switch (e) {
                case 'n': text.push_back('\n'); break;
                case 't': text.push_back('\t'); break;
                case 'r': text.push_back('\r'); break;
                default: text.push_back(e); break;
            }
            continue;
        }
        text.push_back(c);
    }
    error = "unterminated text";
    return false;
}

std::string Escape(const std::string& s) {
    std::string out;
    for (char c : s) {
        switch (c) {
            case '\\': out += "\\\\"; break;
            case '\n': out += "\\n"; break;
            case '\t': out += "\\t"; break;
            case '\r': out += "\\r"; break;
            default: out.push_back(c);
        }
    }
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::cerr << "usage: rcstrings <module.rc> <output>\n";
        return 1;
    }
    std::ifstream in(argv[1], std::ios::binary);
    if (!in) {
        std::cerr << "rcstrings: cannot read " << argv[1] << "\n";
        return 1;
    }
    std::map<unsigned long, std::string> strings;
    std::string line;
    int lineNumber = 0;
    enum { Outside, AwaitBegin, Inside } state = Outside;
    while (std::getline(in, line)) {
        ++lineNumber;
        if (lineNumber == 1 && line.compare(0, 3, "\xEF\xBB\xBF") == 0) line.erase(0, 3);
        std::string t = Trim(line);
        if (t.empty() || t.compare(0, 2, "//") == 0) continue;
        if (state == Outside) {
            if (t.compare(0, 11, "STRINGTABLE") == 0) state = AwaitBegin;
            if (state == AwaitBegin && (t.find('{') != std::string::npos || t.find("BEGIN") != std::string::npos))
                state = Inside;
            continue;
        }
        if (state == AwaitBegin) {
            if (t == "{" || t == "BEGIN") state = Inside;
            continue;
        }
        if (t == "}" || t == "END") {
            state = Outside;
            continue;
        }
        unsigned long id = 0;
        std::string text, error;
        if (!ParseEntry(t, id, text, error)) {
            std::cerr << argv[1] << ":" << lineNumber << ": " << error << "\n";
            return 1;
        }
        if (!strings.emplace(id, text).second) {
            std::cerr << argv[1] << ":" << lineNumber << ": string " << id << " defined twice\n";
            return 1;
        }
    }
    std::ostringstream out;
    out << "QUELLORA STRINGS 1\n";
    for (const auto& [id, text] : strings) out << id << '\t' << Escape(text) << '\n';
    std::string tmp = std::string(argv[2]) + ".tmp";
    {
        std::ofstream file(tmp, std::ios::binary | std::ios::trunc);
        file << out.str();
        if (!file) {
            std::cerr << "rcstrings: cannot write " << tmp << "\n";
            return 1;
        }
    }
    if (std::rename(tmp.c_str(), argv[2]) != 0) {
        std::cerr << "rcstrings: cannot write " << argv[2] << "\n";
        return 1;
    }
    return 0;
}
