// Language resource modules: which language, which module, and every text of
// the program by number with the English module as fallback.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace quellora {

struct LanguageRow {
    uint16_t id;
    const char16_t* moduleFile;
    const char16_t* englishName;
    const char16_t* nativeName;
};

// The languages in the order of the settings page's list; the first is the default.
const LanguageRow* LanguageTable(size_t& count);
const LanguageRow* FindLanguage(uint16_t id);

inline constexpr std::u16string_view kEnglishModule = u"tw_rsrc_english.dll";
inline constexpr size_t kMaxTextLength = 1023;

// InstallerLanguageDWORD, InstallerLanguage, Language (HKCU, else HKLM), else the
// user interface language by primary language; 0 when none matches.
uint16_t ReadLanguage();
// ReadLanguage, and when it finds a language, makes it current and stores it.
uint16_t SelectLanguage();
void SaveLanguage(uint16_t language);
// Loads the module of the current language from the executable's folder (as an
// image resource: no code of it runs). When it cannot be loaded the start
// cannot continue: the user is told, and false is returned (exit code 1).
bool LoadResourceModule();
// Loads the English module for the parts that run without a language choice.
bool LoadEnglishModuleOnly();
// A string of the resource module, at most 1023 characters; the English text
// when the module lacks it; empty when neither has it.
std::u16string LoadText(uint32_t id);
bool IsLanguageSupported(uint16_t language);
bool IsLanguageAvailable(uint16_t language);
std::u16string LanguageName(uint16_t language);
// The registry half of choosing a language on the settings page; true when it
// differs from the current language (the page then offers to restart).
bool ChangeLanguage(uint16_t language);

// The message shown when no module can be loaded.
inline constexpr std::u16string_view kModuleLoadError =
    u"There was an error loading the resource DLL tw_rsrc_english.dll!";

}  // namespace quellora
