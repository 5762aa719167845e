// The run of the setup program in this process. What the program holds
// through the host layer (searches, file handles, registry keys, global
// memory, DDE instances, COM objects) belongs to the run that made it: when
// the run ends, by returning or by RunAborted, each owner releases what the
// program left, as Windows does when a process exits.
#pragma once

namespace host {

// True while a run goes on: what is made now is the run's.
bool InRun();

// An owner of run objects registers, with a static object, the function
// that releases what the run left with it.
struct RunRelease {
    explicit RunRelease(void (*release)());
};

// A run, from its construction to its destruction, on every path out.
class RunScope {
  public:
    RunScope();
    ~RunScope();
    RunScope(const RunScope&) = delete;
    RunScope& operator=(const RunScope&) = delete;
};

}  // namespace host
