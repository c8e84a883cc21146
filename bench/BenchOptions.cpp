#include "BenchOptions.h"

#include <cstdlib>
#include <sstream>
#include <string>

const char kBenchUsage[] =
    "usage: serial_flood [--loop=gtk|console] [--logs=program|count] [--flood-mib=N]\n"
    "                    [--rates=MBps,MBps,...] [--rate-seconds=S] [--paced-lines=N]\n"
    "                    [--paced-interval-us=N]\n"
    "Run under umockdev-wrapper with TMPDIR set to a scratch folder; --loop=gtk (the default)\n"
    "needs a display. MB = 10^6 bytes.\n";

namespace {

std::optional<double> PositiveReal(const std::string& text)
{
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    if (end == text.c_str() || *end != '\0' || !(value > 0))
        return std::nullopt;
    return value;
}

std::optional<uint32_t> PositiveWhole(const std::string& text)
{
    const auto value = PositiveReal(text);
    if (!value || *value != static_cast<double>(static_cast<uint32_t>(*value)))
        return std::nullopt;
    return static_cast<uint32_t>(*value);
}

std::optional<std::vector<double>> PositiveReals(const std::string& list)
{
    std::vector<double> values;
    std::istringstream items(list);
    std::string item;
    while (std::getline(items, item, ',')) {
        const auto value = PositiveReal(item);
        if (!value)
            return std::nullopt;
        values.push_back(*value);
    }
    if (values.empty())
        return std::nullopt;
    return values;
}

// Applies one "--name=value" argument; false when it is not one of ours or its value is wrong.
bool Apply(const std::string& name, const std::string& value, BenchOptions& options)
{
    if (name == "--loop" && (value == "gtk" || value == "console")) {
        options.gtkLoop = value == "gtk";
        return true;
    }
    if (name == "--logs" && (value == "program" || value == "count")) {
        options.programLogs = value == "program";
        return true;
    }
    if (name == "--rates") {
        const auto rates = PositiveReals(value);
        options.ratesMBps = rates.value_or(options.ratesMBps);
        return rates.has_value();
    }
    if (name == "--rate-seconds") {
        const auto seconds = PositiveReal(value);
        options.rateSeconds = seconds.value_or(options.rateSeconds);
        return seconds.has_value();
    }
    const auto whole = PositiveWhole(value);
    if (!whole)
        return false;
    if (name == "--flood-mib")
        options.floodMiB = *whole;
    else if (name == "--paced-lines")
        options.pacedLines = *whole;
    else if (name == "--paced-interval-us")
        options.pacedInterval = std::chrono::microseconds{*whole};
    else
        return false;
    return true;
}

} // namespace

std::optional<BenchOptions> ParseBenchOptions(int argc, char** argv)
{
    BenchOptions options;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const size_t equals = arg.find('=');
        if (equals == std::string::npos ||
            !Apply(arg.substr(0, equals), arg.substr(equals + 1), options))
            return std::nullopt;
    }
    return options;
}
