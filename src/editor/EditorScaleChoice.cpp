#include "editor/EditorScaleChoice.h"

#include "editor/dialogs/SettingFile.h"

#include <algorithm>
#include <cstdlib>

namespace tessarine {

namespace {

bool offered(int percent)
{
    return std::find(EditorScaleChoice::kPercents.begin(), EditorScaleChoice::kPercents.end(), percent)
        != EditorScaleChoice::kPercents.end();
}

} // namespace

std::string EditorScaleChoice::defaultFile() { return settingFilePath("editor-scale"); }

void EditorScaleChoice::load()
{
    percent_ = 0;
    char text[8] = {};
    if (file_.empty() || !readSettingFile(file_, text, sizeof(text))) {
        return;
    }
    char* end = nullptr;
    const long value = std::strtol(text, &end, 10);
    const bool whole = end != text && (*end == 0 || *end == '\n');
    percent_ = whole && offered(static_cast<int>(value)) ? static_cast<int>(value) : 0;
}

bool EditorScaleChoice::set(int percent)
{
    if (!offered(percent)) {
        return false;
    }
    percent_ = percent;
    return file_.empty() || writeSettingFile(file_, std::to_string(percent) + "\n");
}

} // namespace tessarine
