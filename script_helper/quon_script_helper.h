// quon_script_helper: the base class of every panel script. It keeps the link
// to the host, turns the host's untyped callback(arg, kind) into calls of
// typed handlers, and offers one operation per host command.
//
// Thread and lifetime: everything runs on the host's calling thread; commands
// are synchronous calls into the host. `host` and the base path are valid from
// before a derived constructor runs until this destructor ends, so a derived
// script may send commands from its constructor and destructor.
#ifndef QUON_SCRIPT_HELPER_H
#define QUON_SCRIPT_HELPER_H

#include "quon_client_callback.h"
#include "quon_commands.h"
#include "quon_events.h"
#include "quon_hand_back.h"
#include "quon_string.h"
#include "quon_stringlist.h"
#include "quon_text.h"

class quon_script_helper : public quon_client_callback {
public:
    // Binds the script to `host` (null: commands are not sent) with base
    // path `path` (copied; null reads as empty). Commands may be sent from
    // the derived constructor on.
    quon_script_helper(quon_client_callback* host, const char* path);

    // Slot 0: runs the C++ destructor chain and frees the object if asked.
    void* deletingDestructor(unsigned flags) final;
    // Slot 1: the dispatcher. Derived scripts supply handlers, not this.
    char* callback(void* arg, unsigned kind) final;

    // Derived shut-down runs first; this one then sends "AS".
    virtual ~quon_script_helper();

    quon_script_helper(const quon_script_helper&) = delete;
    quon_script_helper& operator=(const quon_script_helper&) = delete;

protected:
    // Handlers, in the order the host's framework gives them (see
    // docs/writing-a-panel.md). Each runs on the host's thread; the event
    // object lives for the call only. The dispatcher (callback) calls them.

    // A control event (kind 2): panel, control id, event name and value.
    virtual void buttonCallback(buttonEvent* event) = 0;
    // A device's status report (kind 1). The result is not read: return 0.
    virtual int revertiveCallback(revertiveEvent* event) = 0;
    // A property message (kind 3). An empty answer reaches the host as null;
    // any other as a heap copy the host hands back with kind 5.
    virtual quon_string propertyCallback(propertyEvent* event) = 0;
    // Kind 7: a host record the framework does not read; does nothing.
    virtual void kind7Callback(hookEvent* event);
    // A timer tick (kind 4). The result is not read: return 0.
    virtual int timerCallback(int id) = 0;
    // Kind 6: as kind 7.
    virtual void kind6Callback(hookEvent* event);

    // Host commands, one operation for each command of the host's table
    // (quon_commands.h). Each builds one command text and sends it with kind
    // 0; with no host nothing is sent. Text fields go in unescaped. Replies
    // are read only by textGet (TG), routerName (RN) and getIdList (XI), which
    // copy and hand them back (quon_hand_back.h); panelShow (PS) tests its
    // reply for null; every other reply is ignored.

    // PS: shows page `file` (relative to the base path: basePath/file) on
    // `panel`, with `extra` as a third field when not empty. False when the
    // host replies null.
    bool panelShow(const quon_string& panel, const quon_string& file, const quon_string& extra);
    // TP: sets property `name` of a control to `value`.
    void textPut(const quon_string& name, const quon_string& value, const quon_string& panel,
                 const quon_string& control);
    // The same command to a control whose id is a prefix and a number ("Mon_"
    // and 5 make "Mon_5"), built in one pass with no string temporaries.
    [[gnu::always_inline]] inline void textPut(quon_text name, quon_text value, quon_text panel,
                                               quon_text controlPrefix, int controlNumber);
    // TG: reads property `name` of a control into `result` (empty on a null reply).
    void textGet(const quon_string& name, const quon_string& panel, const quon_string& control, quon_string& result);
    // RN: reads the name the host gives a router's source or destination into `result`.
    void routerName(int device, int selector, int index, quon_string& result);
    // RR: asks for reports of destinations first..last of router `device`.
    // Without add they replace the ranges the panel registered on it before;
    // with add ('ADD') they are added to them.
    void routerRegister(int device, int first, int last, bool add);
    void infoRegister(int device, int first, int last, bool add); // IR: the same for info slots
    void gpiRegister(int device, int first, int last, bool add);  // GR: the same for GPIs
    void routerPoll(int device, int first, int last);             // RP: a report of each destination now
    void infoPoll(int device, int first, int last);               // IP: a report of each info slot now
    void gpiPoll(int device, int first, int last);                // GP: a report of each GPI now
    void routerUnregister(int device);                            // RU: no more router reports
    void infoUnregister(int device);                              // IU: no more info reports
    void gpiUnregister(int device);                               // GU: no more GPI reports
    void timerStop(int id);                                       // ET: stops timer `id`
    // XI: the ids of panel's controls whose id begins with `filter`.
    quon_stringlist getIdList(const quon_string& panel, const quon_string& filter);

    // Debugger output (quon_debug.h): OutputDebugStringA on Windows; natively
    // standard error, a line each; in a unit test, the test host gathers it.

    // Writes text as one debugger text, nothing added.
    void debug(const quon_string& text);
    // Fills the markers "%1".."%9" of format, then writes it: the lowest-
    // numbered marker takes a1, the next a2, and so on (equal markers in text
    // order); markers left over stay, arguments left over are dropped. Only
    // the format is searched, so texts filled in appear as they are. a2 to
    // a9 are empty unless given: debug("route %1 to %2", a, b).
    void debug(const quon_string& format, const quon_string& a1, const quon_string& a2 = quon_string(),
               const quon_string& a3 = quon_string(), const quon_string& a4 = quon_string(),
               const quon_string& a5 = quon_string(), const quon_string& a6 = quon_string(),
               const quon_string& a7 = quon_string(), const quon_string& a8 = quon_string(),
               const quon_string& a9 = quon_string());

    // Alarm acknowledgement: the framework's own answer to the ActionAll and
    // AckAll controls while alarmHandling is set.

    // Writes `argument` into the "alarm" property of every alarm control of
    // panel "1", then acknowledges or sets their "value"s. Used by the
    // dispatcher while alarmHandling is on.
    void ackAlarms(const quon_string& argument);

    // Sending a command: the two steps every operation above takes, and the
    // way to send a command of the host's own. Inline: every command takes them.

    // Sends `text` as one command (kind 0) and gives the host's reply
    // (host-owned, or null; null too with no host). This is how a command of
    // the host's own is sent, one the framework has no operation for
    // (hostCommand("XQ 4 9 5")): the text is the panel's, sent as it is. Its
    // reply is not handed back unless the host's rule (quon_hand_back.h)
    // says so; for a code outside the command table it never is.
    char* hostCommand(const char* text) {
        return host ? host->callback(const_cast<char*>(text), quon_kind_command) : nullptr;
    }
    // Hands a reply of hostCommand back to the host (kind 5), before the
    // next command; only while host is not null.
    void hostRelease(char* reply) { host->callback(reply, quon_kind_release); }

    // The link to the host and the framework's own state.

    quon_client_callback* host; // the host's object, or null; never freed here
    quon_string basePath;       // the base path given at creation
    bool alarmHandling;         // whether the dispatcher answers ActionAll and AckAll itself (ackAlarms)

private:
    // For the commands whose reply is read (TG, RN, XI): sends `text`, copies
    // a non-null reply into `copy` and hands it back as `rule` (the command's
    // in the command table, worked out when compiling) says. Gives whether a
    // reply came.
    bool hostQuery(const char* text, quon_hand_back rule, quon_string& copy);
    // One command of the numeric family: CODE a [b c [ 'ADD']].
    void numericCommand(const char* code, int count, int a, int b, int c, bool add);
    // TP 'name=value' 'panel' 'control', the control followed by `number`
    // in decimal when numberLength (its decimal length) is not 0.
    [[gnu::always_inline]] inline void textPutCommand(quon_text name, quon_text value, quon_text panel,
                                                      quon_text control, int number, std::size_t numberLength);
    char* propertyAnswer(const char* text);
    void dispatchButton(const quon_button_record* record);

    // Set once the derived destructors have run: from then on the handlers
    // are gone, and the dispatcher answers every event with null.
    bool derivedGone = false;
};

#include "detail/quon_script_helper_inl.h"

#endif
