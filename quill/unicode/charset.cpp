#include "quill/unicode/charset.h"

#include <cctype>
#include <climits>
#include <cstdlib>
#include <new>
#include <utility>

namespace quill::unicode {
namespace {

using charset_map = std::map<std::string, codepage>;

struct charset_entry {
    const char* name;
    codepage page;
};

// Inserted in this order; where a name comes twice the first value stays. Several values
// differ from other code-page lists (isoir100, asmo780, iso2022jp, isoir148, the ISCII names,
// ascii): they are this library's established mapping and stay as they are.
constexpr charset_entry charset_insertions[] = {
    {"ascii", -1},
    {"usascii", -1},
    {"isoir6", 1252},
    {"isoir100", 1252},
    {"iso646us", 1252},
    {"utf8", 65001},
    {"unicode11utf8", 65001},
    {"unicode20utf8", 65001},
    {"utf7", 65000},
    {"unicode11utf7", 65000},
    {"unicode20utf7", 65000},
    {"asmo780", 780},
    {"arabic", 28596},
    {"csisolatinarabic", 28596},
    {"ecma114", 28596},
    {"isoir127", 28596},
    {"isoir110", 28594},
    {"gb18030", 54936},
    {"csgb2312", 936},
    {"csgb231280", 936},
    {"csiso58gb231280", 936},
    {"cngb", 936},
    {"gbk", 936},
    {"gb2312", 936},
    {"gb231280", 936},
    {"isoir58", 936},
    {"hzgb2312", 52936},
    {"xmacchinesesimp", 52936},
    {"big5", 950},
    {"cnbig5", 950},
    {"csbig5", 950},
    {"xxbig5", 950},
    {"xchinesecns", 20000},
    {"xchineseeten", 20002},
    {"euccn", 51936},
    {"cseuccn", 51936},
    {"xeuccn", 51936},
    {"csisolatincyrillic", 28595},
    {"cyrillic", 28595},
    {"isoir144", 28595},
    {"koi", 20866},
    {"koi8", 20866},
    {"koi8r", 20866},
    {"koi8u", 21866},
    {"koi8ru", 21866},
    {"isoir101", 28592},
    {"xeuropa", 29001},
    {"xia5german", 20106},
    {"xia5swedish", 20107},
    {"xia5norwegian", 20108},
    {"csisolatingreek", 28597},
    {"ecma118", 28597},
    {"elot928", 28597},
    {"greek", 28597},
    {"greek8", 28597},
    {"isoir126", 28597},
    {"xmacgreek", 10006},
    {"csisolatinhebrew", 28598},
    {"hebrew", 28598},
    {"isoir138", 28598},
    {"visual", 28598},
    {"iso88598i", 38598},
    {"logical", 38598},
    {"xisciias", 10079},
    {"xmacicelandic", 10079},
    {"xisciibe", 57006},
    {"xisciide", 57003},
    {"xisciigu", 57010},
    {"xisciika", 57008},
    {"xisciima", 57009},
    {"xisciior", 57007},
    {"xisciipa", 57011},
    {"xisciita", 57004},
    {"xisciite", 57005},
    {"csiso2022jp", 50221},
    {"iso2022jp", 50221},
    {"csshiftjis", 932},
    {"cswindows31j", 932},
    {"mskanji", 932},
    {"shiftjis", 932},
    {"xsjis", 932},
    {"eucjp", 51932},
    {"cseucjp", 51932},
    {"xeucjp", 51932},
    {"ksc5601", 949},
    {"ksc56011987", 949},
    {"csksc5601", 949},
    {"csksc56011987", 949},
    {"isoir149", 949},
    {"korean", 949},
    {"johab", 1361},
    {"euckr", 51949},
    {"cseuckr", 51949},
    {"xcseuckr", 51949},
    {"tis620", 874},
    {"isoir148", 1254},
    {"macintosh", 10000},
    {"xmacarabic", 10004},
    {"xmacce", 10029},
    {"xmacchinesetrad", 10002},
    {"xmaccyrillic", 10007},
    {"xmachebrew", 10005},
    {"xmacjapanese", 10001},
    {"xmackorean", 10003},
    // Later entries for names already present: the values above win.
    {"isoir100", 28591},
    {"iso2022jp", 50220},
    {"isoir148", 28599},
};

charset_map build_charset_table() {
    charset_map table;
    for (const charset_entry& entry : charset_insertions) table.insert({entry.name, entry.page});
    return table;
}

// Built on first use; the definition below makes that first use happen during start-up.
const charset_map& table_instance() {
    static const charset_map table = build_charset_table();
    return table;
}
const charset_map& built_at_startup = table_instance();

std::string normalised(const std::string& name) {
    std::string result;
    result.reserve(name.size());
    for (const char character : name) {
        if (character == '-' || character == '_') continue;
        result.push_back(static_cast<char>(std::tolower(static_cast<unsigned char>(character))));
    }
    return result;
}

bool starts_with(const std::string& text, const char* prefix) {
    return text.compare(0, std::char_traits<char>::length(prefix), prefix) == 0;
}

// The C runtime's base-10 conversion of what follows the prefix (white space and a sign
// accepted, 0 without digits), kept inside the range of a code page.
long number_after(const std::string& text, const char* prefix) {
    return std::strtol(text.c_str() + std::char_traits<char>::length(prefix), nullptr, 10);
}

codepage clamped(long long value) {
    if (value > INT_MAX) return INT_MAX;
    if (value < INT_MIN) return INT_MIN;
    return static_cast<codepage>(value);
}

constexpr codepage iso8859_base = 28590;
constexpr const char* iso8859_prefixes[] = {"iso8859", "latin", "csisolatin"};
constexpr const char* plain_number_prefixes[] = {"windows", "dos", "ibm", "cp"};

}  // namespace

const std::map<std::string, codepage>& charset_table() noexcept {
    return table_instance();
}

codepage codepage_from_charset(const std::string& name) noexcept {
    try {
        const std::string key = normalised(name);
        const charset_map& table = table_instance();
        const auto found = table.find(key);
        if (found != table.end()) return found->second;
        for (const char* prefix : iso8859_prefixes) {
            if (starts_with(key, prefix))
                return clamped(iso8859_base + static_cast<long long>(number_after(key, prefix)));
        }
        for (const char* prefix : plain_number_prefixes) {
            if (starts_with(key, prefix)) return clamped(number_after(key, prefix));
        }
    } catch (const std::bad_alloc&) {
        // Only the lower-case copy allocates; without memory the name counts as unknown.
    }
    return byte_per_unit;
}

}  // namespace quill::unicode
