#pragma once

// What one whole firmware update cost the program, measured inside it: update_bench_program
// writes them to a file, update_bench reads them back.

#include <optional>
#include <string>

struct UpdateRunFigures
{
    double updateSeconds = 0;     // UpdateFirmware's wall time
    double processCpuSeconds = 0; // user + system time of all the program's threads meanwhile
    double guiCpuSeconds = 0;     // of those, the GUI thread's
    std::string result;           // UpdateFirmware's result text, as UTF-8
};

bool WriteUpdateRunFigures(const std::string& path, const UpdateRunFigures& figures);
// Nothing when the file is missing or not as WriteUpdateRunFigures writes it.
std::optional<UpdateRunFigures> ReadUpdateRunFigures(const std::string& path);
