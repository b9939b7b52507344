#include "cleanup/clean_software_registry.h"

#include "channels/program_channels.h"
#include "quill/registry2/key.h"

namespace korve::cleanup {
namespace {

using quill::registry2::key;

const wchar_t* const kUninstall = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
const wchar_t* const kProductEntry = L"Velocore";

void Note(const char* text) {
    MainChannel().write(quill::log::level_note, std::string(text));
}

bool BeginsWith(const std::wstring& text, const std::wstring& prefix) {
    return text.compare(0, prefix.size(), prefix) == 0;
}

bool IsHexDigit(wchar_t c) {
    return (c >= L'0' && c <= L'9') || (c >= L'a' && c <= L'f') || (c >= L'A' && c <= L'F');
}

// "{8-4-4-4-12}" of hex digits. Anything shorter or looser (a truncated write such as "{6")
// would begin the names of many other programs' entries, which are braced GUIDs themselves.
bool IsBracedGuid(const std::wstring& text) {
    const std::wstring shape = L"{xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx}";
    if (text.size() != shape.size()) return false;
    for (std::size_t i = 0; i < shape.size(); ++i) {
        if (shape[i] == L'x' ? !IsHexDigit(text[i]) : text[i] != shape[i]) return false;
    }
    return true;
}

// No sub-key and no value (the values are asked only when there is no sub-key).
bool IsEmptyKey(const key& k) {
    return k.sub_keys().empty() && k.value_names().empty();
}

// A path read before an error stays.
void ReadProductFacts(ProductFacts& facts) {
    const key hive = key::open_handle(HKEY_LOCAL_MACHINE);
    key misc = key::open(hive, L"Software\\Kestrana\\KORVE\\Misc");
    facts.installed_application_path = misc.get_string(L"AppPath");
    facts.installed_version = misc.get_string(L"InstalledVersion");
}

void DeleteUninstallEntries() {
    const key hive = key::open_handle(HKEY_LOCAL_MACHINE);
    const std::wstring product_code =
        key::open(hive, std::wstring(kUninstall) + L"\\" + kProductEntry)
            .get_string(L"Product Code");
    key uninstall = key::open(hive, kUninstall);
    for (const std::wstring& name : uninstall.sub_keys()) {
        if (!IsProductUninstallEntry(name, product_code)) continue;
        // A wide format: the name reaches the log whatever the ANSI code page holds.
        MainChannel().write(quill::log::level_note,
                            L"HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\%ls",
                            name.c_str());
        uninstall.delete_key(name);
    }
}

void DeleteProductUninstallEntry() {
    const key hive = key::open_handle(HKEY_LOCAL_MACHINE);
    key::open(hive, kUninstall).delete_key(kProductEntry);
    Note("HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Velocore");
}

// The product's sub-key of the brand key, then the brand key when nothing else is left in it.
void DeleteBrandKey(HKEY root, const char* product_line, const char* brand_line) {
    const key hive = key::open_handle(root);
    key brand = key::open(hive, L"Software\\Kestrana");
    try {
        brand.delete_key(L"KORVE");
        Note(product_line);
    } catch (...) {
        // Already gone or not deletable: the brand key may still be empty.
    }
    if (!IsEmptyKey(brand)) return;
    brand.close();
    key::open(hive, L"Software").delete_key(L"Kestrana");
    Note(brand_line);
}

void DeleteAppPath() {
    const key hive = key::open_handle(HKEY_LOCAL_MACHINE);
    key::open(hive, L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths")
        .delete_key(L"Velocore.exe");
    Note("HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\Velocore.exe");
}

void DeleteSuiteRegistration() {
    const key hive = key::open_handle(HKEY_LOCAL_MACHINE);
    key product = key::open(hive, L"SOFTWARE\\Pellam Suite\\KORVE");
    product.delete_key(L"5");
    Note("HKLM\\SOFTWARE\\Pellam Suite\\KORVE\\5");
    if (!IsEmptyKey(product)) return;
    product.close();
    key::open(hive, L"SOFTWARE\\Pellam Suite").delete_key(L"KORVE");
    Note("HKLM\\SOFTWARE\\Pellam Suite\\KORVE");
}

void DeleteSuiteKeyWhenEmpty() {
    const key hive = key::open_handle(HKEY_LOCAL_MACHINE);
    key suite = key::open(hive, L"SOFTWARE\\Pellam Suite");
    if (!IsEmptyKey(suite)) return;
    suite.close();
    key::open(hive, L"SOFTWARE").delete_key(L"Pellam Suite");
    Note("HKLM\\SOFTWARE\\Pellam Suite");
}

// Runs one block; any error ends only that block, silently. Returns whether it completed.
template <typename Block>
bool Guarded(Block block) {
    try {
        block();
        return true;
    } catch (...) {
        return false;
    }
}

}  // namespace

bool IsProductUninstallEntry(const std::wstring& entry_name, const std::wstring& product_code) {
    return BeginsWith(entry_name, kProductEntry) ||
           (IsBracedGuid(product_code) && BeginsWith(entry_name, product_code));
}

ProductFacts CleanSoftwareRegistry() {
    quill::log::channel& log = MainChannel();
    log.write(quill::log::level_note, "**** Cleaning SOFTWARE registry ****");
    log.write(quill::log::level_note, "");

    ProductFacts facts;
    Guarded([&facts] { ReadProductFacts(facts); });
    if (!Guarded(DeleteUninstallEntries)) Guarded(DeleteProductUninstallEntry);
    Guarded([] {
        DeleteBrandKey(HKEY_CURRENT_USER, "HKCU\\Software\\Kestrana\\KORVE",
                       "HKCU\\Software\\Kestrana");
    });
    Guarded([] {
        DeleteBrandKey(HKEY_LOCAL_MACHINE, "HKLM\\Software\\Kestrana\\KORVE",
                       "HKLM\\Software\\Kestrana");
    });
    Guarded(DeleteAppPath);
    Guarded(DeleteSuiteRegistration);
    Guarded(DeleteSuiteKeyWhenEmpty);

    log.write(quill::log::level_note, kSeparatorLine);
    log.write(quill::log::level_note, "");
    return facts;
}

}  // namespace korve::cleanup
