// Ctrl-C or a termination request ends the workbench as closing its window does: every
// capture window stops its capture and finishes its trace file before the program ends.
#pragma once

namespace app {

// Call once, after the QApplication exists. SIGINT and SIGTERM then quit its event loop.
void QuitOnSignals();

}  // namespace app
