#include <gtest/gtest.h>

#include <utility>

#include "update/UpdateFileName.h"

namespace {

// Names travel in the install command and onto the device's FAT disk; empty means refused.
TEST(UpdateFileName, IsCleanedForTheDeviceOrRefused)
{
    const std::pair<wxString, wxString> cases[] = {
        {"key_(v2)+#1.zlkey", "key_(v2)+#1.zlkey"},
        {"my os\n\x7f.zlos", "my_os__.zlos"},
        {"a:b*c?d\"e<f>g|h\\i/j.zlos", "a_b_c_d_e_f_g_h_i_j.zlos"},
        {wxString::FromUTF8("caf\xc3\xa9.zlos"), "caf_.zlos"},
        // Windows device names, whatever their case and extension; numbered ones 1 to 9 only.
        {"CON.zlos", "CON_.zlos"},
        {"nul", "nul_"},
        {"prn.zlos", "prn_.zlos"},
        {"Aux", "Aux_"},
        {"Com7.key.zlkey", "Com7_.key.zlkey"},
        {"Lpt9.tar.gz", "Lpt9_.tar.gz"},
        {"LPT0.zlos", "LPT0.zlos"},
        {"COM10.zlos", "COM10.zlos"},
        {"CONSOLE.zlos", "CONSOLE.zlos"},
        {"", ""},
        // FAT drops trailing dots: the name sent would not be found.
        {"os.zlos.", ""},
        // The copy's temporary name, five characters longer, must fit FAT's 255.
        {wxString('a', 246) + ".zlos", ""},
        {wxString('a', 245) + ".zlos", wxString('a', 245) + ".zlos"},
    };
    for (const auto& [name, clean] : cases)
        EXPECT_EQ(CleanUpdateFileName(name), clean) << name;
}

} // namespace
