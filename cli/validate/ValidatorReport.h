#pragma once
// What a validation found: one outcome per check, the timing figures of the
// render sweep and the allocations counted on the audio thread. Checks run in
// child processes, so the report also travels through a pipe as lines of text.

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

namespace tessarine::host {

enum class CheckStatus { kPass, kFail, kSkip };

struct CheckOutcome {
    std::string name;
    CheckStatus status;
    std::string reason; // why it failed or was skipped; empty for a pass
};

// Speed of one sample rate and block size: audio time over processing time,
// and the slowest block's processing time over its own duration.
struct BlockFigure {
    int sampleRate;
    int blockSize; // 0: blocks of changing size
    double realTimeFactor;
    double worstBlockFraction;
    double peakDbfs; // loudest sample of the run; -inf: silent throughout
};

class ValidatorReport {
public:
    void add(CheckOutcome outcome);
    void pass(const std::string& name) { add({name, CheckStatus::kPass, {}}); }
    void fail(const std::string& name, const std::string& reason) { add({name, CheckStatus::kFail, reason}); }
    void skip(const std::string& name, const std::string& reason) { add({name, CheckStatus::kSkip, reason}); }
    // A pass when reason is empty, else a failure.
    void result(const std::string& name, const std::string& reason);
    void addFigure(const BlockFigure& figure)
    {
        figures_.push_back(figure);
        stream();
    }
    void addAllocations(const std::uint64_t counts[3]);
    void merge(const ValidatorReport& other);
    // The plug-in's unique id as the loading check read it (0: not known).
    void setUniqueId(std::int32_t id);
    std::int32_t uniqueId() const { return uniqueId_; }

    const std::vector<CheckOutcome>& outcomes() const { return outcomes_; }
    const std::vector<BlockFigure>& figures() const { return figures_; }
    std::uint64_t allocations(int call) const { return allocations_[call]; }
    int count(CheckStatus status) const;
    bool failed() const { return count(CheckStatus::kFail) > 0; }

    // One line per outcome, "PASS name", "FAIL name: reason", "SKIP name: reason".
    static std::string line(const CheckOutcome& outcome);
    void printFigures(std::ostream& out) const;
    void printSummary(std::ostream& out) const;
    void printJson(std::ostream& out, const std::string& plugin, int level, std::uint32_t seed) const;

    // The pipe between a check's child process and the validator. Once
    // streaming, every later addition is written to fd at once, so what a check
    // found survives the plug-in crashing the process afterwards.
    void streamTo(int fd) { streamFd_ = fd; }
    std::string serialise() const;
    void deserialise(const std::string& text);

private:
    std::vector<CheckOutcome> outcomes_;
    std::vector<BlockFigure> figures_;
    std::uint64_t allocations_[3] = {};
    std::int32_t uniqueId_ = 0;
    int streamFd_ = -1;
    std::size_t streamedOutcomes_ = 0;
    std::size_t streamedFigures_ = 0;

    void stream();
};

} // namespace tessarine::host
