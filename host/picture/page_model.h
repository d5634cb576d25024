// page_model: what the host shows on its panels: for each panel, its controls
// and for each control its properties and their values, as the script's "TP"
// commands set them. Answers "TG" and "XI" from what it holds.
#ifndef HOST_PICTURE_PAGE_MODEL_H
#define HOST_PICTURE_PAGE_MODEL_H

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace quon::host {

class page_model {
public:
    using properties = std::map<std::string, std::string>;
    // A control's properties and the page revision at which they last changed.
    struct control_entry {
        properties values;
        std::uint64_t revision = 0;
    };
    using controls = std::map<std::string, control_entry>;

    // "TP 'name=value' 'panel' 'control'": the text before the first "=" is
    // the property, the rest its value. False when there is no "=".
    bool put(const std::string& assignment, const std::string& panel, const std::string& control);
    void set(const std::string& panel, const std::string& control, const std::string& property,
             const std::string& value);

    // "TG": "name=value"; for "all" every property of the control as
    // "name=value" items joined by ",". Nothing for an unknown control; an
    // unknown property of a known control answers "name=".
    std::optional<std::string> get(const std::string& panel, const std::string& control, const std::string& name) const;
    // "XI": the ids on the panel that begin with filter, in order, joined by ",".
    std::string ids(const std::string& panel, const std::string& filter) const;

    // The rule of a press from a page (serve's button action): it goes only
    // to a control the script has written to, the only ones the picture
    // draws, even when a layout places others. False with why, naming it.
    bool accepts_press(const std::string& panel, const std::string& control, std::string& why) const;

    std::optional<std::string> value(const std::string& panel, const std::string& control,
                                     const std::string& property) const;
    const properties* control(const std::string& panel, const std::string& id) const;

    // Every panel with its controls, shown or only written to. Entries are
    // never removed: a pointer to one stays valid as long as the model.
    const std::map<std::string, controls>& panels() const { return panels_; }

    // Moves on with every change a picture would show: a property that takes
    // a new value, a control or panel that appears, a panel shown. A picture
    // drawn at the same revision is still the page's.
    std::uint64_t revision() const { return revision_; }
    // Moves on only when a control or panel appears or a panel is shown: the
    // picture's arrangement may change then, otherwise only the controls
    // whose control_entry::revision is newer.
    std::uint64_t structure_revision() const { return structure_; }

    // Panels shown with "PS", in order, and the file each was shown with.
    void show(const std::string& panel, const std::string& file);
    const std::vector<std::pair<std::string, std::string>>& shown() const { return shown_; }
    // The panel a check or a picture looks at: the first one shown, else "1".
    std::string main_panel() const;

private:
    std::map<std::string, controls> panels_;
    std::vector<std::pair<std::string, std::string>> shown_;
    std::uint64_t revision_ = 0, structure_ = 0;
};

} // namespace quon::host

#endif
