#pragma once
// Dialogs answered from a script instead of a person: tests queue the paths the
// "user" picks (or a cancel) and read back what was asked and shown.

#include "editor/FileDialogs.h"

#include <deque>
#include <optional>
#include <string>
#include <vector>

namespace tessarine {

class ScriptedDialogs final : public FileDialogs {
public:
    // The next answers in order; nullopt cancels. An empty queue cancels too.
    std::deque<std::optional<std::string>> answers;
    // "open t9i", "save t9v", ... one per dialog shown.
    std::vector<std::string> asked;
    // "caption|text" per message box.
    std::vector<std::string> messages;
    // Every progress value the analysis reported, when progress windows are shown.
    std::vector<double> progress;
    int progressWindowsOpened = 0;

    bool openFile(const char* extension, std::string& path) override { return answer("open", extension, path); }
    bool saveFile(const char* extension, std::string& path) override { return answer("save", extension, path); }
    void messageBox(const char* text, const char* caption) override
    {
        messages.push_back(std::string(caption != nullptr ? caption : "") + "|" + (text != nullptr ? text : ""));
    }
    std::unique_ptr<AnalysisProgress> openAnalysisProgress() override;

private:
    bool answer(const char* kind, const char* extension, std::string& path)
    {
        asked.push_back(std::string(kind) + " " + (extension != nullptr ? extension : ""));
        if (answers.empty()) {
            return false;
        }
        std::optional<std::string> next = std::move(answers.front());
        answers.pop_front();
        if (!next) {
            return false;
        }
        path = *next;
        return true;
    }
};

} // namespace tessarine
