// Every language module holds every dialog, menu and icon of the English one,
// with the same controls and commands: their numbers are the program's
// contract with the module.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>

namespace {

struct Script {
    std::set<std::string> resources;                  // "0x143F DIALOGEX", "0x1446 MENU", ...
    std::map<std::string, std::set<long>> contents;  // a resource's control or command numbers
};

Script Read(const std::string& language) {
    std::ifstream in(std::string(QUELLORA_SOURCE_DIR) + "/resources/lang/" + language + ".rc");
    Script s;
    std::string line, current;
    const std::regex head(R"(^(0x[0-9A-Fa-f]+|\d+)\s+(DIALOGEX|DIALOG|MENU|ICON)\b)");
    const std::regex item(R"(^\s*(?!FONT|STYLE|CAPTION)[A-Z]+\s+(?:"(?:[^"]|"")*"\s*,\s*)?(-?\d+)\s*(?:,|\s|$))");
    const std::regex control(R"(^\s*CONTROL\s+"(?:[^"]|"")*"\s*,\s*(-?\d+)\s*,)");
    std::smatch m;
    while (std::getline(in, line)) {
        if (std::regex_search(line, m, head)) {
            current = std::to_string(std::stol(m[1].str(), nullptr, 0)) + " " + m[2].str();
            s.resources.insert(current);
            continue;
        }
        if (line.rfind("STRINGTABLE", 0) == 0) current.clear();
        if (current.empty() || current.find("ICON") != std::string::npos) continue;
        if (std::regex_search(line, m, control) || std::regex_search(line, m, item)) {
            const long id = std::stol(m[1].str());
            if (id >= 0) s.contents[current].insert(id);
        }
    }
    return s;
}

TEST(LanguageModules, EveryModuleHoldsEveryDialogMenuAndIconWithTheSameNumbers) {
    const Script english = Read("english");
    ASSERT_TRUE(english.resources.count(std::to_string(0x143E) + " DIALOGEX")) << "the main window";
    ASSERT_TRUE(english.resources.count(std::to_string(0x1446) + " MENU"));
    ASSERT_TRUE(english.contents.at(std::to_string(0x143F) + " DIALOGEX").count(3103)) << "the editor's AC floor";
    for (const char* language : {"german"}) {
        const Script other = Read(language);
        EXPECT_EQ(other.resources, english.resources) << language;
        for (const auto& [resource, ids] : english.contents) {
            const auto found = other.contents.find(resource);
            ASSERT_NE(found, other.contents.end()) << language << " " << resource;
            EXPECT_EQ(found->second, ids) << language << " " << resource;
        }
    }
}

}  // namespace
