#pragma once
// The editor's size the person picked in its top bar: 100, 125, 150 or 200 %,
// or none yet. Remembered for every instance and run in one small file
// ("150"), as the Ask choice is; a missing, oversized or damaged file, or a
// size not offered, means none.
//
// Which size the editor takes: the person's pick wins; until there is one, a
// host's request (its display scaling) decides; without either, 100 %. A
// musician who chose a size expects it in every host and project, while a
// host that knows the screen is the better guess before anything is chosen.

#include <array>
#include <string>

namespace tessarine {

class EditorScaleChoice {
public:
    // The sizes offered, in percent.
    static constexpr std::array<int, 4> kPercents{100, 125, 150, 200};

    // file: where the choice lives; empty keeps it in memory only.
    explicit EditorScaleChoice(std::string file) : file_(std::move(file)) {}

    // $XDG_CONFIG_HOME/tessarine/editor-scale, else under ~/.config.
    static std::string defaultFile();

    void load();
    // 0 while nothing was picked.
    int percent() const { return percent_; }
    // Remembers a size offered (others are refused); false when it could not
    // be written (it holds for this run).
    bool set(int percent);

private:
    std::string file_;
    int percent_ = 0;
};

} // namespace tessarine
