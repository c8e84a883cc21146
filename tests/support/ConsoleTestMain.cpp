#include <wx/init.h>

#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);
    wxInitializer wx(argc, argv);
    if (!wx.IsOk())
        return 2;
    return RUN_ALL_TESTS();
}
