// The disk half of the platform layer on the simulated devices: each data disk is a folder.

#include "DataDisk.h"

#include <wx/filename.h>
#include <wx/log.h>

#include "sim/SimWorld.h"

namespace {

wxString DiskPath(sim::SimDevice& device)
{
    return wxString::FromUTF8(device.Settings().diskFolder.u8string());
}

bool SameFolder(const wxString& a, const wxString& b)
{
    return wxFileName::DirName(a).SameAs(wxFileName::DirName(b));
}

} // namespace

std::vector<ListedDisk> ListZephlarkDisks()
{
    sim::WorldAccess world;
    std::vector<ListedDisk> disks;
    for (size_t index = 0; index < world->units.size(); ++index) {
        sim::SimDevice& device = world.Device(index);
        if (device.Face() == sim::UsbFace::Disk)
            disks.push_back({DiskPath(device), wxString::FromUTF8(device.Settings().diskLabel),
                             world->Identity(index)});
    }
    return disks;
}

wxString ZephlarkMountDisk(const wxString& path)
{
    // A folder is always where it is.
    return path;
}

bool ZephlarkEjectDisk(wxString path)
{
    sim::WorldAccess world;
    for (size_t index = 0; index < world->units.size(); ++index) {
        sim::SimDevice& device = world.Device(index);
        if (device.Face() != sim::UsbFace::Disk || !SameFolder(path, DiskPath(device)))
            continue;
        // A folder has nothing to flush: every file written to it is already where it belongs.
        if (!device.EjectDisk()) {
            wxLogMessage("Failed to lock %s for eject.", path);
            return false;
        }
        return true;
    }
    wxLogMessage("Failed to open device for for eject: %s", path);
    return true;
}
