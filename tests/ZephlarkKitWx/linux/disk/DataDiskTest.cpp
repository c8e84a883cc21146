#include "DataDisk.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "LogCapture.h"
#include "MockUDisks.h"
#include "PrivateBus.h"

namespace {

using Calls = std::vector<std::string>;

const std::string kDevice = "Orvex_Zephlark_0001";

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

    // A drive with one filesystem; an empty mountPoint leaves it unmounted.
    void Plug(const MockDrive& drive, const std::string& block, const std::string& mountPoint,
              const std::string& label = "ZEPHLARK")
    {
        udisks.Add(drive);
        udisks.Add(MockFilesystem{block, drive.name, label, mountPoint});
    }

    PrivateBus bus;
    MockUDisks udisks{bus, bus.Folder() + "/run-media"};
    LogCapture log;
};

// A refresh must not bring back a volume the user unmounted, nor one that is being ejected: the
// volume is named by its device node until the update asks for it.
TEST_F(DataDiskOnUDisks, UnmountedVolumeIsFoundByItsNodeAndMountedOnlyOnRequest)
{
    Plug({kDevice}, "sdb1", "");

    for (int refresh = 0; refresh < 2; ++refresh) {
        ASSERT_EQ(FindZephlarkDiskPath(), "/dev/sdb1");
        EXPECT_EQ(GetZephlarkDiskLabel(), "ZEPHLARK");
    }
    EXPECT_EQ(udisks.Calls(), Calls{});

    EXPECT_EQ(ZephlarkMountDisk("/dev/sdb1"), udisks.MountPointFor("sdb1"));
    EXPECT_EQ(FindZephlarkDiskPath(), udisks.MountPointFor("sdb1"));
    EXPECT_EQ(ZephlarkMountDisk(udisks.MountPointFor("sdb1")), udisks.MountPointFor("sdb1"));
    EXPECT_EQ(udisks.Calls(), Calls{"Mount sdb1"});
}

// The desktop may mount the volume between the refresh that named its node and the update's mount.
TEST_F(DataDiskOnUDisks, MountOfAMountedVolumeGivesItsMountPoint)
{
    Plug({kDevice}, "sdb1", Media("ZEPHLARK"));

    for (const auto& path : {Media("ZEPHLARK"), Media("ZEPHLARK") + "/", std::string("/dev/sdb1")})
        EXPECT_EQ(ZephlarkMountDisk(path), Media("ZEPHLARK")) << path;
    EXPECT_EQ(udisks.Calls(), Calls{});
}

TEST_F(DataDiskOnUDisks, RefusedMountIsLoggedAndGivesNothing)
{
    Plug({kDevice}, "sdb1", "");
    udisks.Refuse("Mount", "Not authorized to perform operation");

    ASSERT_EQ(FindZephlarkDiskPath(), "/dev/sdb1");
    EXPECT_EQ(ZephlarkMountDisk("/dev/sdb1"), "");
    EXPECT_TRUE(log.Contains("Failed to mount /dev/sdb1: Not authorized to perform operation"));
}

// The device is known by its drive, whatever its label; the label is reported as it is.
TEST_F(DataDiskOnUDisks, DiskWithAnotherLabelIsFoundAndItsLabelReportedAsItIs)
{
    Plug({kDevice}, "sdb1", Media("disk"), "zephlark");

    EXPECT_EQ(FindZephlarkDiskPath(), Media("disk"));
    EXPECT_EQ(GetZephlarkDiskLabel(), "zephlark");
}

MockDrive WithSerial(const std::string& serial)
{
    MockDrive drive{"Orvex_Zephlark_" + serial};
    drive.serial = serial;
    return drive;
}

TEST_F(DataDiskOnUDisks, EveryDeviceIsListedByObjectPathWithItsSerialAndTheFirstWins)
{
    // Drives are named after their serial numbers; neither plugging nor block order decides.
    Plug(WithSerial("Z7Q2"), "sda1", Media("C"), "THIRD");
    Plug(WithSerial("0B9X"), "sdc1", Media("A"), "FIRST");
    Plug(WithSerial("3MZ1"), "sdb1", Media("B"), "SECOND");

    for (int call = 0; call < 2; ++call) {
        EXPECT_EQ(FindZephlarkDiskPath(), Media("A"));
        EXPECT_EQ(GetZephlarkDiskLabel(), "FIRST");
    }
    const auto disks = ListZephlarkDisks();
    ASSERT_EQ(disks.size(), 3u);
    EXPECT_EQ(disks[1].path, Media("B"));
    EXPECT_EQ(disks[1].label, "SECOND");
    EXPECT_EQ(disks[1].identity.serialNumber, "3MZ1");
    EXPECT_EQ(disks[2].identity.serialNumber, "Z7Q2");
}

TEST_F(DataDiskOnUDisks, OnlyTheDeviceIdentityMatches)
{
    // Each of these sorts before the device and carries its label, so a loose match would take it.
    Plug({"A_SanDisk_Cruzer", "SanDisk", "Cruzer"}, "sda1", Media("stick"));
    Plug({"B_Orvex_Zephlark_ata", "Orvex", "Zephlark", "ata"}, "sdb1", Media("ata"));
    Plug({"C_orvex_zephlark", "orvex", "zephlark"}, "sdc1", Media("lower"));
    Plug({"D_Orvex_Zephlark_Pro", "Orvex", "Zephlark Pro"}, "sdd1", Media("pro"));
    // The device as its inquiry data pads it, with a filesystem udisks2 hides sorting first.
    udisks.Add(MockDrive{"E_Orvex_Zephlark", "Orvex   ", "Zephlark        "});
    udisks.Add(MockFilesystem{"sde0", "E_Orvex_Zephlark", "ZEPHLARK", Media("hidden"), true});
    udisks.Add(MockFilesystem{"sde1", "E_Orvex_Zephlark", "ZEPHLARK", Media("ZEPHLARK")});

    EXPECT_EQ(FindZephlarkDiskPath(), Media("ZEPHLARK"));
}

// A volume named by its node is ejected as it is: one never mounted has nothing to unmount.
TEST_F(DataDiskOnUDisks, EjectTakesTheDeviceNodeOfAVolumeMountedOrNot)
{
    Plug({"Orvex_Zephlark_0001"}, "sdb1", "");
    Plug({"Orvex_Zephlark_0002"}, "sdc1", Media("ZEPHLARK"));
    ASSERT_EQ(FindZephlarkDiskPath(), "/dev/sdb1");

    EXPECT_TRUE(ZephlarkEjectDisk("/dev/sdb1"));
    EXPECT_EQ(udisks.Calls(), Calls{"Eject Orvex_Zephlark_0001"});
    EXPECT_TRUE(ZephlarkEjectDisk("/dev/sdc1"));
    EXPECT_EQ(udisks.Calls(),
              (Calls{"Eject Orvex_Zephlark_0001", "Unmount sdc1", "Eject Orvex_Zephlark_0002"}));
    EXPECT_EQ(FindZephlarkDiskPath(), "");
    EXPECT_EQ(GetZephlarkDiskLabel(), ""); // or the window would see a data disk that left
}

TEST_F(DataDiskOnUDisks, DriveThatCannotEjectIsPoweredOff)
{
    MockDrive drive{kDevice};
    drive.ejectable = false;
    Plug(drive, "sdb1", Media("ZEPHLARK"));

    EXPECT_TRUE(ZephlarkEjectDisk(Media("ZEPHLARK")));
    EXPECT_EQ(udisks.Calls(), (Calls{"Unmount sdb1", "PowerOff " + kDevice}));
}

TEST_F(DataDiskOnUDisks, RefusedEjectAndPowerOffGiveFalse)
{
    Plug({kDevice}, "sdb1", Media("ZEPHLARK"));
    udisks.Refuse("Eject", "Error ejecting /dev/sdb: medium is locked");
    udisks.Refuse("PowerOff", "Error powering off drive: not supported");

    EXPECT_FALSE(ZephlarkEjectDisk(Media("ZEPHLARK")));
    EXPECT_EQ(udisks.Calls(), (Calls{"Unmount sdb1", "Eject " + kDevice, "PowerOff " + kDevice}));
    EXPECT_TRUE(log.Contains("Failed to eject " + Media("ZEPHLARK") +
                             ".: Error powering off drive: not supported"));
}

TEST_F(DataDiskOnUDisks, RefusedUnmountLeavesVolumeMounted)
{
    Plug({kDevice}, "sdb1", Media("ZEPHLARK"));
    udisks.Refuse("Unmount", "Error unmounting /dev/sdb1: target is busy");

    EXPECT_FALSE(ZephlarkEjectDisk(Media("ZEPHLARK")));
    EXPECT_TRUE(log.Contains("Failed to dismount " + Media("ZEPHLARK") +
                             " for eject.: Error unmounting /dev/sdb1: target is busy"));
    EXPECT_EQ(FindZephlarkDiskPath(), Media("ZEPHLARK"));
    EXPECT_EQ(udisks.Calls(), Calls{"Unmount sdb1"});
}

TEST_F(DataDiskOnUDisks, APathNotOursIsNeitherMountedNorEjected)
{
    Plug({kDevice}, "sdb1", Media("ZEPHLARK"));
    Plug({"SanDisk_Cruzer", "SanDisk", "Cruzer"}, "sdc1", "");
    Plug({"SanDisk_Ultra", "SanDisk", "Ultra"}, "sdd1", Media("STICK"));

    for (const auto& path :
         {Media("STICK"), std::string("/dev/sdc1"), Media("ZEPHLARK/DCIM"), std::string()}) {
        EXPECT_TRUE(ZephlarkEjectDisk(path));
        EXPECT_TRUE(log.Contains("Failed to open device for for eject: " + path)) << path;
        EXPECT_EQ(ZephlarkMountDisk(path), "");
        EXPECT_TRUE(log.Contains("Failed to mount " + path + ": it is not a Zephlark data disk."))
            << path;
    }
    EXPECT_EQ(udisks.Calls(), Calls{});
}

} // namespace
