#pragma once
// Shows an option menu's pop-up and hands the choice back through
// OptionMenu::choose(). The X11 back-end's presenter opens its own windows;
// HeadlessMenuPresenter only records the request, so tests (and a headless
// editor) pick entries directly.

namespace tessarine::gui {

class OptionMenu;

class MenuPresenter {
public:
    virtual ~MenuPresenter() = default;

    // Opens the pop-up for the menu; a later choice calls menu.choose().
    virtual void present(OptionMenu& menu) = 0;
    // Closes any pop-up without a choice.
    virtual void dismiss() = 0;
    // The menu whose pop-up is open, or null.
    virtual OptionMenu* activeMenu() const = 0;
};

class HeadlessMenuPresenter : public MenuPresenter {
public:
    void present(OptionMenu& menu) override
    {
        active_ = &menu;
        ++presentCount_;
    }
    void dismiss() override { active_ = nullptr; }
    OptionMenu* activeMenu() const override { return active_; }

    int presentCount() const { return presentCount_; }

    // The user picks an entry of the open pop-up; false when none is open or
    // the menu lacks the entry. The pop-up closes either way.
    bool choose(int entry, int subEntry = -1);

private:
    OptionMenu* active_ = nullptr;
    int presentCount_ = 0;
};

} // namespace tessarine::gui
