#pragma once

#include <csignal>

namespace pixelon {

// The hidden files that saves write before renaming them into place exist only while a save
// is under way. A signal that ends the program meanwhile (Ctrl+C, kill, a closed terminal)
// would leave them behind beside the user's files; these functions let it remove them first.

// Records `path` as a file to remove should the program be ended by a signal. The place it
// takes, to give back with ForgetTemporaryFile; -1 when none is free (a handful of saves at
// once are recorded) or the path is too long, and then the file is simply not recorded.
int RecordTemporaryFile(const char* path) noexcept;
void ForgetTemporaryFile(int place) noexcept;

// Holds SIGINT, SIGTERM and SIGHUP back in this thread while it lives (until Release), so
// that a file made and recorded meanwhile is recorded before such a signal can end the
// program; a signal that came meanwhile is handled on release.
class TerminationSignalsHeld {
public:
    TerminationSignalsHeld() noexcept;
    TerminationSignalsHeld(const TerminationSignalsHeld&) = delete;
    TerminationSignalsHeld& operator=(const TerminationSignalsHeld&) = delete;
    ~TerminationSignalsHeld() { Release(); }
    void Release() noexcept;

private:
    sigset_t m_previous;
    bool m_held = false;
};

// Makes SIGINT, SIGTERM and SIGHUP remove the recorded files and then end the program as they
// would have. A signal ignored when this is called (a program started under nohup) stays
// ignored. A write beyond the file size limit (ulimit -f) then fails with EFBIG, as on a full
// disk, instead of ending the program with SIGXFSZ and leaving the hidden file.
void RemoveTemporaryFilesOnSignals() noexcept;

} // namespace pixelon
