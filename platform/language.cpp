#include "platform/language.h"

#include "platform/files.h"
#include "platform/platform.h"
#include "platform/registry_helpers.h"
#include "platform/startup_state.h"
#include "platform/text.h"

namespace quellora {

namespace {

const LanguageRow kLanguages[] = {
    {0x409, u"tw_rsrc_english.dll", u"English", u"English"},
    {0x419, u"tw_rsrc_russian.dll", u"Russian", u"Русский"},
    {0x804, u"tw_rsrc_chinese.dll", u"Chinese Simplified", u"简体中文"},
    {0x404, u"tw_rsrc_chinese_traditional.dll", u"Chinese Traditional", u"繁體中文"},
    {0x407, u"tw_rsrc_german.dll", u"German", u"Deutsch"},
    {0x40a, u"tw_rsrc_spanish.dll", u"Spanish", u"Español"},
    {0x40c, u"tw_rsrc_french.dll", u"French", u"Français"},
    {0x410, u"tw_rsrc_italian.dll", u"Italian", u"Italiano"},
    {0x416, u"tw_rsrc_ptbr.dll", u"Portuguese/Brazilian", u"Português (Brasil)"},
    {0x415, u"tw_rsrc_polish.dll", u"Polish", u"Polski"},
    {0x411, u"tw_rsrc_japanese.dll", u"Japanese", u"日本語"},
    {0x40b, u"tw_rsrc_finnish.dll", u"Finnish", u"Suomi"},
    {0x424, u"tw_rsrc_slovenian.dll", u"Slovenian", u"Slovenščina"},
    {0x41f, u"tw_rsrc_turkish.dll", u"Turkish", u"Türkçe"},
    {0x402, u"tw_rsrc_bulgarian.dll", u"Bulgarian", u"Български"},
    {0x412, u"tw_rsrc_korean.dll", u"Korean", u"한국어"},
};

constexpr std::u16string_view kLanguageValues[] = {u"InstallerLanguageDWORD", u"InstallerLanguage", u"Language"};

// A language module is loaded from the executable's folder only, never by
// bare name through the search path.
ModuleHandle LoadModuleFile(std::u16string_view file) {
    ResourceModules* modules = Sys().modules;
    std::u16string folder = ExecutableFolder();
    if (!modules || folder.empty()) return 0;
    return modules->LoadByPath(JoinPath(folder, file));
}

}  // namespace

const LanguageRow* LanguageTable(size_t& count) {
    count = std::size(kLanguages);
    return kLanguages;
}

const LanguageRow* FindLanguage(uint16_t id) {
    for (const auto& row : kLanguages) {
        if (row.id == id) return &row;
    }
    return nullptr;
}

uint16_t ReadLanguage() {
    for (auto name : kLanguageValues) {
        uint32_t value = 0;
        if (ReadDwordUserThenMachine(kAppKey, name, value) && value != 0) return static_cast<uint16_t>(value);
    }
    uint16_t ui = Sys().system ? Sys().system->UserDefaultUILanguage() : 0;
    for (const auto& row : kLanguages) {
        if ((row.id & 0x3FF) == (ui & 0x3FF)) return row.id;
    }
    return 0;
}

uint16_t SelectLanguage() {
    uint16_t language = ReadLanguage();
    if (language != 0) {
        State().currentLanguage = language;
        SaveLanguage(language);
    }
    return language;
}

void SaveLanguage(uint16_t language) {
    WriteDword(Hive::CurrentUser, kAppKey, u"Language", language);
    WriteDword(Hive::LocalMachine, kAppKey, u"Language", language);
    uint32_t raw = language;
    uint8_t bytes[4] = {static_cast<uint8_t>(raw), static_cast<uint8_t>(raw >> 8), 0, 0};
    WriteBinary(Hive::LocalMachine, u"SOFTWARE\\Quellora", u"Quellora", bytes, sizeof bytes);
    WriteBinary(Hive::CurrentUser, u"SOFTWARE\\Quellora", u"Quellora", bytes, sizeof bytes);
}

bool LoadResourceModule() {
    const LanguageRow* row = FindLanguage(State().currentLanguage);
    if (!row) row = &kLanguages[0];
    ModuleHandle module = LoadModuleFile(row->moduleFile);
    if (!module) {
        if (Sys().console) Sys().console->WriteError(kModuleLoadError);
        if (Sys().interaction) Sys().interaction->MessageBox(kModuleLoadError, u"Taskwarden", mb::kIconError);
        return false;
    }
    State().resourceModule = module;
    if (!State().englishModule) State().englishModule = LoadModuleFile(kEnglishModule);
    return true;
}

bool LoadEnglishModuleOnly() {
    ModuleHandle module = LoadModuleFile(kEnglishModule);
    if (!module) return false;
    State().resourceModule = module;
    State().englishModule = module;
    return true;
}

std::u16string LoadText(uint32_t id) {
    ResourceModules* modules = Sys().modules;
    if (!modules) return {};
    StartupState& state = State();
    std::u16string text = modules->LoadString(state.resourceModule, id, kMaxTextLength + 1);
    if (!text.empty()) return text;
    if (state.englishFallbackLoaded) {
        // The first fallback makes sure the English module is held (it is
        // loaded at the start; a failed load is tried once more here).
        if (!state.englishModule) state.englishModule = LoadModuleFile(kEnglishModule);
        state.englishFallbackLoaded = false;
    }
    const ModuleHandle english = state.englishModule;
    return english ? modules->LoadString(english, id, kMaxTextLength + 1) : std::u16string();
}

bool IsLanguageSupported(uint16_t language) { return FindLanguage(language) != nullptr; }

bool IsLanguageAvailable(uint16_t language) {
    const LanguageRow* row = FindLanguage(language);
    if (!row) return false;
    // The module that would be loaded: the file in the executable's folder.
    std::u16string folder = ExecutableFolder();
    return FileExists(folder.empty() ? std::u16string(row->moduleFile) : JoinPath(folder, row->moduleFile));
}

std::u16string LanguageName(uint16_t language) {
    const LanguageRow* row = FindLanguage(language);
    return row ? std::u16string(row->englishName) : std::u16string();
}

bool ChangeLanguage(uint16_t language) {
    WriteDword(Hive::CurrentUser, kAppKey, u"InstallerLanguageDWORD", language);
    WriteDword(Hive::CurrentUser, kAppKey, u"Language", language);
    WriteString(Hive::CurrentUser, kAppKey, u"InstallerLanguage", ToDecimal(uint32_t(language)));
    return language != State().currentLanguage;
}

}  // namespace quellora
