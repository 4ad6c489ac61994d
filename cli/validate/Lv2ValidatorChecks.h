#pragma once
// The validator's checks of an LV2 plug-in, in groups run like the VST and
// CLAP ones (each in a process of its own, reported one line per check): the
// bundle read through lilv and the plug-in made at several rates, its ports,
// the state interface, the presets, broken event sequences, and rendering at
// every rate and block size.

#include "validate/ValidatorChecks.h"

#include <memory>
#include <string>
#include <vector>

namespace tessarine::host {

class Lv2Instance;
class Lv2World;

// A bundle an LV2 host would load: a folder named *.lv2.
bool isLv2Path(const std::string& path);

std::vector<CheckGroup> lv2CheckGroups(const ValidationPlan& plan);

// Reads the bundle for one group of checks; one that will not load fails the
// group's first check, named by check.
bool openForChecks(Lv2World& world, const std::string& path, const ValidationPlan& plan, ValidatorReport& report,
                   const std::string& check);
// The same, then one instance at rate; nothing, with check failed saying why, if either step fails.
std::unique_ptr<Lv2Instance> openInstanceForChecks(Lv2World& world, const std::string& path,
                                                   const ValidationPlan& plan, ValidatorReport& report,
                                                   const std::string& check, double rate);

void runLv2LoadChecks(const std::string& path, const ValidationPlan& plan, int, ValidatorReport& report);
void runLv2ScanChecks(const std::string& path, const ValidationPlan& plan, int, ValidatorReport& report);
void runLv2StateChecks(const std::string& path, const ValidationPlan& plan, int, ValidatorReport& report);
void runLv2PresetChecks(const std::string& path, const ValidationPlan& plan, int, ValidatorReport& report);
void runLv2EventChecks(const std::string& path, const ValidationPlan& plan, int, ValidatorReport& report);
void runLv2ProcessChecks(const std::string& path, const ValidationPlan& plan, int rate, ValidatorReport& report);

} // namespace tessarine::host
