#include <gtest/gtest.h>

#include "update/UpdateFileName.h"

namespace {

TEST(UpdateFileName, PlainNamesStayAsTheyAre)
{
    EXPECT_EQ(CleanUpdateFileName("ZephlarkOS-1.5.0.zlos"), "ZephlarkOS-1.5.0.zlos");
    EXPECT_EQ(CleanUpdateFileName("key_(v2)+#1.zlkey"), "key_(v2)+#1.zlkey");
}

TEST(UpdateFileName, UncarriableCharactersBecomeUnderscores)
{
    EXPECT_EQ(CleanUpdateFileName("my os file.zlos"), "my_os_file.zlos");
    EXPECT_EQ(CleanUpdateFileName("a\nb\tc\x7f.zlos"), "a_b_c_.zlos");
    EXPECT_EQ(CleanUpdateFileName("a:b*c?d\"e<f>g|h\\i.zlos"), "a_b_c_d_e_f_g_h_i.zlos");
    EXPECT_EQ(CleanUpdateFileName(wxString::FromUTF8("caf\xc3\xa9.zlos")), "caf_.zlos");
}

TEST(UpdateFileName, WindowsDeviceNamesGetAnUnderscore)
{
    EXPECT_EQ(CleanUpdateFileName("CON.zlos"), "CON_.zlos");
    EXPECT_EQ(CleanUpdateFileName("nul"), "nul_");
    EXPECT_EQ(CleanUpdateFileName("Com7.key.zlkey"), "Com7_.key.zlkey");
    EXPECT_EQ(CleanUpdateFileName("COM10.zlos"), "COM10.zlos");
    EXPECT_EQ(CleanUpdateFileName("CONSOLE.zlos"), "CONSOLE.zlos");
}

TEST(UpdateFileName, NamesThatCannotBeCarriedAreRefused)
{
    EXPECT_EQ(CleanUpdateFileName(""), "");
    EXPECT_EQ(CleanUpdateFileName(".."), "");
    EXPECT_EQ(CleanUpdateFileName("os.zlos."), "");
    // The copy's temporary name, five characters longer, must fit FAT's 255.
    EXPECT_EQ(CleanUpdateFileName(wxString('a', 246) + ".zlos"), "");
    EXPECT_EQ(CleanUpdateFileName(wxString('a', 245) + ".zlos").length(), 250u);
}

} // namespace
