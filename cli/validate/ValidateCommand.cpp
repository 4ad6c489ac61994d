#include "validate/ValidateCommand.h"

#include <CLI/CLI.hpp>
#include <iostream>
#include <memory>

#include "validate/AudioThreadAllocations.h"
#include "validate/ClapValidatorChecks.h"
#include "validate/Lv2ValidatorChecks.h"
#include "validate/ValidatorChecks.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <sys/wait.h>
#include <unistd.h>

namespace tessarine::host {

namespace {

// A group that takes longer than this is reported as hanging.
constexpr unsigned kGroupSecondsPerLevel = 120;

void finishGroup(const CheckGroup& group, const ValidationPlan& plan, const std::string& path,
                 ValidatorReport& report)
{
    const AudioCall calls[kAudioCallKinds] = {AudioCall::kProcess, AudioCall::kProcessEvents,
                                              AudioCall::kSetParameter};
    std::uint64_t counts[kAudioCallKinds];
    for (int i = 0; i < kAudioCallKinds; ++i) {
        counts[i] = audioThreadAllocations(calls[i]);
    }
    group.run(path, plan, group.argument, report);
    for (int i = 0; i < kAudioCallKinds; ++i) {
        counts[i] = audioThreadAllocations(calls[i]) - counts[i];
    }
    report.addAllocations(counts);
}

// Runs one group in a child process, so that a plug-in crashing or hanging is
// that group's failure and the validation goes on.
ValidatorReport runIsolated(const CheckGroup& group, const ValidationPlan& plan, const std::string& path)
{
    ValidatorReport report;
    int pipeFds[2];
    if (pipe(pipeFds) != 0) {
        report.fail(group.name, "cannot create a pipe for the check process");
        return report;
    }
    std::fflush(nullptr);
    const pid_t child = fork();
    if (child < 0) {
        close(pipeFds[0]);
        close(pipeFds[1]);
        report.fail(group.name, "cannot start the check process");
        return report;
    }
    if (child == 0) {
        close(pipeFds[0]);
        // Whatever the plug-in prints must not mix with the report on stdout.
        dup2(STDERR_FILENO, STDOUT_FILENO);
        alarm(kGroupSecondsPerLevel * static_cast<unsigned>(plan.level >= 4 ? plan.level : 1));
        ValidatorReport streamed;
        streamed.streamTo(pipeFds[1]);
        finishGroup(group, plan, path, streamed);
        close(pipeFds[1]);
        _exit(0);
    }
    close(pipeFds[1]);
    std::string received;
    char buffer[4096];
    for (;;) {
        ssize_t n = read(pipeFds[0], buffer, sizeof buffer);
        if (n > 0) {
            received.append(buffer, static_cast<std::size_t>(n));
        } else if (n == 0 || errno != EINTR) {
            break;
        }
    }
    close(pipeFds[0]);
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    report.deserialise(received);
    if (WIFSIGNALED(status)) {
        const int signal = WTERMSIG(status);
        report.fail(group.name, signal == SIGALRM ? "did not finish in time (hangs?)"
                                                  : std::string("crashed (") + strsignal(signal) + ")");
    } else if (WIFEXITED(status) && WEXITSTATUS(status) != 0) {
        report.fail(group.name, "the plug-in ended the process with status " + std::to_string(WEXITSTATUS(status)));
    }
    return report;
}

// Only the VST 2 interface tells its audio-thread calls apart.
void realtimeCheck(const ValidateOptions& options, ValidatorReport& report, const std::string& noisyGroups,
                   bool vst)
{
    const char* name = "realtime.allocations";
    if (!allocation_counting::available()) {
        report.skip(name, "this program does not count allocations");
        return;
    }
    const std::uint64_t total = report.allocations(0) + report.allocations(1) + report.allocations(2);
    const bool strict = options.strict || isOwnPlugin(report.uniqueId());
    if (total > 0 && strict && !vst) {
        report.fail(name, std::to_string(total) + " heap allocations on the audio thread in " + noisyGroups);
    } else if (total > 0 && strict) {
        report.fail(name, std::to_string(total) + " heap allocations on the audio thread (process " +
                              std::to_string(report.allocations(0)) + ", processEvents " +
                              std::to_string(report.allocations(1)) + ", setParameter " +
                              std::to_string(report.allocations(2)) + ") in " + noisyGroups);
    } else {
        report.pass(name);
    }
}

} // namespace

int runValidate(const ValidateOptions& options, std::ostream& out, std::ostream& err)
{
    if (options.level < 1 || options.level > 5) {
        err << "tessarine validate: the level is 1 to 5\n";
        return 1;
    }
    ValidationPlan plan = ValidationPlan::forLevel(options.level, options.seed);
    plan.strict = options.strict;
    plan.pluginUri = options.uri;
    if (options.format != "auto" && options.format != "vst" && options.format != "clap" && options.format != "lv2") {
        err << "tessarine validate: the format is vst, clap, lv2 or auto\n";
        return 1;
    }
    const bool automatic = options.format == "auto";
    const bool clap = options.format == "clap" || (automatic && isClapPath(options.pluginPath));
    const bool lv2 = options.format == "lv2" || (automatic && isLv2Path(options.pluginPath));
    if (!options.uri.empty() && !lv2) {
        err << "tessarine validate: --uri names a plug-in of an LV2 bundle\n";
        return 1;
    }
    ValidatorReport report;
    std::string noisyGroups;
    for (const CheckGroup& group : clap ? clapCheckGroups(plan) : lv2 ? lv2CheckGroups(plan) : checkGroups(plan)) {
        ValidatorReport part;
        if (options.inProcess) {
            finishGroup(group, plan, options.pluginPath, part);
        } else {
            part = runIsolated(group, plan, options.pluginPath);
        }
        if (part.allocations(0) + part.allocations(1) + part.allocations(2) > 0) {
            noisyGroups += (noisyGroups.empty() ? "" : ", ") + group.name;
        }
        if (!options.json) {
            for (const auto& outcome : part.outcomes()) {
                out << ValidatorReport::line(outcome) << '\n';
            }
            out.flush();
        }
        report.merge(part);
        // Nothing else can run on a plug-in that does not load.
        if (group.name == "load" && part.failed()) {
            break;
        }
    }
    if (!report.outcomes().empty() && report.outcomes().front().name == "load.entry" &&
        report.outcomes().front().status == CheckStatus::kPass) {
        realtimeCheck(options, report, noisyGroups, !clap && !lv2);
        if (!options.json) {
            out << ValidatorReport::line(report.outcomes().back()) << '\n';
        }
    }
    if (options.json) {
        report.printJson(out, options.pluginPath, plan.level, plan.seed);
    } else {
        report.printFigures(out);
        report.printSummary(out);
    }
    out.flush();
    return report.failed() ? 1 : 0;
}

namespace {

Command::Run setUpValidate(CLI::App& command, const std::string& defaultPlugin)
{
    auto validate = std::make_shared<ValidateOptions>();
    validate->pluginPath = defaultPlugin;
    command.add_option("--plugin", validate->pluginPath,
                       "Plug-in file, or LV2 bundle folder, to check (default: Tessarine.so)");
    command.add_option("--format", validate->format,
                       "Plug-in format: vst, clap, lv2, or auto (clap for *.clap, lv2 for *.lv2)")
        ->capture_default_str();
    command.add_option("--uri", validate->uri, "LV2: the plug-in of the bundle to check (default: its only one)");
    command.add_option("--level", validate->level, "Breadth 1 (load and scan) to 5 (longest)")
        ->check(CLI::Range(1, 5))
        ->capture_default_str();
    command.add_option("--seed", validate->seed, "Seed of the random notes, values and chunks")->capture_default_str();
    command.add_flag("--json", validate->json, "Print the report as JSON");
    command.add_flag("--strict", validate->strict,
                     "The interface's text limits and no audio-thread allocation (always for Tessarine)");
    command.add_flag("--in-process", validate->inProcess,
                     "Run every check in this process (a crash ends the validation)");
    return [validate] { return runValidate(*validate, std::cout, std::cerr); };
}

} // namespace

const Command kValidateCommand{"validate", "Check a VST 2, CLAP or LV2 instrument the way strict hosts and validators do",
                               &setUpValidate};

} // namespace tessarine::host
