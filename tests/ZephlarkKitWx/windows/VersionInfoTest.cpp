// The version information of the program file named in ZEPHLARK_PROGRAM_FILE (the build's, or the
// copy a setup program installed), read the way Explorer's Properties read it.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <windows.h>

namespace {

std::wstring Widened(const char* text)
{
    return std::wstring(text, text + std::char_traits<char>::length(text));
}

std::string Narrowed(const std::wstring& text)
{
    return std::string(text.begin(), text.end());
}

std::vector<BYTE> ReadVersionResource()
{
    const char* path = std::getenv("ZEPHLARK_PROGRAM_FILE");
    if (!path)
        return {};
    const std::wstring file = Widened(path);
    const DWORD size = GetFileVersionInfoSizeW(file.c_str(), nullptr);
    std::vector<BYTE> data(size);
    if (size == 0 || !GetFileVersionInfoW(file.c_str(), 0, size, data.data()))
        return {};
    return data;
}

// Explorer finds the strings through the first language and code page that VarFileInfo lists.
std::wstring StringValue(std::vector<BYTE>& resource, const wchar_t* name)
{
    struct Translation
    {
        WORD language;
        WORD codePage;
    };
    Translation* translation = nullptr;
    UINT size = 0;
    if (!VerQueryValueW(resource.data(), L"\\VarFileInfo\\Translation",
                        reinterpret_cast<void**>(&translation), &size) ||
        size < sizeof(Translation))
        return L"(no translation)";
    wchar_t path[64];
    std::swprintf(path, 64, L"\\StringFileInfo\\%04x%04x\\%ls", translation->language,
                  translation->codePage, name);
    wchar_t* value = nullptr;
    if (!VerQueryValueW(resource.data(), path, reinterpret_cast<void**>(&value), &size))
        return L"(missing)";
    return std::wstring(value, size > 0 ? size - 1 : 0); // size counts the terminating NUL
}

// A renamed program file keeps its original name; the build's and the installed copies do not.
std::string FileName(const std::string& path)
{
    return path.substr(path.find_last_of("\\/") + 1);
}

class VersionInfo : public testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_FALSE(resource.empty()) << "no version information in ZEPHLARK_PROGRAM_FILE="
                                       << std::getenv("ZEPHLARK_PROGRAM_FILE");
    }

    std::vector<BYTE> resource = ReadVersionResource();
};

TEST_F(VersionInfo, StringsNameTheProductItsMakerAndItsVersion)
{
    const struct
    {
        const wchar_t* name;
        std::string expected;
    } strings[] = {
        {L"ProductName", "Zephlark Utility"},
        {L"CompanyName", "Orvex"},
        {L"FileVersion", ZEPHLARK_PROJECT_VERSION "." ZEPHLARK_BUILD_NUMBER},
        {L"ProductVersion", ZEPHLARK_LONG_VERSION},
        {L"OriginalFilename", FileName(std::getenv("ZEPHLARK_PROGRAM_FILE"))},
    };
    for (const auto& s : strings)
        EXPECT_EQ(Narrowed(StringValue(resource, s.name)), s.expected) << Narrowed(s.name);
}

// Explorer's "File version" line comes from the fixed part, not from the strings.
TEST_F(VersionInfo, FixedFileVersionIsTheProjectVersionAndBuildNumber)
{
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT size = 0;
    ASSERT_TRUE(VerQueryValueW(resource.data(), L"\\", reinterpret_cast<void**>(&fixed), &size));
    ASSERT_GE(size, sizeof(VS_FIXEDFILEINFO));
    EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu);
    char version[64];
    std::snprintf(version, sizeof version, "%u.%u.%u.%u", HIWORD(fixed->dwFileVersionMS),
                  LOWORD(fixed->dwFileVersionMS), HIWORD(fixed->dwFileVersionLS),
                  LOWORD(fixed->dwFileVersionLS));
    EXPECT_EQ(std::string(version), ZEPHLARK_PROJECT_VERSION "." ZEPHLARK_BUILD_NUMBER);
    EXPECT_EQ(fixed->dwFileType, DWORD{VFT_APP});
}

} // namespace
