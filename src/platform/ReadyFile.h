#pragma once
// A signal for scripts that start the program: when the environment variable VOLUSCOPE_READY_FILE
// names a file, SignalReady writes it (empty). ./run waits for it before it takes its screenshot.
// Does nothing when the variable is not set; a file that cannot be written is ignored.
void SignalReady();
