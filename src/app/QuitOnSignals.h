#pragma once

namespace qlx {

// Makes SIGTERM, SIGINT and SIGHUP end the application's event loops (every nested one too)
// instead of killing the process outright, so the program unwinds as after a normal end:
// open previews close and the page store's temporary files are removed. The handler only
// writes one byte into a socket pair; the event loop reads it and exits with 128 plus the
// signal's number. Call once, after the application object exists.
void quitOnTerminationSignals();

} // namespace qlx
