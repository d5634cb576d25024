// Options several subcommands share: the panel library, and numbers read by
// the program's one number reader, so "+5", " 5", "", "-0" and values beyond
// the option's range are refused; and the help's look.
#include "base/decimal_number.h"
#include "commands/subcommands.h"

#include <memory>
#include <string>

namespace quon::host {

namespace {

template <typename T, typename... Range>
CLI::Option* number_option(CLI::App& app, const std::string& name, T& target, const std::string& description,
                           Range... range) {
    auto parse = [&target, name, range...](const std::string& text) {
        std::string why;
        if (!read_decimal(text, range..., target, why)) throw CLI::ValidationError(name, why);
    };
    return app.add_option_function<std::string>(name, parse, description)
        ->type_name("N")
        ->default_str(std::to_string(target));
}

} // namespace

CLI::Option* add_number_option(CLI::App& app, const std::string& name, std::int64_t& target, std::int64_t min,
                               std::int64_t max, const std::string& description) {
    return number_option(app, name, target, description, min, max);
}

CLI::Option* add_number_option(CLI::App& app, const std::string& name, std::uint64_t& target, std::uint64_t max,
                               const std::string& description) {
    return number_option(app, name, target, description, max);
}

namespace {

// CLI11 adds "..." to a positional that takes many values, and its type and
// count to its line; ours are named as they are used ("PANEL_LIBRARY...
// SCENARIO"), so a positional is shown by its name alone.
class help_formatter : public CLI::Formatter {
public:
    std::string make_option_usage(const CLI::Option* opt) const override {
        const std::string name = opt->get_name(true, false);
        return opt->get_required() ? name : "[" + name + "]";
    }
    std::string make_option_opts(const CLI::Option* opt) const override {
        return opt->nonpositional() ? CLI::Formatter::make_option_opts(opt) : "";
    }
};

} // namespace

void use_help_formatter(CLI::App& app) { app.formatter(std::make_shared<help_formatter>()); }

CLI::Option* add_library_argument(CLI::App& app, std::string& target) {
    return app.add_option("PANEL_LIBRARY", target, "the panel library (.so natively, .dll on Windows), a path")
        ->required();
}

} // namespace quon::host
