#include "DataDisk.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "LogCapture.h"
#include "MockUDisks.h"
#include "PrivateBus.h"

namespace {

using Calls = std::vector<std::string>;

// The program runs on a bus of its own with the mock udisks2, emptied for every test; the code
// under test finds both through DBUS_SYSTEM_BUS_ADDRESS, so it never reaches the machine's bus.
class DataDiskOnUDisks : public testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(bus.IsRunning()) << "no private D-Bus bus, test refused: " << bus.Error();
        ASSERT_TRUE(udisks.Start()) << "no mock udisks2 on the private bus, test refused";
    }

    std::string Media(const std::string& name) const { return bus.Folder() + "/media/" + name; }

    PrivateBus bus;
    MockUDisks udisks{bus, bus.Folder() + "/run-media"};
    LogCapture log;
};

// A refresh must not bring back a volume the user unmounted, nor one that is being ejected: the
// volume is named by its device node until the update asks for it. The desktop may mount the volume
// in between; a path that is not a volume of ours is neither mounted nor ejected.
TEST_F(DataDiskOnUDisks, VolumeIsMountedOnlyOnRequestAndOnlyIfItIsOurs)
{
    udisks.Add({"Orvex_Zephlark_0001"}, {"sdb1"});
    udisks.Add({"Orvex_Zephlark_0002"}, {"sdc1", Media("ZEPHLARK")});
    udisks.Add({"Orvex_Zephlark_0003"}, {"sdd1"});
    udisks.Add({"SanDisk_Cruzer", "SanDisk", "Cruzer"}, {"sde1"});
    udisks.Add({"SanDisk_Ultra", "SanDisk", "Ultra"}, {"sdf1", Media("STICK")});

    ASSERT_EQ(FindZephlarkDiskPath(), "/dev/sdb1");
    EXPECT_EQ(GetZephlarkDiskLabel(), "ZEPHLARK");
    for (const auto& path : {Media("ZEPHLARK"), Media("ZEPHLARK") + "/", std::string("/dev/sdc1")})
        EXPECT_EQ(ZephlarkMountDisk(path), Media("ZEPHLARK")) << path;
    for (const auto& path :
         {Media("STICK"), std::string("/dev/sde1"), Media("ZEPHLARK/DCIM"), std::string()}) {
        EXPECT_TRUE(ZephlarkEjectDisk(path)); // nothing of ours there to eject
        EXPECT_EQ(ZephlarkMountDisk(path), "") << path;
    }
    EXPECT_EQ(udisks.Calls(), Calls{});

    EXPECT_EQ(ZephlarkMountDisk("/dev/sdb1"), udisks.MountPointFor("sdb1"));
    EXPECT_EQ(FindZephlarkDiskPath(), udisks.MountPointFor("sdb1"));
    EXPECT_EQ(ZephlarkMountDisk(udisks.MountPointFor("sdb1")), udisks.MountPointFor("sdb1"));
    udisks.Refuse("Mount", "Not authorized to perform operation");
    EXPECT_EQ(ZephlarkMountDisk("/dev/sdd1"), "");
    EXPECT_TRUE(log.Contains("Failed to mount /dev/sdd1: Not authorized to perform operation"));
    EXPECT_EQ(udisks.Calls(), (Calls{"Mount sdb1", "Mount sdd1"}));
}

// The device is known by its drive, whatever its label, which is reported as it is.
TEST_F(DataDiskOnUDisks, OnlyTheDeviceIdentityMatchesAndEachDeviceIsListedInObjectPathOrder)
{
    // Each of these sorts before the devices and carries their label: a loose match takes it.
    udisks.Add({"A_SanDisk_Cruzer", "SanDisk", "Cruzer"}, {"sdf1", Media("stick")});
    udisks.Add({"B_Orvex_Zephlark_ata", "Orvex", "Zephlark", "ata"}, {"sdg1", Media("ata")});
    udisks.Add({"C_orvex_zephlark", "orvex", "zephlark"}, {"sdh1", Media("lower")});
    udisks.Add({"D_Orvex_Zephlark_Pro", "Orvex", "Zephlark Pro"}, {"sdi1", Media("pro")});
    // A filesystem udisks2 hides, sorting first.
    udisks.Add({"Orvex_Zephlark_0A00"}, {"sdc0", Media("hidden"), "ZEPHLARK", true});
    // Drives are named after their serial numbers; neither plugging nor block order decides.
    udisks.Add({"Orvex_Zephlark_Z7Q2", "Orvex", "Zephlark", "usb", "Z7Q2"},
               {"sda1", Media("THIRD"), "THIRD"});
    udisks.Add({"Orvex_Zephlark_3MZ1", "Orvex", "Zephlark", "usb", "3MZ1"},
               {"sdb1", Media("SECOND"), "SECOND"});
    // The first as its inquiry data pads it.
    udisks.Add({"Orvex_Zephlark_0B9X", "Orvex   ", "Zephlark        "},
               {"sdc1", Media("first"), "zephlark"});

    EXPECT_EQ(FindZephlarkDiskPath(), Media("first"));
    EXPECT_EQ(GetZephlarkDiskLabel(), "zephlark");
    const auto disks = ListZephlarkDisks();
    ASSERT_EQ(disks.size(), 3u);
    EXPECT_EQ(disks[1].path, Media("SECOND"));
    EXPECT_EQ(disks[1].label, "SECOND");
    EXPECT_EQ(disks[1].identity.serialNumber, "3MZ1");
    EXPECT_EQ(disks[2].identity.serialNumber, "Z7Q2");
}

// A volume named by its node is ejected as it is: one never mounted has nothing to unmount. A
// drive that cannot eject is powered off. A refusal gives false and says so.
TEST_F(DataDiskOnUDisks, EjectUnmountsWhatIsMountedThenEjectsOrPowersOffOrSaysWhyNot)
{
    udisks.Add({"Orvex_Zephlark_0001"}, {"sdb1"});
    udisks.Add({"Orvex_Zephlark_0002"}, {"sdc1", Media("ZEPHLARK")});
    MockDrive fixed{"Orvex_Zephlark_0003"};
    fixed.ejectable = false;
    udisks.Add(fixed, {"sdd1", Media("FIXED")});
    udisks.Add({"Orvex_Zephlark_0004"}, {"sde1", Media("LOCKED"), "LOCKED"});
    udisks.Add({"Orvex_Zephlark_0005"}, {"sdf1", Media("BUSY")});
    ASSERT_EQ(FindZephlarkDiskPath(), "/dev/sdb1");

    EXPECT_TRUE(ZephlarkEjectDisk("/dev/sdb1"));
    EXPECT_TRUE(ZephlarkEjectDisk("/dev/sdc1"));
    EXPECT_TRUE(ZephlarkEjectDisk(Media("FIXED")));
    EXPECT_EQ(FindZephlarkDiskPath(), Media("LOCKED"));
    EXPECT_EQ(GetZephlarkDiskLabel(), "LOCKED"); // or the window would see a data disk that left
    udisks.Refuse("Eject", "Error ejecting /dev/sde: medium is locked");
    udisks.Refuse("PowerOff", "Error powering off drive: not supported");
    EXPECT_FALSE(ZephlarkEjectDisk(Media("LOCKED")));
    EXPECT_TRUE(log.Contains("Failed to eject " + Media("LOCKED") +
                             ".: Error powering off drive: not supported"));
    udisks.Refuse("Unmount", "Error unmounting /dev/sdf1: target is busy");
    EXPECT_FALSE(ZephlarkEjectDisk(Media("BUSY")));
    EXPECT_TRUE(log.Contains("Failed to dismount " + Media("BUSY") +
                             " for eject.: Error unmounting /dev/sdf1: target is busy"));
    EXPECT_EQ(udisks.Calls(),
              (Calls{"Eject Orvex_Zephlark_0001", "Unmount sdc1", "Eject Orvex_Zephlark_0002",
                     "Unmount sdd1", "PowerOff Orvex_Zephlark_0003", "Unmount sde1",
                     "Eject Orvex_Zephlark_0004", "PowerOff Orvex_Zephlark_0004", "Unmount sdf1"}));
}

} // namespace
