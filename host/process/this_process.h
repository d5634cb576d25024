// this_process: what this program asks of its own process, on every system:
// its file and id, its environment, its standard output's mode, Ctrl-C, and
// ending at once.
#ifndef HOST_PROCESS_THIS_PROCESS_H
#define HOST_PROCESS_THIS_PROCESS_H

#include <atomic>
#include <string>

namespace quon::host {

// This program's own file, to start it again (the panel's process, a replay).
std::string own_program();
long own_process_id();

// What the system calls the program `name` ("name.exe" on Windows), and the
// separator of the folders in PATH.
std::string program_file_name(const std::string& name);
char path_list_separator();

// Sets `name` for this process and those it starts; an empty value removes it.
void set_environment_variable(const char* name, const std::string& value);

// Standard output writes plain line feeds, as natively (the conversation is
// read on Linux); nothing to do but on Windows.
void plain_standard_output();

// Ctrl-C, a console's close or SIGTERM set `interrupted` instead of ending the
// process; a peer that closes a socket mid-write is no signal either.
void catch_interrupts(std::atomic<bool>& interrupted);

// From now on every fork of this process (the panel's too) first writes out
// what the C library holds of its output, so that a child that exits does not
// write it again. Once is enough; nothing to do on Windows, which never forks.
void flush_output_at_fork();

// Ends the process with `status` at once: no exit handlers, no library's
// detach code, no buffered output written. Safe in a signal handler.
[[noreturn]] void end_process_now(int status);
// Waits for good (while another thread ends the process).
[[noreturn]] void wait_forever();

} // namespace quon::host

#endif
