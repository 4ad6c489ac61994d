#include "editor/ScriptedDialogs.h"

namespace tessarine {

namespace {

class RecordedProgress final : public AnalysisProgress {
public:
    explicit RecordedProgress(std::vector<double>& values) : values_(values) {}
    void setProgress(double percent) override { values_.push_back(percent); }

private:
    std::vector<double>& values_;
};

} // namespace

std::unique_ptr<AnalysisProgress> ScriptedDialogs::openAnalysisProgress()
{
    ++progressWindowsOpened;
    return std::make_unique<RecordedProgress>(progress);
}

} // namespace tessarine
