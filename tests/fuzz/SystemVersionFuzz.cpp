// Fuzzes the parsing and ordering of OS version strings.
//
// The input is three version strings separated by line feeds (UTF-8, or Latin-1 when it is not).
// Parsing never crashes; Compare gives -1, 0 or 1 and is reflexive, antisymmetric and transitive
// over the three. A suffix letter outranks the letters below it whatever their numbers: with the
// first string's components as the base and the digits of the second and third as n and m (both
// at least 1), "b<m>" is newer than "a<n>", "a<m>" newer than "d<n>", and the bare base newer
// than both.

#include <wx/init.h>
#include <wx/log.h>

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "FuzzProperty.h"
#include "SystemVersion.h"

namespace {

constexpr size_t kMaxSuffixDigits = 40;

wxString Decoded(std::string_view bytes)
{
    const wxString text = wxString::FromUTF8(bytes.data(), bytes.size());
    return text.empty() ? wxString::From8BitData(bytes.data(), bytes.size()) : text;
}

std::array<wxString, 3> ThreeStrings(std::string_view input)
{
    std::array<wxString, 3> strings;
    for (wxString& text : strings) {
        const size_t end = std::min(input.find('\n'), input.size());
        text = Decoded(input.substr(0, end));
        input.remove_prefix(std::min(end + 1, input.size()));
    }
    return strings;
}

void RequireOrdered(const std::array<SystemVersion, 3>& versions)
{
    int order[3][3];
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) {
            order[i][j] = versions[i].Compare(versions[j]);
            RequireProperty(order[i][j] >= -1 && order[i][j] <= 1, "Compare gives -1, 0 or 1");
        }
        RequireProperty(order[i][i] == 0, "a version equals itself");
    }
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) {
            RequireProperty(order[i][j] == -order[j][i], "Compare is antisymmetric");
            for (int k = 0; k < 3; ++k) {
                if (order[i][j] < 0 || order[j][k] < 0)
                    continue;
                RequireProperty(order[i][k] >= 0, "Compare is transitive");
                RequireProperty(order[i][k] > 0 || (order[i][j] == 0 && order[j][k] == 0),
                                "Compare is transitive");
            }
        }
    }
}

// The number in text's digits, or empty when they are all zeros (no suffix at all).
std::string SuffixNumber(const wxString& text)
{
    std::string digits;
    for (wxUniChar c : text) {
        if (c >= '0' && c <= '9' && digits.size() < kMaxSuffixDigits)
            digits.push_back(static_cast<char>(c.GetValue()));
    }
    return digits.find_first_not_of('0') == std::string::npos ? std::string() : digits;
}

void RequireNewer(const wxString& newer, const wxString& older, const char* property)
{
    RequireProperty(SystemVersion(newer).Compare(SystemVersion(older)) == 1, property);
}

void RequireLettersRanked(const SystemVersion& base, const std::string& n, const std::string& m)
{
    wxString plain;
    for (const std::string& component : base.components)
        plain << (plain.empty() ? "" : ".") << component;
    RequireNewer(plain + "b" + m, plain + "a" + n, "a \"b\" suffix outranks any \"a\" suffix");
    RequireNewer(plain + "a" + m, plain + "d" + n, "an \"a\" suffix outranks any \"d\" suffix");
    RequireNewer(plain, plain + "b" + m, "a release is newer than its pre-releases");
    RequireNewer(plain, plain + "d" + n, "a release is newer than its pre-releases");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static wxInitializer wx;
    static wxLogNull noWarnings;
    const auto strings = ThreeStrings(std::string_view(reinterpret_cast<const char*>(data), size));
    const std::array<SystemVersion, 3> versions = {
        SystemVersion(strings[0]), SystemVersion(strings[1]), SystemVersion(strings[2])};
    RequireOrdered(versions);
    const std::string n = SuffixNumber(strings[1]);
    const std::string m = SuffixNumber(strings[2]);
    if (!n.empty() && !m.empty())
        RequireLettersRanked(versions[0], n, m);
    return 0;
}
