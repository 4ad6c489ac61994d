#include "editor/dialogs/AskBeforeDiscarding.h"

#include "editor/dialogs/SettingFile.h"

namespace tessarine {

std::string AskBeforeDiscarding::defaultFile() { return settingFilePath("ask-before-discarding"); }

void AskBeforeDiscarding::load()
{
    // A few bytes at most: "1" and a line end.
    char text[5] = {};
    enabled_ = !file_.empty() && readSettingFile(file_, text, sizeof(text)) && text[0] == '1';
}

bool AskBeforeDiscarding::set(bool enabled)
{
    enabled_ = enabled;
    return file_.empty() || writeSettingFile(file_, enabled ? "1\n" : "0\n");
}

} // namespace tessarine
