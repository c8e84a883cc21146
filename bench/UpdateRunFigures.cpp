#include "UpdateRunFigures.h"

#include <fstream>
#include <iomanip>
#include <iterator>

namespace {

constexpr char kUpdateSeconds[] = "update_seconds";
constexpr char kProcessCpuSeconds[] = "process_cpu_seconds";
constexpr char kGuiCpuSeconds[] = "gui_cpu_seconds";
// The result text spans lines, so it comes last, after a line of its own.
constexpr char kResult[] = "result";

} // namespace

bool WriteUpdateRunFigures(const std::string& path, const UpdateRunFigures& figures)
{
    std::ofstream out(path);
    out << std::setprecision(9) << kUpdateSeconds << ' ' << figures.updateSeconds << '\n'
        << kProcessCpuSeconds << ' ' << figures.processCpuSeconds << '\n'
        << kGuiCpuSeconds << ' ' << figures.guiCpuSeconds << '\n'
        << kResult << '\n'
        << figures.result;
    return static_cast<bool>(out.flush());
}

std::optional<UpdateRunFigures> ReadUpdateRunFigures(const std::string& path)
{
    std::ifstream in(path);
    UpdateRunFigures figures;
    std::string update, process, gui, result;
    if (!(in >> update >> figures.updateSeconds >> process >> figures.processCpuSeconds >> gui >>
          figures.guiCpuSeconds >> result) ||
        update != kUpdateSeconds || process != kProcessCpuSeconds || gui != kGuiCpuSeconds ||
        result != kResult || in.get() != '\n')
        return std::nullopt;
    figures.result.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return figures;
}
