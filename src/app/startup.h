#pragma once

// Start-up shared by the program and the demo.

// What must be settled before the Qt application object exists: the browser
// engine's switches (its sandbox cannot run as root; no background traffic),
// a shared GL context for the web view, libcurl.
void PrepareProcess();

// With the application object in place: builds the main window, runs its
// created event (the modal login), shows it and runs the event loop until the
// main window is gone; then ends the process with the loop's exit code, while
// any fetch or hide thread may still run.
[[noreturn]] void RunProgram();

// PrepareProcess, the application object (no command line), RunProgram.
[[noreturn]] void StartQuillmere(const char* programName);
