#pragma once

namespace nummerix {

// Runs the program in an existing application object: installs the password prompt, creates the main
// window and runs the message loop until it closes; returns the exit status. A failure while the window
// is created is shown in the "Anwendungsfehler" box and written to standard error; the status is then 1.
int RunProgram();

}  // namespace nummerix
