// Debugger output for scripts: OutputDebugStringA on Windows, standard error
// elsewhere (each text on a line of its own there). A test may redirect it to
// a sink of its own (quon_test_host does, for each test); the sink is process
// wide, so set it before starting threads and clear it after.
#ifndef QUON_DEBUG_H
#define QUON_DEBUG_H

// Takes each debugger text, with the context given to quon_set_debug_sink.
typedef void (*quon_debug_sink)(void* context, const char* text);

// Writes text as one debugger message, nothing added (natively the stand-in
// on standard error ends the line of a text that has no line end).
void quon_debug_output(const char* text);
// Routes quon_debug_output to sink (null restores the platform output).
void quon_set_debug_sink(quon_debug_sink sink, void* context);
// The sink set now (null: the platform output), its context into *context.
quon_debug_sink quon_get_debug_sink(void** context);

// Ends the process at once (no exit handlers), after one line on the debugger
// output naming an unexpected exception from the runtime. A panel DLL's
// runtime calls it as its terminate handler (panel_runtime.cpp); natively the
// runtime is the host's, and its handler is left alone.
[[noreturn]] void quon_unexpected_exception();
// The status the process ends with.
const int quon_unexpected_exception_status = 3;

#endif
