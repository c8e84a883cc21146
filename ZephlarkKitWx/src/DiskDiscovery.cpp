// The first data disk and its label, the same on every platform: each lists its disks
// (ListZephlarkDisks) and this takes the first, as with one device plugged in.

#include "DataDisk.h"

namespace {

wxString lastFoundLabel; // written and read on the GUI thread only

} // namespace

wxString FindZephlarkDiskPath()
{
    const auto disks = ListZephlarkDisks();
    lastFoundLabel = disks.empty() ? wxString() : disks.front().label;
    return disks.empty() ? wxString() : disks.front().path;
}

wxString GetZephlarkDiskLabel()
{
    return lastFoundLabel;
}
