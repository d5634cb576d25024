// @NAME@'s unit tests: the panel, made by its factory, driven through its
// boundary by the test host, which also fails a test on any fault in the
// reply protocol. Run them alone with: ctest --preset native -R @NAME@_test
#include "quon_export.h"
#include "quon_test_host.h"

#include <gtest/gtest.h>

using commands = std::vector<std::string>;

TEST(@NAME@, ShowsItsPanelRegistersAndPolls) {
    quon_test_host host;
    host.start(load_quon_client_script, "@NAME@");
    EXPECT_EQ(host.commands(), (commands{"PS '1' '@NAME@/@NAME@.quon_ui'", "RR 3 1 4", "RP 3 1 4"}));
}

TEST(@NAME@, ShowsRoutesAnswersTakeAndStopsTimers) {
    quon_test_host host;
    host.start(load_quon_client_script, "@NAME@");
    EXPECT_EQ(host.report(3, 2, 7), commands{"TP 'text=source 7' '1' 'Dest_2'"});
    EXPECT_EQ(host.report(3, 9, 7), commands{}); // not one of its destinations
    EXPECT_EQ(host.button("1", "Take", "press"), commands{"TP 'text=taken' '1' 'Status'"});
    EXPECT_EQ(host.button("1", "Take", "release"), commands{});
    EXPECT_EQ(host.timer(3), commands{"ET 3"});
}

TEST(@NAME@, KeepsMyParamAndSignsOff) {
    quon_test_host host;
    host.start(load_quon_client_script, "@NAME@");
    EXPECT_EQ(host.property("myParam=hello"), std::nullopt);
    EXPECT_EQ(host.property("return=myParam"), "myParam=hello");
    host.calls.clear();
    host.stop();
    EXPECT_EQ(host.commands(), (commands{"RU 3", "AS"}));
}
