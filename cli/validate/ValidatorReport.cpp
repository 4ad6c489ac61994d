#include "validate/ValidatorReport.h"

#include "commands/JsonWriter.h"

#include <cstdio>
#include <cstdlib>
#include <unistd.h>
#include <sstream>

namespace tessarine::host {

namespace {

const char* statusWord(CheckStatus status)
{
    switch (status) {
    case CheckStatus::kPass:
        return "PASS";
    case CheckStatus::kFail:
        return "FAIL";
    default:
        return "SKIP";
    }
}

// Reasons travel one per line, tab-separated: neither may appear inside.
std::string flatten(std::string text)
{
    for (char& c : text) {
        if (c == '\n' || c == '\r' || c == '\t') {
            c = ' ';
        }
    }
    return text;
}

const char* kCallNames[3] = {"process", "processEvents", "setParameter"};

} // namespace

void ValidatorReport::add(CheckOutcome outcome)
{
    outcome.name = flatten(std::move(outcome.name));
    outcome.reason = flatten(std::move(outcome.reason));
    outcomes_.push_back(std::move(outcome));
    stream();
}

void ValidatorReport::stream()
{
    if (streamFd_ < 0) {
        return;
    }
    ValidatorReport fresh;
    fresh.outcomes_.assign(outcomes_.begin() + static_cast<long>(streamedOutcomes_), outcomes_.end());
    fresh.figures_.assign(figures_.begin() + static_cast<long>(streamedFigures_), figures_.end());
    fresh.allocations_[0] = fresh.allocations_[1] = fresh.allocations_[2] = 0;
    std::string text = fresh.serialise();
    // The allocation line is sent once, by the owner, at the end.
    text.erase(text.rfind("A\t"));
    streamedOutcomes_ = outcomes_.size();
    streamedFigures_ = figures_.size();
    for (std::size_t done = 0; done < text.size();) {
        ssize_t n = ::write(streamFd_, text.data() + done, text.size() - done);
        if (n <= 0) {
            return;
        }
        done += static_cast<std::size_t>(n);
    }
}

void ValidatorReport::result(const std::string& name, const std::string& reason)
{
    if (reason.empty()) {
        pass(name);
    } else {
        fail(name, reason);
    }
}

void ValidatorReport::addAllocations(const std::uint64_t counts[3])
{
    for (int i = 0; i < 3; ++i) {
        allocations_[i] += counts[i];
    }
    if (streamFd_ >= 0) {
        std::string text = "A\t" + std::to_string(counts[0]) + "\t" + std::to_string(counts[1]) + "\t" +
                           std::to_string(counts[2]) + "\n";
        ssize_t ignored = ::write(streamFd_, text.data(), text.size());
        (void)ignored;
    }
}

void ValidatorReport::merge(const ValidatorReport& other)
{
    for (const auto& outcome : other.outcomes_) {
        outcomes_.push_back(outcome);
    }
    figures_.insert(figures_.end(), other.figures_.begin(), other.figures_.end());
    addAllocations(other.allocations_);
    if (other.uniqueId_ != 0) {
        uniqueId_ = other.uniqueId_;
    }
}

void ValidatorReport::setUniqueId(std::int32_t id)
{
    uniqueId_ = id;
    if (streamFd_ >= 0) {
        std::string text = "U\t" + std::to_string(id) + "\n";
        ssize_t ignored = ::write(streamFd_, text.data(), text.size());
        (void)ignored;
    }
}

int ValidatorReport::count(CheckStatus status) const
{
    int n = 0;
    for (const auto& outcome : outcomes_) {
        n += outcome.status == status ? 1 : 0;
    }
    return n;
}

std::string ValidatorReport::line(const CheckOutcome& outcome)
{
    std::string text = std::string(statusWord(outcome.status)) + " " + outcome.name;
    if (!outcome.reason.empty()) {
        text += ": " + outcome.reason;
    }
    return text;
}

void ValidatorReport::printFigures(std::ostream& out) const
{
    if (figures_.empty()) {
        return;
    }
    out << "figures: real-time factor (audio time / processing time), worst block (processing time / block "
           "duration), peak level\n";
    char row[160];
    for (const auto& f : figures_) {
        std::snprintf(row, sizeof row, "  %6d Hz  block %-8s  %10.1fx  worst %8.4f  peak %6.1f dBFS\n",
                      f.sampleRate, f.blockSize > 0 ? std::to_string(f.blockSize).c_str() : "varying",
                      f.realTimeFactor, f.worstBlockFraction, f.peakDbfs);
        out << row;
    }
}

void ValidatorReport::printSummary(std::ostream& out) const
{
    out << "audio-thread allocations:";
    for (int i = 0; i < 3; ++i) {
        out << ' ' << kCallNames[i] << ' ' << allocations_[i];
    }
    out << '\n';
    out << "summary: " << count(CheckStatus::kPass) << " passed, " << count(CheckStatus::kFail) << " failed, "
        << count(CheckStatus::kSkip) << " skipped\n";
}

void ValidatorReport::printJson(std::ostream& out, const std::string& plugin, int level, std::uint32_t seed) const
{
    JsonWriter json(out);
    json.beginObject();
    json.key("plugin").value(plugin);
    json.key("level").value(level);
    json.key("seed").value(static_cast<long long>(seed));
    json.key("checks").beginArray();
    for (const auto& outcome : outcomes_) {
        json.beginObject();
        json.key("name").value(outcome.name);
        json.key("status").value(statusWord(outcome.status));
        json.key("reason").value(outcome.reason);
        json.endObject();
    }
    json.endArray();
    json.key("figures").beginArray();
    for (const auto& f : figures_) {
        json.beginObject();
        json.key("sampleRate").value(f.sampleRate);
        json.key("blockSize").value(f.blockSize);
        json.key("realTimeFactor").value(f.realTimeFactor);
        json.key("worstBlockFraction").value(f.worstBlockFraction);
        json.key("peakDbfs").value(f.peakDbfs);
        json.endObject();
    }
    json.endArray();
    json.key("audioThreadAllocations").beginObject();
    for (int i = 0; i < 3; ++i) {
        json.key(kCallNames[i]).value(static_cast<long long>(allocations_[i]));
    }
    json.endObject();
    json.key("summary").beginObject();
    json.key("passed").value(count(CheckStatus::kPass));
    json.key("failed").value(count(CheckStatus::kFail));
    json.key("skipped").value(count(CheckStatus::kSkip));
    json.endObject();
    json.endObject();
    out << '\n';
}

std::string ValidatorReport::serialise() const
{
    std::ostringstream out;
    out.precision(17);
    for (const auto& o : outcomes_) {
        out << "C\t" << static_cast<int>(o.status) << '\t' << o.name << '\t' << o.reason << '\n';
    }
    for (const auto& f : figures_) {
        out << "F\t" << f.sampleRate << '\t' << f.blockSize << '\t' << f.realTimeFactor << '\t'
            << f.worstBlockFraction << '\t' << f.peakDbfs << '\n';
    }
    if (uniqueId_ != 0) {
        out << "U\t" << uniqueId_ << '\n';
    }
    out << "A\t" << allocations_[0] << '\t' << allocations_[1] << '\t' << allocations_[2] << '\n';
    return out.str();
}

void ValidatorReport::deserialise(const std::string& text)
{
    std::istringstream in(text);
    std::string row;
    while (std::getline(in, row)) {
        std::vector<std::string> fields;
        std::size_t start = 0;
        for (std::size_t tab; (tab = row.find('\t', start)) != std::string::npos; start = tab + 1) {
            fields.push_back(row.substr(start, tab - start));
        }
        fields.push_back(row.substr(start));
        if (fields[0] == "C" && fields.size() == 4) {
            int status = std::atoi(fields[1].c_str());
            add({fields[2], status == 0 ? CheckStatus::kPass : status == 1 ? CheckStatus::kFail : CheckStatus::kSkip,
                 fields[3]});
        } else if (fields[0] == "F" && fields.size() == 6) {
            figures_.push_back({std::atoi(fields[1].c_str()), std::atoi(fields[2].c_str()),
                                std::strtod(fields[3].c_str(), nullptr), std::strtod(fields[4].c_str(), nullptr),
                                std::strtod(fields[5].c_str(), nullptr)});
        } else if (fields[0] == "U" && fields.size() == 2) {
            uniqueId_ = static_cast<std::int32_t>(std::strtol(fields[1].c_str(), nullptr, 10));
        } else if (fields[0] == "A" && fields.size() == 4) {
            const std::uint64_t counts[3] = {std::strtoull(fields[1].c_str(), nullptr, 10),
                                             std::strtoull(fields[2].c_str(), nullptr, 10),
                                             std::strtoull(fields[3].c_str(), nullptr, 10)};
            addAllocations(counts);
        }
    }
}

} // namespace tessarine::host
