#include "editor/ScaleMenu.h"

#include "editor/EditorScaleChoice.h"
#include "gui/Frame.h"
#include "gui/OptionMenu.h"

#include <cmath>
#include <memory>
#include <string>

namespace tessarine {

namespace {

// Under the title, left of Learn, where the top bar is free.
constexpr gui::Rect kPlace{152, 35, 80, 18};

std::string percentText(int percent) { return std::to_string(percent) + " %"; }

} // namespace

ScaleMenu::ScaleMenu(gui::Frame& frame, std::function<void(int percent)> chosen) : chosen_(std::move(chosen))
{
    menu_ = frame.add(std::make_unique<gui::OptionMenu>(kPlace, -1, this));
    menu_->setHelp("Editor size\nDraws the whole editor larger, for every instance and run");
    for (int percent : EditorScaleChoice::kPercents) {
        menu_->addEntry(percentText(percent));
    }
}

void ScaleMenu::show(double scale)
{
    const int percent = static_cast<int>(std::lround(scale * 100));
    for (int e = 0; e < menu_->entryCount(); ++e) {
        if (EditorScaleChoice::kPercents[static_cast<std::size_t>(e)] == percent) {
            menu_->setValue(static_cast<float>(e));
            menu_->setTitle("Size " + percentText(percent));
            menu_->invalidate();
            return;
        }
    }
    // A host may ask for a size the menu does not offer.
    menu_->setTitle("Size " + percentText(percent));
    menu_->invalidate();
}

void ScaleMenu::valueChanged(gui::Control& control)
{
    const int entry = static_cast<int>(control.value());
    if (entry >= 0 && entry < static_cast<int>(EditorScaleChoice::kPercents.size())) {
        chosen_(EditorScaleChoice::kPercents[static_cast<std::size_t>(entry)]);
    }
}

} // namespace tessarine
