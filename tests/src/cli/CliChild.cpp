#include "CliChild.h"

#include <cstdio>
#include <cstdlib>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

std::optional<CliEvent> ParseFlatJson(const std::string& line)
{
    size_t at = 0;
    const auto expect = [&](char c) { return at < line.size() && line[at++] == c; };
    const auto string = [&]() -> std::optional<std::string> {
        if (!expect('"'))
            return std::nullopt;
        std::string out;
        while (at < line.size() && line[at] != '"') {
            char c = line[at++];
            if (c == '\\' && at < line.size()) {
                const char e = line[at++];
                const std::map<char, char> simple = {{'n', '\n'}, {'r', '\r'},  {'t', '\t'},
                                                     {'"', '"'},  {'\\', '\\'}, {'/', '/'}};
                if (e == 'u' && at + 4 <= line.size()) {
                    c = static_cast<char>(std::stoi(line.substr(at, 4), nullptr, 16));
                    at += 4;
                } else if (simple.count(e)) {
                    c = simple.at(e);
                } else {
                    return std::nullopt;
                }
            } else if (static_cast<unsigned char>(c) < 0x20) {
                return std::nullopt;
            }
            out += c;
        }
        if (!expect('"'))
            return std::nullopt;
        return out;
    };
    CliEvent event;
    if (!expect('{'))
        return std::nullopt;
    while (at < line.size() && line[at] != '}') {
        if (!event.empty() && !expect(','))
            return std::nullopt;
        const auto key = string();
        if (!key || !expect(':'))
            return std::nullopt;
        if (line[at] == '"') {
            const auto value = string();
            if (!value)
                return std::nullopt;
            event[*key] = *value;
        } else {
            const size_t end = line.find_first_of(",}", at);
            if (end == std::string::npos)
                return std::nullopt;
            event[*key] = line.substr(at, end - at);
            at = end;
        }
    }
    if (!expect('}') || at != line.size())
        return std::nullopt;
    return event;
}

std::vector<std::string> CliRun::Values(const std::string& event, const std::string& field) const
{
    std::vector<std::string> values;
    for (const CliEvent& e : events)
        if (e.at("event") == event && e.count(field))
            values.push_back(e.at(field));
    return values;
}

CliRun RunCliChild(const std::string& program, std::vector<std::string> arguments,
                   const std::vector<std::string>& settings, const std::string& stderrPath,
                   const std::function<void(const CliEvent&, pid_t)>& onEvent, size_t linesRead)
{
    arguments.insert(arguments.begin(), program);
    arguments.push_back("--json");
    int out[2];
    if (pipe(out) != 0)
        return {};
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(out[1], STDOUT_FILENO);
        // The parent's end must not stay open here: closing it is how the reader leaves.
        close(out[0]);
        close(out[1]);
        const int err = open(stderrPath.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
        dup2(err, STDERR_FILENO);
        for (const std::string& setting : settings)
            putenv(const_cast<char*>(setting.c_str()));
        std::vector<char*> argv;
        for (std::string& argument : arguments)
            argv.push_back(argument.data());
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        _exit(127);
    }
    close(out[1]);
    CliRun run;
    FILE* stream = fdopen(out[0], "r");
    char* line = nullptr;
    size_t capacity = 0;
    for (ssize_t length; linesRead-- > 0 && (length = getline(&line, &capacity, stream)) > 0;) {
        const std::string text(line, length - 1);
        if (const auto event = ParseFlatJson(text)) {
            run.events.push_back(*event);
            if (onEvent)
                onEvent(*event, pid);
        } else {
            run.badLines.push_back(text);
        }
    }
    free(line);
    fclose(stream);
    int status = 0;
    waitpid(pid, &status, 0);
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}
