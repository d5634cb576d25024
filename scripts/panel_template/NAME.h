// @NAME@: a panel script. It shows panel "1", mirrors destinations 1 to 4 of
// router device 3 onto the text controls Dest_1 to Dest_4, answers a "Take"
// press on its Status control, keeps the property myParam and stops every
// timer that ticks. The guide: share/doc/quon/docs/writing-a-panel.md in the
// SDK.
#ifndef @GUARD@
#define @GUARD@

#include "quon_script_helper.h"

class @NAME@ : public quon_script_helper {
public:
    // Commands may be sent from here on: host and base path are set.
    @NAME@(quon_client_callback* hostLink, const char* path);
    // Runs before the framework's own shut-down notice "AS".
    ~@NAME@() override;

protected:
    void buttonCallback(buttonEvent* event) override;
    int revertiveCallback(revertiveEvent* event) override;
    quon_string propertyCallback(propertyEvent* event) override;
    int timerCallback(int id) override;
    void kind6Callback(hookEvent* event) override;
    void kind7Callback(hookEvent* event) override;

private:
    quon_string myParam;
};

#endif
