#pragma once
// The validator's checks of a CLAP plug-in, in groups run like the VST ones
// (each in a process of its own, reported one line per check): loading and
// the descriptor, the extensions and ports, parameters and their texts, the
// state, rendering at every rate and block size, and the threads the
// plug-in calls its host from.

#include "validate/ValidatorChecks.h"

#include <string>
#include <vector>

namespace tessarine::host {

class ClapSession;

// A file a CLAP host would load: named *.clap.
bool isClapPath(const std::string& path);

std::vector<CheckGroup> clapCheckGroups(const ValidationPlan& plan);

// Opens the plug-in for one group of checks; one that will not open fails the
// group's first check, named by check.
bool openForChecks(ClapSession& session, const std::string& path, ValidatorReport& report, const std::string& check);

void runClapLoadChecks(const std::string& path, const ValidationPlan& plan, int, ValidatorReport& report);
void runClapScanChecks(const std::string& path, const ValidationPlan& plan, int, ValidatorReport& report);
void runClapParameterChecks(const std::string& path, const ValidationPlan& plan, int, ValidatorReport& report);
void runClapStateChecks(const std::string& path, const ValidationPlan& plan, int, ValidatorReport& report);
void runClapProcessChecks(const std::string& path, const ValidationPlan& plan, int rate, ValidatorReport& report);
void runClapThreadChecks(const std::string& path, const ValidationPlan& plan, int, ValidatorReport& report);

} // namespace tessarine::host
