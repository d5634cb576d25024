// Debugger output for scripts: OutputDebugStringA on Windows, standard error
// elsewhere. A test may redirect it to a sink of its own; the sink is process
// wide, so set it before starting threads and clear it after.
#ifndef QUON_DEBUG_H
#define QUON_DEBUG_H

// Takes each debugger text, with the context given to quon_set_debug_sink.
typedef void (*quon_debug_sink)(void* context, const char* text);

// Writes text as one debugger message, nothing added.
void quon_debug_output(const char* text);
// Routes quon_debug_output to sink (null restores the platform output).
void quon_set_debug_sink(quon_debug_sink sink, void* context);

#endif
