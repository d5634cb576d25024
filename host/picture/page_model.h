// page_model: what the host shows on its panels: for each panel, its controls
// and for each control its properties and their values, as the script's "TP"
// commands set them. Answers "TG" and "XI" from what it holds.
#ifndef HOST_PAGE_MODEL_H
#define HOST_PAGE_MODEL_H

#include <map>
#include <optional>
#include <string>
#include <vector>

class page_model {
public:
    using properties = std::map<std::string, std::string>;

    // "TP 'name=value' 'panel' 'control'": the text before the first "=" is
    // the property, the rest its value. False when there is no "=".
    bool put(const std::string& assignment, const std::string& panel, const std::string& control);
    void set(const std::string& panel, const std::string& control, const std::string& property,
             const std::string& value);

    // "TG": "name=value"; for "all" every property of the control as
    // "name=value" items joined by ",". Nothing for an unknown control; an
    // unknown property of a known control answers "name=".
    std::optional<std::string> get(const std::string& panel, const std::string& control,
                                   const std::string& name) const;
    // "XI": the ids on the panel that begin with filter, in order, joined by ",".
    std::string ids(const std::string& panel, const std::string& filter) const;

    std::optional<std::string> value(const std::string& panel, const std::string& control,
                                     const std::string& property) const;
    const properties* control(const std::string& panel, const std::string& id) const;

    // Every panel with its controls, shown or only written to.
    const std::map<std::string, std::map<std::string, properties>>& panels() const { return panels_; }

    // Panels shown with "PS", in order, and the file each was shown with.
    void show(const std::string& panel, const std::string& file);
    const std::vector<std::pair<std::string, std::string>>& shown() const { return shown_; }
    // The panel a check or a picture looks at: the first one shown, else "1".
    std::string main_panel() const;

private:
    std::map<std::string, std::map<std::string, properties>> panels_;
    std::vector<std::pair<std::string, std::string>> shown_;
};

#endif
