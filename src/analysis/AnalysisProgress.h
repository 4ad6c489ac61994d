#pragma once
// Where the analysis reports how far it has come: the editor's progress window
// or the command-line host's progress bar. Called on the analysing thread.

#include <string>

namespace tessarine {

class AnalysisProgress {
public:
    virtual ~AnalysisProgress() = default;
    // 0 to 100.
    virtual void setProgress(double percent) = 0;
    // What is being done now, in words a musician reads ("Analysing cello.wav").
    virtual void setStage(const std::string& stage) { (void)stage; }
};

} // namespace tessarine
