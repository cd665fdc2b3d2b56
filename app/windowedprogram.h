// The program with its window: started without a job file, it shows the main window and runs
// until the person closes it.
#pragma once

namespace pix {

// Start-up, the window's life and shutdown. Answers the exit status; 2 when there is no
// display to show the window on.
int RunWindowedProgram(int& argc, char** argv);

} // namespace pix
