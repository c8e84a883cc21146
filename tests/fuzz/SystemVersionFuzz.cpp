// Fuzzes the parsing and ordering of OS version strings.
//
// The input is three version strings separated by line feeds (UTF-8, or Latin-1 when it is not).
// Parsing never crashes; Compare gives -1, 0 or 1 and is reflexive, antisymmetric and transitive
// over the three.

#include <wx/init.h>
#include <wx/log.h>

#include <array>
#include <cstdint>
#include <string_view>

#include "FuzzProperty.h"
#include "SystemVersion.h"

namespace {

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

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static wxInitializer wx;
    static wxLogNull noWarnings;
    const auto strings = ThreeStrings(std::string_view(reinterpret_cast<const char*>(data), size));
    const std::array<SystemVersion, 3> versions = {
        SystemVersion(strings[0]), SystemVersion(strings[1]), SystemVersion(strings[2])};
    RequireOrdered(versions);
    return 0;
}
